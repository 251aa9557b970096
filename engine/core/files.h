// File helpers of the engine: the two openers with their messages, file
// sizes, base names and path composition, and temporary files that only
// this run created and that never stay.
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

// The file opener: opens a file with a C mode ("rb" for genomes and binary
// inputs). A directory is refused like a missing file. On failure prints
// "\ni can't open " + path, waits for a key and returns null.
FilePtr openFile(Console& console, const std::string& path, const char* mode);

// The stream opener: opens a file for reading in binary mode (call file,
// reads files, task lists, list files). A directory is refused. On failure
// prints "\ni can't open\n" + path, waits for a key and returns null.
FilePtr openStream(Console& console, const std::string& path);

// Reads a whole small file that is already open; false on a read error.
bool readAll(std::FILE* file, std::string& bytes);

// Size of the file in bytes, or -1 when its status cannot be read or it is
// not a regular file.
std::int64_t fileSize(const std::string& path);

// File name of a path without its directory and extension. The extension is
// cut at the last '.' of the whole path first; then one trailing separator is
// ignored and the name starts after the nearest separator ('\' or '/').
std::string baseName(std::string_view path);

// The directory prefix of a path: everything up to and including its last
// separator ('\' or '/'); empty when it has none.
std::string directoryOf(std::string_view path);

// A directory as the analyses use it: the directory text with the
// platform's separator appended.
std::string directoryPrefix(std::string_view directory);

// The result directory `diRes` as a prefix. An empty directory is refused
// with a message naming the parameter (key wait): its prefix would be the
// file system's root.
std::optional<std::string> resultPrefix(Console& console, std::string_view diRes);

// Removes a file; a missing file is not an error.
void removeFile(const std::string& path);

// True when both paths name one existing file.
bool sameFile(const std::string& a, const std::string& b);

// Closes a written file and reports whether every byte reached it. On
// failure prints "\ni can't write " + shownPath and waits for a key.
bool closeWritten(Console& console, FilePtr& file, const std::string& shownPath);

// A file this run created for writing, under a name unique to the run:
// `stem` + "." + a token of the process + ".tmp". It is created exclusively
// (never over an existing file, never through a symbolic link), watched so
// that an interruption removes it, and removed when the object goes unless
// it was renamed into place first.
class TempFile {
public:
    // On failure prints "\ni can't open " + shownPath (the temporary path
    // when shownPath is empty) and waits for a key.
    static std::optional<TempFile> create(Console& console, const std::string& stem,
                                          const std::string& shownPath = {});

    TempFile(TempFile&& other) noexcept;
    TempFile& operator=(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    std::FILE* get() const { return file_.get(); }
    const std::string& path() const { return path_; }

    // Gives the file a large write buffer (it stays with the object).
    void bufferWrites();
    // Checked close (see closeWritten); the file stays on disk.
    bool closeWritten(Console& console, const std::string& shownPath = {});
    // Renames the closed file to `target`, replacing a file of that name;
    // from then on the object owns nothing. False when the rename fails.
    bool moveTo(const std::string& target);
    // Closes and removes the file now.
    void discard();

private:
    TempFile(std::string path, FilePtr file);

    std::string path_;
    std::unique_ptr<char[]> buffer_;  // declared before the file: the file closes first
    FilePtr file_;
};

// A report or log of an analysis. It is written under a temporary name in
// its final directory and renamed into place by commit(), when it is
// complete and closed: an earlier file of that name survives every failure
// of the run, and a partial file never carries the final name. Messages name
// the final path.
class ResultFile {
public:
    // Refuses (message, key wait) a final path that names an existing input
    // of the run: "\nresult file " + path + " is an input of this run".
    static std::optional<ResultFile> create(Console& console, const std::string& finalPath,
                                            std::initializer_list<std::string> inputs = {});

    std::FILE* get() const { return temp_.get(); }
    const std::string& path() const { return path_; }

    // Closes the file and renames it into place. On failure prints
    // "\ni can't write " + path (key wait) and the temporary file goes.
    bool commit(Console& console);

private:
    ResultFile(std::string path, TempFile temp);

    std::string path_;
    TempFile temp_;
};

}  // namespace ruz
