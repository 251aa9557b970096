// Progress of a long run on the error stream: the phase, the reads done and
// the reads per second, rewritten in place on one line at most a few times
// a second. It shows only when the error stream is a terminal, so logs and
// pipes see nothing of it, and it never touches the console's standard
// output, whose texts stay as they are.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace ruz {

class Progress {
public:
    // A progress shows nothing until it is enabled.
    Progress() = default;
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    ~Progress() { finish(); }

    // Progress on the error stream when it is a terminal.
    static bool errorStreamIsTerminal();

    // Shows the progress on `out` from now on.
    void enable(std::FILE* out) {
        enabled_ = true;
        out_ = out;
    }

    // Starts a phase ("reading genome", "scanning reads", ...).
    void phase(std::string_view name);
    // The reads done so far in the current phase.
    void reads(std::int64_t done);
    // Clears the line (at the end of the run or before a message).
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    void show(bool force);

    bool enabled_ = false;
    std::FILE* out_ = nullptr;
    std::string phase_;
    std::int64_t reads_ = 0;
    Clock::time_point phaseStart_ = Clock::now();
    Clock::time_point lastShown_{};
    bool shown_ = false;
};

}  // namespace ruz
