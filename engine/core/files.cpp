#include "files.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform.h"

namespace ruz {

namespace {

constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;

// Opens for reading and refuses what is not a regular file: a directory
// opens on some systems and then fails at the first read.
FilePtr openRegular(const std::string& path, const char* mode) {
    FilePtr file(platform::openPath(path, mode));
    if (file && !platform::isRegularFile(file.get())) file.reset();
    return file;
}

}  // namespace

FilePtr openFile(Console& console, const std::string& path, const char* mode) {
    FilePtr file = openRegular(path, mode);
    if (!file) console.fail("\ni can't open ", path);
    return file;
}

FilePtr openStream(Console& console, const std::string& path) {
    FilePtr file = openRegular(path, "rb");
    if (!file) console.fail("\ni can't open\n", path);
    return file;
}

bool readAll(std::FILE* file, std::string& bytes) {
    bytes.clear();
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    return std::ferror(file) == 0;
}

std::int64_t fileSize(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p = platform::fileSystemPath(path);
    if (!std::filesystem::is_regular_file(p, ec) || ec) return -1;
    const auto size = std::filesystem::file_size(p, ec);
    if (ec) return -1;
    return static_cast<std::int64_t>(size);
}

std::string baseName(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot != std::string_view::npos) path = path.substr(0, dot);
    if (path.empty()) return {};
    std::size_t last = path.size() - 1;
    if (platform::isPathSeparator(path[last])) {
        if (last == 0) return {};
        --last;
    }
    std::size_t first = 0;
    for (std::size_t i = last + 1; i-- > 0;) {
        if (platform::isPathSeparator(path[i])) {
            first = i + 1;
            break;
        }
    }
    return std::string(path.substr(first, last + 1 - first));
}

std::string directoryOf(std::string_view path) {
    for (std::size_t i = path.size(); i-- > 0;)
        if (platform::isPathSeparator(path[i])) return std::string(path.substr(0, i + 1));
    return {};
}

std::string directoryPrefix(std::string_view directory) {
    std::string prefix(directory);
    prefix += platform::kPathSeparator;
    return prefix;
}

std::optional<std::string> resultPrefix(Console& console, std::string_view diRes) {
    if (diRes.empty()) {
        console.fail("\nparameter diRes is empty: no result directory is given");
        return std::nullopt;
    }
    return directoryPrefix(diRes);
}

void removeFile(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(platform::fileSystemPath(path), ec);
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool same =
        std::filesystem::equivalent(platform::fileSystemPath(a), platform::fileSystemPath(b), ec);
    return !ec && same;
}

bool closeWritten(Console& console, FilePtr& file, const std::string& shownPath) {
    if (!file) return false;
    const bool ok = std::ferror(file.get()) == 0 && std::fflush(file.get()) == 0;
    const bool closed = std::fclose(file.release()) == 0;
    if (ok && closed) return true;
    console.fail("\ni can't write ", shownPath);
    return false;
}

// ---------------------------------------------------------------------------
// Temporary files

TempFile::TempFile(std::string path, FilePtr file) : path_(std::move(path)), file_(std::move(file)) {}

TempFile::TempFile(TempFile&& other) noexcept
    : path_(std::move(other.path_)), buffer_(std::move(other.buffer_)), file_(std::move(other.file_)) {
    other.path_.clear();
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
    if (this != &other) {
        discard();
        path_ = std::move(other.path_);
        buffer_ = std::move(other.buffer_);
        file_ = std::move(other.file_);
        other.path_.clear();
    }
    return *this;
}

TempFile::~TempFile() { discard(); }

std::optional<TempFile> TempFile::create(Console& console, const std::string& stem,
                                         const std::string& shownPath) {
    // The process token makes the name unique among the runs of this
    // machine; the counter among the files of this run. A name that exists
    // anyway (another machine on a shared disk) is skipped.
    static std::atomic<unsigned> counter{0};
    constexpr int kAttempts = 100;
    std::string path;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        path = stem + "." + platform::processToken() + "-" + std::to_string(++counter) + ".tmp";
        errno = 0;
        if (std::FILE* f = platform::createExclusive(path)) {
            platform::watchTemporaryFile(path);
            return TempFile(path, FilePtr(f));
        }
        if (errno != EEXIST) break;
    }
    console.fail("\ni can't open ", shownPath.empty() ? path : shownPath);
    return std::nullopt;
}

void TempFile::bufferWrites() {
    if (!file_ || buffer_) return;
    buffer_ = std::make_unique<char[]>(kWriteBuffer);
    std::setvbuf(file_.get(), buffer_.get(), _IOFBF, kWriteBuffer);
}

bool TempFile::closeWritten(Console& console, const std::string& shownPath) {
    return ruz::closeWritten(console, file_, shownPath.empty() ? path_ : shownPath);
}

bool TempFile::moveTo(const std::string& target) {
    file_.reset();
    if (path_.empty() || !platform::replaceFile(path_, target)) return false;
    platform::forgetTemporaryFile(path_);
    path_.clear();
    return true;
}

void TempFile::discard() {
    file_.reset();
    if (path_.empty()) return;
    removeFile(path_);
    platform::forgetTemporaryFile(path_);
    path_.clear();
}

// ---------------------------------------------------------------------------
// Result files

ResultFile::ResultFile(std::string path, TempFile temp) : path_(std::move(path)), temp_(std::move(temp)) {}

std::optional<ResultFile> ResultFile::create(Console& console, const std::string& finalPath,
                                             std::initializer_list<std::string> inputs) {
    for (const std::string& input : inputs) {
        if (!input.empty() && sameFile(finalPath, input)) {
            console.fail("\nresult file ", finalPath, " is an input of this run");
            return std::nullopt;
        }
    }
    // On Windows a colon would put the result into a hidden stream of
    // another file, and a final dot would be dropped without a word.
    if (!platform::fileNameAllowed(finalPath)) {
        console.fail("\nresult file ", finalPath, " has a name that the system does not allow");
        return std::nullopt;
    }
    auto temp = TempFile::create(console, finalPath, finalPath);
    if (!temp) return std::nullopt;
    temp->bufferWrites();
    return ResultFile(finalPath, std::move(*temp));
}

bool ResultFile::commit(Console& console) {
    if (!temp_.closeWritten(console, path_)) {
        temp_.discard();
        return false;
    }
    if (!temp_.moveTo(path_)) {
        temp_.discard();
        console.fail("\ni can't write ", path_);
        return false;
    }
    return true;
}

}  // namespace ruz
