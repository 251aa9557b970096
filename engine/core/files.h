// File helpers of the engine: the two openers with their messages, file
// sizes, base names, path composition and temporary files that never stay.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "console.h"

namespace ruz {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file with a C mode ("rb", "wb"). On failure prints
// "\ni can't open " + path, waits for a key and returns null.
FilePtr openFile(Console& console, const std::string& path, const char* mode);

// Size of the file in bytes, or -1 when its status cannot be read.
std::int64_t fileSize(const std::string& path);

// File name of a path without its directory and extension. The extension is
// cut at the last '.' of the whole path first; then one trailing separator is
// ignored and the name starts after the nearest separator ('\' or '/').
std::string baseName(std::string_view path);

// The directory prefix of a path: everything up to and including its last
// separator ('\' or '/'); empty when it has none.
std::string directoryOf(std::string_view path);

// A result directory as the analyses use it: the directory text with the
// platform's separator appended.
std::string directoryPrefix(std::string_view directory);

// The result directory `diRes` as a prefix. An empty directory is refused
// with a message naming the parameter (key wait): its prefix would be the
// file system's root.
std::optional<std::string> resultPrefix(Console& console, std::string_view diRes);

// Removes a file; a missing file is not an error.
void removeFile(const std::string& path);

// Closes a written file and reports whether every byte reached it. On
// failure prints "\ni can't write " + path and waits for a key.
bool closeWritten(Console& console, FilePtr& file, const std::string& path);

// A temporary file that is removed when the guard goes, whatever the end
// of the run, an interruption included. The file itself is opened by the
// caller.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string path);
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    ~TempFileGuard();
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace ruz
