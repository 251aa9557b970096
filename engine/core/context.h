// Run state shared by the entry and the one analysis it runs.
//
// The entry owns the context for the whole run; an analysis receives it by
// reference. It carries the console, the two working buffers (`Buff`) and the
// number of threads; what an analysis reads from its parameter file stays
// with the analysis.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "console.h"
#include "progress.h"

namespace ruz {

// Every line of a reads file passes through the line buffer: at most
// kLineLimit - 1 bytes before its line feed.
inline constexpr std::size_t kLineLimit = 5120;

// The two working buffers: the line buffer receives each line of a reads
// file, the text buffer converted read text and decoded k-mers. An analysis
// may release them early (its memory then goes before its report); the
// entry's final release passes over released buffers.
struct Buff {
    std::vector<char> line = std::vector<char>(kLineLimit);
    std::vector<char> text = std::vector<char>(kLineLimit);

    void releaseLine() { std::vector<char>().swap(line); }
    void releaseText() { std::vector<char>().swap(text); }
};

struct RunContext {
    explicit RunContext(Console& c) : console(c) { console.showsProgress(&progress); }
    ~RunContext() { console.showsProgress(nullptr); }
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    Console& console;
    Buff buff;
    // Threads the analysis may work on; its outputs do not depend on it.
    int threads = 1;
    // Tracks asked for on the command line (--tracks), whatever the
    // parameter file says.
    bool tracks = false;
    // Phase and reads done, on the error stream when the entry enables it.
    Progress progress;
};

}  // namespace ruz
