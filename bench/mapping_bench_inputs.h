// Inputs and the timed run shared by the benchmarks of the coded mapping
// analyses (fMapReadsOnToSeq, fMatchReadsT_VarSzO, fMapReadsOneInSeq): a
// random coded genome, coded reads of which 70 % are taken from it (half of
// those reverse-complemented) and 30 % are random, and one run of the built
// engine as a user starts it, measured from outside (wall time, peak memory
// of the engine process alone).
#pragma once

#include <cstdint>
#include <cstdio>
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
