// Helpers for tests that work on real files: a temporary directory that
// cleans up after itself, whole-file reads and writes, parameter records,
// and running the built engine as a separate process.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Path of a file inside the directory, as text.
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Names of the files in the directory, sorted.
    std::vector<std::string> listing() const;

private:
    std::filesystem::path path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool exists(const std::string& path);

// One four-line parameter record: comment, type, name, value.
std::string record(const std::string& name, const std::string& value,
                   const std::string& type = "str");

// The coded form of letters: A, C, G, T (either case) as the bytes 0 to 3;
// any other byte stays as it is (a non-code byte of a coded file).
std::string coded(std::string_view letters);

// The reverse complement of letters A, C, G, T; other bytes are kept.
std::string reverseComplement(std::string_view letters);

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a shell command with standard input from /dev/null (so key waits
// return at once) and collects its output.
ProcessResult runCommand(const std::string& command, const TempDir& scratch);

// Quotes a text for the shell.
std::string shellQuoted(const std::string& text);

}  // namespace ruz::test
