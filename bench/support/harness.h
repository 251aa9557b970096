// The harness every benchmark measures with: wall and processor time, peak
// memory of a phase or of the whole process, a folder for the inputs, the
// parameter file of a run, and a run of an analysis either in this process
// or as the engine executable a user starts.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ruz::bench {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t);

// Processor time of this process so far (user and system).
double processorSeconds();

// Peak resident memory of this process so far, in MiB.
long peakMemoryMiB();

// Peak resident memory of one phase (Linux): resetPeakMemory() gives the
// memory freed so far back to the system and lowers the high-water mark to
// what the process holds then; peakMemorySinceResetMiB() reads it.
// Elsewhere the process's whole peak is given.
void resetPeakMemory();
long peakMemorySinceResetMiB();

// What one measured phase took.
struct Phase {
    double seconds = 0.0;
    double processorSeconds = 0.0;
    long peakMiB = 0;
};

// Runs `work` as one phase.
template <typename Work>
Phase measure(Work&& work) {
    resetPeakMemory();
    const auto t = Clock::now();
    const double cpu = processorSeconds();
    work();
    return {secondsSince(t), processorSeconds() - cpu, peakMemorySinceResetMiB()};
}

// A folder under the system's temporary folder, removed when it goes.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The folder of a benchmark's inputs and outputs: a fresh temporary folder
// removed at the end, or, when `kept` names one, that folder, left in place
// so that the engine's binary can be timed on the same inputs.
class BenchFolder {
public:
    BenchFolder(const std::string& name, const std::string& kept);
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::optional<ScratchDir> scratch_;
    std::filesystem::path path_;
};

// A parameter file of four-line records.
void writeParameters(const std::string& path, const std::vector<std::pair<std::string, std::string>>& records);

// A whole file's bytes.
std::string readWhole(const std::filesystem::path& path);

// An output stream that throws its text away and counts it: the console of
// a benchmark run.
class CountingStream : public std::ostream {
public:
    CountingStream() : std::ostream(&buffer_) {}
    std::int64_t bytes() const { return buffer_.bytes; }

private:
    struct Buffer : std::streambuf {
        std::int64_t bytes = 0;
        int_type overflow(int_type c) override {
            ++bytes;
            return c;
        }
        std::streamsize xsputn(const char*, std::streamsize n) override {
            bytes += n;
            return n;
        }
    };
    Buffer buffer_;
};

// One run of an analysis in this process, on `threads` threads, its
// console counted: whether it ran to its end and what it took.
struct InProcessRun {
    bool ranToEnd = false;
    Phase phase;
    std::int64_t consoleBytes = 0;
};

InProcessRun runInProcess(std::string_view function, const std::string& parameterFile, int threads = 1);

// One run of the engine executable, `engine parameterFile function`, with
// standard input from /dev/null and standard output into `dir`/console.txt,
// as a script starts it; measured from outside (the engine process alone).
struct EngineRun {
    int exitCode = -1;
    double seconds = 0.0;
    double cpuSeconds = 0.0;  // user and system time of the engine
    long peakMiB = 0;
};

EngineRun runEngine(const std::string& engine, const std::string& parameterFile, const std::string& function,
                    const std::filesystem::path& dir);

// The engine beside the benchmark's executable.
std::string engineBeside(const char* argv0);

}  // namespace ruz::bench
