// Times the repeat step and the maximal-repeat sweep of fTestGenomeSborka on
// one genome per run, and measures their memory.
//
// Usage:
//   maximal_repeats_bench                          random genome of 10 million bases
//   maximal_repeats_bench random N                 random genome of N bases
//   maximal_repeats_bench copies UNIT COPIES PCT   a random UNIT-base sequence copied
//                                                  COPIES times, each copy with PCT %
//                                                  of its bases changed
//   maximal_repeats_bench duplicates N D K         a random genome of N bases in which
//                                                  its first D bases are copied exactly
//                                                  K more times, evenly spread
// With RUZ_BENCH_THREADS=T in the environment the step runs on T threads
// (default 1).
// Run it from the release build. Peak memory is the process's; the genome
// with its circular margin (2 bytes a base, as the analysis holds it) is
// made before the step, so the growth of the peak is the step's own memory.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "core/genome.h"
#include "mapping/maximal_repeats.h"
#include "support/bench_data.h"

namespace {

using namespace ruz;

// Processor time of this process, in seconds: on a shared machine the wall
// time also counts the other processes' turns.
double cpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}
using namespace ruz::bench;

Strand emptyStrand(std::int64_t n) {
    const auto length = static_cast<std::int32_t>(n);
    return Strand(length, 0, repeatStepMargin(length));
}

void fillRandom(Strand& strand, std::int64_t from, std::int64_t to, std::mt19937_64& rng) {
    std::uint64_t bits = 0;
    for (std::int64_t p = from, i = 0; p <= to; ++p, ++i) {
        if (i % 32 == 0) bits = rng();
        strand[p] = static_cast<std::uint8_t>(bits & 3);
        bits >>= 2;
    }
}

Strand randomGenome(std::int64_t n) {
    std::mt19937_64 rng(42);
    Strand strand = emptyStrand(n);
    fillRandom(strand, 1, n, rng);
    strand.fillMargins();
    return strand;
}

// A random unit, then copies of it in which each base is changed to another
// base with the given probability.
Strand copiedGenome(std::int64_t unit, int copies, double changed) {
    std::mt19937_64 rng(42);
    Strand strand = emptyStrand(unit * copies);
    fillRandom(strand, 1, unit, rng);
    std::bernoulli_distribution change(changed);
    for (int c = 1; c < copies; ++c) {
        for (std::int64_t p = 1; p <= unit; ++p) {
            std::uint8_t base = strand[p];
            if (change(rng)) base = static_cast<std::uint8_t>((base + 1 + rng() % 3) % 4);
            strand[c * unit + p] = base;
        }
    }
    strand.fillMargins();
    return strand;
}

// Exact copies of the genome's first `length` bases at `copies` places
// spread over the rest of it.
Strand duplicatedGenome(std::int64_t n, std::int64_t length, int copies) {
    std::mt19937_64 rng(42);
    Strand strand = emptyStrand(n);
    fillRandom(strand, 1, n, rng);
    const std::int64_t spacing = n / (copies + 1);
    for (int c = 1; c <= copies; ++c)
        for (std::int64_t p = 1; p <= length; ++p) strand[c * spacing + p] = strand[p];
    strand.fillMargins();
    return strand;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string kind = argc > 1 ? argv[1] : "random";
    Strand genome;
    std::string described;
    if (kind == "copies") {
        const std::int64_t unit = argc > 2 ? std::stoll(argv[2]) : 1'000'000;
        const int copies = argc > 3 ? std::stoi(argv[3]) : 10;
        const double percent = argc > 4 ? std::stod(argv[4]) : 1.0;
        genome = copiedGenome(unit, copies, percent / 100.0);
        char text[128];
        std::snprintf(text, sizeof text, "%lld bases copied %d times, %.2f %% changed per copy",
                      static_cast<long long>(unit), copies, percent);
        described = text;
    } else if (kind == "duplicates") {
        const std::int64_t n = argc > 2 ? std::stoll(argv[2]) : 4'000'000;
        const std::int64_t length = argc > 3 ? std::stoll(argv[3]) : 500'000;
        const int copies = argc > 4 ? std::stoi(argv[4]) : 1;
        genome = duplicatedGenome(n, length, copies);
        char text[128];
        std::snprintf(text, sizeof text, "%lld bases copied exactly %d more times", static_cast<long long>(length),
                      copies);
        described = text;
    } else {
        const std::int64_t n = argc > 2 ? std::stoll(argv[2]) : 10'000'000;
        genome = randomGenome(n);
        described = "random";
    }
    const std::int64_t n = genome.length();
    const long before = peakMemoryMiB();
    const char* threadsText = std::getenv("RUZ_BENCH_THREADS");
    const int threads = threadsText ? std::atoi(threadsText) : 1;

    auto t = Clock::now();
    const double cpu = cpuSeconds();
    RepeatLengths lengths = measureRepeats(genome, threads);
    const double stepSeconds = secondsSince(t);
    const double stepCpu = cpuSeconds() - cpu;
    double sum = 0;
    for (std::int64_t p = 1; p <= n; ++p) sum += lengths[p];
    t = Clock::now();
    const MaximalRepeats kept = selectMaximalRepeats(lengths);
    const double sweepSeconds = secondsSince(t);
    const long peak = peakMemoryMiB();

    std::printf("genome: %lld bases (%s)\n", static_cast<long long>(n), described.c_str());
    std::printf(
        "repeat step on %d threads: %.3f s (processor %.3f s; %.1f M positions/s); mean repeat "
        "length %.2f\n",
        threads, stepSeconds, stepCpu, n / stepSeconds / 1e6, sum / n);
    std::printf("sweep:        %.3f s; repNu %lld, reMax %d, repNu/sqSize %6.3f\n", sweepSeconds,
                static_cast<long long>(kept.count), kept.longest,
                static_cast<double>(kept.count) / n);
    std::printf(
        "peak memory:  %ld MiB (genome with margin %ld MiB before the step); step %.1f bytes/base, "
        "with the genome %.1f bytes/base\n",
        peak, before, (peak - before) * 1048576.0 / n, peak * 1048576.0 / n);
    return 0;
}
