#include "files.h"

#include <filesystem>
#include <system_error>

#include "platform.h"

namespace ruz {

FilePtr openFile(Console& console, const std::string& path, const char* mode) {
    FilePtr file(std::fopen(path.c_str(), mode));
    if (!file) console.fail("\ni can't open ", path);
    return file;
}

std::int64_t fileSize(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p(path);
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
    std::filesystem::remove(path, ec);
}

bool closeWritten(Console& console, FilePtr& file, const std::string& path) {
    if (!file) return false;
    const bool ok = std::ferror(file.get()) == 0 && std::fflush(file.get()) == 0;
    const bool closed = std::fclose(file.release()) == 0;
    if (ok && closed) return true;
    console.fail("\ni can't write ", path);
    return false;
}

TempFileGuard::TempFileGuard(std::string path) : path_(std::move(path)) {
    platform::watchTemporaryFile(path_);
}

TempFileGuard::~TempFileGuard() {
    removeFile(path_);
    platform::forgetTemporaryFile(path_);
}

}  // namespace ruz
