#include "support/fuzz_support.h"

#include "core/context.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace ruz::fuzz {

namespace fs = std::filesystem;

namespace {

// Owns the scratch folder: removed with everything in it when the process
// ends normally (libFuzzer leaves through exit()).
class ScratchFolder {
public:
    ScratchFolder() {
        const fs::path base = fs::temp_directory_path();
        for (int n = 0;; ++n) {
            const fs::path p =
                base / ("ruz-fuzz-" + std::to_string(::getpid()) + "-" + std::to_string(n));
            std::error_code ec;
            if (fs::create_directory(p, ec)) {
                path_ = p.string() + "/";
                return;
            }
            if (ec) throw std::system_error(ec, "cannot make the scratch folder " + p.string());
        }
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void writeAllAt(int fd, const void* bytes, std::size_t size, std::size_t offset,
                const std::string& path) {
    const auto* p = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("cannot write the scratch file " + path);
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::size_t>(n);
    }
}

}  // namespace

const std::string& scratchDirectory() {
    static const ScratchFolder folder;
    return folder.path();
}

std::string scratchPath(std::string_view name) { return scratchDirectory() + std::string(name); }

void writeFileBytes(const std::string& path, const void* bytes, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) throw std::runtime_error("cannot open the scratch file " + path);
    writeAllAt(fd, bytes, size, 0, path);
    ::close(fd);
}

void writeFileBytes(const std::string& path, std::string_view bytes) {
    writeFileBytes(path, bytes.data(), bytes.size());
}

void writeFileTail(const std::string& path, std::size_t offset, const void* bytes,
                   std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) throw std::runtime_error("cannot open the scratch file " + path);
    writeAllAt(fd, bytes, size, offset, path);
    if (::ftruncate(fd, static_cast<off_t>(offset + size)) != 0)
        throw std::runtime_error("cannot cut the scratch file " + path);
    ::close(fd);
}

std::uint8_t takeByte(const std::uint8_t*& data, std::size_t& size) {
    if (size == 0) return 0;
    const std::uint8_t b = *data++;
    --size;
    return b;
}

void finding(const char* file, int line, const char* condition, const std::string& detail) {
    std::fprintf(stderr, "\n==FUZZ CHECK FAILED== %s:%d: %s\n  %s\n", file, line, condition,
                 detail.c_str());
    std::fflush(stderr);
    std::abort();
}

EngineLines engineLines(std::string_view text) {
    EngineLines d;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t lf = text.find('\n', at);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        if (end - at >= kLineLimit) {
            d.endsAtLongLine = true;
            break;
        }
        d.lines.push_back(text.substr(at, end - at));
        at = lf == std::string_view::npos ? text.size() : lf + 1;
    }
    return d;
}

}  // namespace ruz::fuzz
