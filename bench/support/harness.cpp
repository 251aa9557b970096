#include "harness.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <iterator>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "analyses.h"
#include "core/console.h"
#include "core/context.h"
#include "core/entry.h"

namespace ruz::bench {

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

double processorSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

long peakMemoryMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void resetPeakMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    std::ofstream("/proc/self/clear_refs") << "5";
}

long peakMemorySinceResetMiB() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmHWM:") {
            long kib = 0;
            status >> kib;
            return kib / 1024;
        }
    }
    return peakMemoryMiB();
}

ScratchDir::ScratchDir(const std::string& name)
    : path_(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

BenchFolder::BenchFolder(const std::string& name, const std::string& kept) {
    if (kept.empty()) {
        scratch_.emplace(name);
        path_ = scratch_->path();
    } else {
        path_ = kept;
        std::filesystem::create_directories(path_);
    }
}

void writeParameters(const std::string& path, const std::vector<std::pair<std::string, std::string>>& records) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const auto& [name, value] : records) out << "bench\nstr\n" << name << '\n' << value << '\n';
}

std::string readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

InProcessRun runInProcess(std::string_view function, const std::string& parameterFile, int threads) {
    CountingStream sink;
    Console console(sink, nullptr);
    RunContext context(console);
    context.threads = threads;
    InProcessRun run;
    run.phase = measure([&] { run.ranToEnd = runNamedAnalysis(context, analysisTable(), function, parameterFile); });
    run.consoleBytes = sink.bytes();
    return run;
}

EngineRun runEngine(const std::string& engine, const std::string& parameterFile, const std::string& function,
                    const std::filesystem::path& dir) {
    EngineRun run;
    const auto t = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open((dir / "console.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        execl(engine.c_str(), engine.c_str(), parameterFile.c_str(), function.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.seconds = secondsSince(t);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakMiB = usage.ru_maxrss / 1024;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return run;
}

std::string engineBeside(const char* argv0) {
    return (std::filesystem::absolute(argv0).parent_path() / "Ruzovizu").string();
}

}  // namespace ruz::bench
