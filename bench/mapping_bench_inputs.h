// Inputs and the timed run shared by the benchmarks of the coded mapping
// analyses (fMapReadsOnToSeq, fMatchReadsT_VarSzO, fMapReadsOneInSeq): a
// random coded genome, coded reads of which 70 % are taken from it (half of
// those reverse-complemented) and 30 % are random, and one run of the built
// engine as a user starts it, measured from outside (wall time, peak memory
// of the engine process alone).
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include "core/kmer_index.h"
#include "mapping/coded_mapping.h"
#include "support/bench_data.h"

namespace ruz::bench {

struct MappingInputs {
    std::int64_t genomeLength = 10'000'000;
    std::int64_t reads = 1'000'000;
    int minReadLength = 50;  // read lengths are uniform over [min, max]
    int maxReadLength = 50;
};

// Writes genome.bin and reads.bin (coded) into `dir`.
inline void writeMappingInputs(const std::filesystem::path& dir, const MappingInputs& in) {
    std::mt19937_64 rng(20240611);
    const std::string genome = randomLetters(static_cast<std::size_t>(in.genomeLength), rng);
    writeBytes((dir / "genome.bin").string(), toCodes(genome));

    std::ofstream out(dir / "reads.bin", std::ios::binary);
    std::uniform_int_distribution<int> length(in.minReadLength, in.maxReadLength);
    std::uniform_int_distribution<std::int64_t> start(0, in.genomeLength - in.maxReadLength);
    std::string read;
    for (std::int64_t r = 0; r < in.reads; ++r) {
        const auto n = static_cast<std::size_t>(length(rng));
        const auto kind = rng() % 20;
        if (kind < 14) {
            read.assign(genome, static_cast<std::size_t>(start(rng)), n);
            if (kind < 7) read = reverseComplement(read);
        } else {
            read = randomLetters(n, rng);
        }
        out << toCodes(read) << '\n';
    }
}

// A parameter file for the analysis: diRes, pthReads, pthGnm and `more`.
inline std::string writeMappingParameters(const std::filesystem::path& dir, const std::string& more) {
    const std::string path = (dir / "params.txt").string();
    std::ofstream(path) << "result directory\ndir\ndiRes\n" << dir.string()
                        << "\nreads\nfile\npthReads\n" << (dir / "reads.bin").string()
                        << "\ngenome\nfile\npthGnm\n" << (dir / "genome.bin").string() << "\n" << more;
    return path;
}

struct EngineRun {
    int exitCode = -1;
    double seconds = 0.0;
    double cpuSeconds = 0.0;  // user and system time of the engine
    long peakMiB = 0;
};

// Runs `engine parameterFile function` with standard input and output
// away from the terminal, as a script would.
inline EngineRun runEngine(const std::string& engine, const std::string& parameterFile,
                           const std::string& function, const std::filesystem::path& dir) {
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

// The engine beside the benchmark's executable.
inline std::string engineBeside(const char* argv0) {
    return (std::filesystem::absolute(argv0).parent_path() / "Ruzovizu").string();
}

// Time to load the coded genome with the margin the analyses use and to
// build 16-Chain (and Root8 when asked), in this process.
inline double genomeAndIndexSeconds(const std::filesystem::path& dir, bool withRoot8 = false) {
    const auto t = Clock::now();
    const auto genome = coded_mapping::loadCodedGenome((dir / "genome.bin").string(), coded_mapping::kLongestRead);
    if (!genome) return -1.0;
    const auto chain = build16Chain(genome->upper);
    if (withRoot8 && !buildRoot8(genome->upper)) return -1.0;
    return chain ? secondsSince(t) : -1.0;
}

inline std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Prints the run's figures: wall time, peak memory, reads per second over
// the whole run and over what the genome and index leave of it.
inline void printEngineRun(const char* function, const MappingInputs& in, const EngineRun& run,
                           double indexSeconds) {
    std::printf("%s: genome %lld bases, %lld reads of %d..%d bases\n", function,
                static_cast<long long>(in.genomeLength), static_cast<long long>(in.reads),
                in.minReadLength, in.maxReadLength);
    std::printf("  engine run (exit %d):      %.3f s wall (%.3f s CPU), peak memory %ld MiB\n",
                run.exitCode, run.seconds, run.cpuSeconds, run.peakMiB);
    std::printf("  reads per second:          %.2f M over the whole run\n",
                static_cast<double>(in.reads) / run.seconds / 1e6);
    std::printf("  genome + index alone:      %.3f s; the rest %.3f s (%.2f M reads/s)\n",
                indexSeconds, run.seconds - indexSeconds,
                static_cast<double>(in.reads) / (run.seconds - indexSeconds) / 1e6);
}

}  // namespace ruz::bench
