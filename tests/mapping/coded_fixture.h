// Inputs of the analyses that read coded genomes and reads, for end-to-end
// tests: sequences written as letters and stored as codes (A=0, C=1, G=2,
// T=3), a genome whose windows are known to be unique, and a run of one
// analysis in a temporary directory with a recording console.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/context.h"
#include "core/platform.h"
#include "support/run_analysis.h"
#include "support/test_files.h"

namespace ruz::test {

// A coded reads file (or a coded output of reads): each read's codes and the
// byte 10.
inline std::string codedLines(std::initializer_list<std::string_view> reads) {
    std::string out;
    for (const std::string_view read : reads) out += coded(read) + "\n";
    return out;
}

// The letters A (bit 0) and C (bit 1) of the maximal-length shift register
// x^8 + x^6 + x^5 + x^4 + 1 started at 1. It repeats every 255 letters and
// each window of 8 letters holding a C occurs once in a period: within its
// first 262 letters every window of 8 or more letters occurs exactly once,
// and no reverse complement of a window (G and T only) occurs at all.
inline std::string shiftRegisterLetters(std::size_t n) {
    std::string letters;
    unsigned state = 1;
    for (std::size_t i = 0; i < n; ++i) {
        letters += (state & 1) ? 'C' : 'A';
        const unsigned feedback = (state ^ (state >> 2) ^ (state >> 3) ^ (state >> 4)) & 1;
        state = (state >> 1) | (feedback << 7);
    }
    return letters;
}

// One analysis run over `genome.bin` and `reads.bin` in a temporary
// directory, with the result directory `res` inside it.
class CodedRun {
public:
    CodedRun() { std::filesystem::create_directory(dir.path() / "res"); }

    std::string path(const std::string& name) const { return dir.file(name); }
    // A result file: the result directory and `name`.
    std::string result(const std::string& name) const {
        return dir.file("res") + platform::kPathSeparator + name;
    }

    void genome(std::string_view letters) const { writeFile(path("genome.bin"), coded(letters)); }
    void reads(const std::string& bytes) const { writeFile(path("reads.bin"), bytes); }

    // Writes the parameter file (diRes, pthReads, pthGnm, then `more`) and
    // runs the analysis.
    bool run(std::string_view analysis, const std::string& more = {}) {
        writeFile(path("params.txt"), record("diRes", path("res"), "dir") +
                                          record("pthReads", path("reads.bin"), "file") +
                                          record("pthGnm", path("genome.bin"), "file") + more);
        RunContext context(console.console());
        return runAnalysis(context, analysis, path("params.txt"));
    }

    static std::string bounds(int rMinSz, int rMaxSz) {
        return record("rMinSz", std::to_string(rMinSz), "int") +
               record("rMaxSz", std::to_string(rMaxSz), "int");
    }

    TempDir dir;
    RecordingConsole console;
};

}  // namespace ruz::test
