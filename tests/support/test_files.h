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

// The 40-letter genome of the end-to-end tests.
inline constexpr std::string_view kTestGenome = "GATTACAGGCTTCAAGTCCGATGGCATTACGGATCCTAGC";

// Two reads that share the site at upper position 3 of the test genome
// (key TTACAGGCTTCA, genome tip AGTC), and RandExt's table of them (12, 4, 1).
inline constexpr std::string_view kTwoReads = "TTACAGGCTTCAACGT\nTTACAGGCTTCATTGA\n";
inline constexpr std::string_view kTwoReadsTable =
    "posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu"
    "\n3\t2\t0.6931\t+\tTTACAGGCTTCAacgt\t1"
    "\n3\t2\t0.6931\t+\tTTACAGGCTTCAttga\t1";

// The coded form of letters: A, C, G, T (either case) as the bytes 0 to 3;
// any other byte stays as it is (a non-code byte of a coded file).
std::string coded(std::string_view letters);

// The reverse complement of letters A, C, G, T; other bytes are kept.
std::string reverseComplement(std::string_view letters);

// A genome of random bases from a fixed generator, read by 1-based
// positions: span(a, b) is bases a..b in capitals, lower(a, b) in small
// letters.
struct FixedGenome {
    explicit FixedGenome(int length, unsigned seed = 1);
    std::string span(int a, int b) const { return bases.substr(static_cast<std::size_t>(a - 1), static_cast<std::size_t>(b - a + 1)); }
    std::string lower(int a, int b) const;
    std::string bases;
};

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
