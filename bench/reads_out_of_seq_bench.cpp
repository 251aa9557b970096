// Times fReadsOutOfSeq on a random coded genome of 10 million bases and 1
// million reads of 50 bases: 70 % taken from the genome (half of them
// reverse-complemented, some across its end), 30 % random, which occur
// nowhere. Checks that the output holds exactly the random reads, in order.
// Phases: genome and 16-Chain, the sift of the reads; then the whole
// analysis as the engine runs it, with its peak memory.
//
// Usage: reads_out_of_seq_bench [genome length] [read count] [threads] [whole]
// The phases run on one thread, the whole analysis on `threads` (default:
// every processor); "whole" runs the analysis only, so that the peak memory
// is its own.
// Run it from the release build; it writes its inputs to a temporary folder.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#include "core/console.h"
#include "core/context.h"
#include "core/files.h"
#include "core/parallel.h"
#include "mapping/exact_occurrence.h"
#include "analyses.h"
#include "core/entry.h"
#include "support/bench_data.h"

namespace {

using namespace ruz;
using namespace ruz::bench;
namespace fs = std::filesystem;

constexpr std::size_t kReadLength = 50;

// Processor time of this process, in seconds: on a shared machine the wall
// time also counts the other processes' turns.
// Writes the genome and the reads; returns the expected output: the random
// reads, each followed by byte 10.
std::string writeInputs(const fs::path& dir, std::int64_t length, std::int64_t reads) {
    std::mt19937_64 rng(2024);
    const std::string genome = toCodes(randomLetters(static_cast<std::size_t>(length), rng));
    writeBytes((dir / "genome.cod").string(), genome);

    std::string all, expected;
    all.reserve(static_cast<std::size_t>(reads) * (kReadLength + 1));
    std::string read(kReadLength, '\0');
    for (std::int64_t r = 0; r < reads; ++r) {
        const auto kind = rng() % 20;
        if (kind < 14) {
            const std::uint64_t start = rng() % static_cast<std::uint64_t>(length);
            for (std::size_t j = 0; j < kReadLength; ++j)
                read[j] = genome[(start + j) % genome.size()];
            if (kind % 2 == 1) {
                std::string rc(read.rbegin(), read.rend());
                for (char& c : rc) c = static_cast<char>(3 - c);
                read = rc;
            }
        } else {
            std::uint64_t bits = 0;
            for (std::size_t j = 0; j < kReadLength; ++j, bits >>= 2) {
                if (j % 32 == 0) bits = rng();
                read[j] = static_cast<char>(bits & 3);
            }
            expected.append(read).push_back('\n');
        }
        all.append(read).push_back('\n');
    }
    writeBytes((dir / "reads.bin").string(), all);
    return expected;
}

}  // namespace

int main(int argc, char** argv) {
    const std::int64_t length = argc > 1 ? std::stoll(argv[1]) : 10'000'000;
    const std::int64_t reads = argc > 2 ? std::stoll(argv[2]) : 1'000'000;
    const ScratchDir scratch("reads_out_of_seq_bench");
    const fs::path& dir = scratch.path();
    const std::string expected = writeInputs(dir, length, reads);
    const std::string genomePath = (dir / "genome.cod").string();
    const std::string readsPath = (dir / "reads.bin").string();

    std::ostringstream sink;
    Console console(sink, nullptr);
    const int threads = argc > 3 ? std::stoi(argv[3]) : availableThreads();
    const bool phases = argc <= 4 || std::string(argv[4]) != "whole";
    if (phases) {
        RunContext context(console);
        GenomeLoadOptions options;
        options.check = GenomeCheck::Coded;
        auto t = Clock::now();
        double cpu = processorSeconds();
        const auto genome = out_of_genome::loadSearchGenome(genomePath, options, 50, 1);
        const double loadSeconds = secondsSince(t);
        const double loadCpu = processorSeconds() - cpu;
        if (!genome) {
            std::cerr << genome.failure().message << '\n';
            return 1;
        }
        t = Clock::now();
        cpu = processorSeconds();
        ResultSet results;
        auto output = results.create((dir / "phase_Out.bin").string());
        if (!output) return 1;
        const auto end = out_of_genome::siftIntoFile(
            context, **genome, readsPath, **output, [](const char*, std::size_t n) {
                return out_of_genome::Judgement{out_of_genome::Verdict::ToSearch, n};
            });
        if (!results.commit()) return 1;
        const double siftSeconds = secondsSince(t);
        const double siftCpu = processorSeconds() - cpu;
        std::printf("genome %lld bases, %lld reads of %zu (30 %% absent)\n",
                    static_cast<long long>(length), static_cast<long long>(reads), kReadLength);
        std::printf("genome + 16-Chain:    %.3f s (processor %.3f s)\n", loadSeconds, loadCpu);
        std::printf(
            "sift of the reads:    %.3f s (processor %.3f s, %.2f M reads/s); %lld written\n",
            siftSeconds, siftCpu, reads / siftSeconds / 1e6,
            static_cast<long long>(end ? end->counts.outOfGenome : -1));
    }

    // The whole analysis as the engine runs it.
    std::ofstream(dir / "params.txt")
        << "d\ndir\ndiRes\n"
        << dir.string() << "\nr\nfile\npthReads\n"
        << readsPath << "\ng\nfile\npthGnm\n"
        << genomePath << "\nmin\nint\nrMinSz\n16\nmax\nint\nrMaxSz\n100\n";
    const InProcessRun run = runInProcess("fReadsOutOfSeq", (dir / "params.txt").string(), threads);
    const bool ok = run.ranToEnd;
    const double seconds = run.phase.seconds;
    const double wholeCpu = run.phase.processorSeconds;
    std::ifstream in(dir / "reads_Out.bin", std::ios::binary);
    const std::string output((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    const bool exact = output == expected;
    std::printf(
        "fReadsOutOfSeq end to end on %d threads: %.3f s (processor %.3f s; %s; %.2f M reads/s); "
        "peak memory %ld MiB\n",
        threads, seconds, wholeCpu, ok ? "ran to its end" : "failed", reads / seconds / 1e6,
        peakMemoryMiB());
    std::printf("output: %zu reads, %s\n", output.size() / (kReadLength + 1),
                exact ? "exactly the absent reads in order" : "NOT the absent reads");
    return ok && exact ? 0 : 1;
}
