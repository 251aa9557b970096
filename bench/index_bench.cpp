// Build time and memory of the k-mer index variants over a random genome of
// ten million bases (fixed seed, generated once), plus lookups in 16-Chain.
//
// Counters: bytes_per_position = memoryBytes() / positions indexed (for
// 12-RootChain both strands, 2L positions); positions_per_s = build rate.
//
// A build of 16-Chain over one hundred million positions runs only when
// asked for by name:  index_bench --benchmark_filter=100M
// The argument of every build (/1, /2) is its number of threads.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/genome.h"
#include "core/kmer_index.h"
#include "core/nucleotide.h"

namespace {

using ruz::Genome;
using ruz::GenomeForm;
using ruz::KmerIndex;
using ruz::Strand;

constexpr std::int32_t kGenomeLength = 10'000'000;
constexpr std::int32_t kLargeLength = 100'000'000;
constexpr std::int32_t kMargin = 15;  // enough for k = 16

// Random codes 0..3, thirty-two from every 64-bit draw.
std::vector<std::uint8_t> randomCodes(std::int32_t length, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::vector<std::uint8_t> codes(static_cast<std::size_t>(length));
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (i % 32 == 0) bits = rng();
        codes[i] = static_cast<std::uint8_t>(bits & 3);
        bits >>= 2;
    }
    return codes;
}

Strand codeStrand(const std::vector<std::uint8_t>& codes) {
    Strand strand(static_cast<std::int32_t>(codes.size()), 0, kMargin);
    for (std::size_t i = 0; i < codes.size(); ++i) strand[static_cast<std::int64_t>(i) + 1] = codes[i];
    strand.fillMargins();
    return strand;
}

// Upper strand as letters and its reverse complement as the lower strand.
Genome letterGenome(const std::vector<std::uint8_t>& codes) {
    static constexpr char kLetters[] = "ACGT";
    const auto length = static_cast<std::int32_t>(codes.size());
    Genome genome;
    genome.length = length;
    genome.upper = Strand(length, 0, kMargin);
    genome.lower = Strand(length, 0, kMargin);
    for (std::int32_t i = 1; i <= length; ++i) {
        const std::uint8_t code = codes[static_cast<std::size_t>(i) - 1];
        genome.upper[i] = static_cast<std::uint8_t>(kLetters[code]);
        genome.lower[length + 1 - i] = static_cast<std::uint8_t>(kLetters[3 - code]);
    }
    genome.upper.fillMargins();
    genome.lower.fillMargins();
    return genome;
}

const std::vector<std::uint8_t>& genomeCodes() {
    static const auto codes = randomCodes(kGenomeLength, 20240611);
    return codes;
}

const Strand& codeGenome() {
    static const Strand strand = codeStrand(genomeCodes());
    return strand;
}

const Genome& lettersGenome() {
    static const Genome genome = letterGenome(genomeCodes());
    return genome;
}

void reportBuild(benchmark::State& state, std::size_t bytes, std::int64_t positions) {
    state.counters["bytes_per_position"] =
        static_cast<double>(bytes) / static_cast<double>(positions);
    state.counters["positions_per_s"] = benchmark::Counter(
        static_cast<double>(positions), benchmark::Counter::kIsIterationInvariantRate);
}

// Builds one code-form variant per iteration; `build` returns the index.
template <typename Build>
void benchCodeVariant(benchmark::State& state, const Strand& strand, Build build) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto index = build(strand);
        if (!index) {
            state.SkipWithError("out of memory");
            return;
        }
        bytes = index->memoryBytes();
    }
    reportBuild(state, bytes, strand.length());
}

// The argument of each build is its number of threads.
void BM_BuildRoot8(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    benchCodeVariant(state, codeGenome(), [=](const Strand& s) {
        return ruz::buildRoot8(s, threads);
    });
}

void BM_Build12Upper(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    benchCodeVariant(state, codeGenome(), [=](const Strand& s) {
        return ruz::build12Upper(s, "\nno memory_PARTED", threads);
    });
}

void BM_Build16Chain(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    benchCodeVariant(state, codeGenome(), [=](const Strand& s) {
        return ruz::build16Chain(s, "\nno memory_16-Chain", threads);
    });
}

void BM_Build12RootChain(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    const Genome& genome = lettersGenome();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto chain = ruz::build12RootChain(genome, threads);
        if (!chain) {
            state.SkipWithError("out of memory");
            return;
        }
        bytes = chain->upper.memoryBytes() + chain->lower.memoryBytes();
    }
    reportBuild(state, bytes, 2 * std::int64_t{genome.length});
}

// Lookups of codes that occur, taken from random genome windows.
void BM_Lookup16Chain(benchmark::State& state) {
    const Strand& strand = codeGenome();
    const KmerIndex index(strand, 16, GenomeForm::Code);
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::int32_t> position(1, strand.length());
    std::vector<ruz::KmerCode> codes(4096);
    for (auto& code : codes) code = ruz::kmerCode(strand.origin() + position(rng), 16, ruz::codeOfCode);
    std::size_t next = 0;
    for (auto _ : state) {
        const auto found = index.positions(codes[next++ % codes.size()]);
        benchmark::DoNotOptimize(found.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// Opt-in: skipped unless the benchmark filter names it (see the top).
void BM_Build16Chain100M(benchmark::State& state) {
    if (benchmark::GetBenchmarkFilter().find("100M") == std::string::npos) {
        state.SkipWithError("opt-in: run with --benchmark_filter=100M");
        return;
    }
    const int threads = static_cast<int>(state.range(0));
    const Strand strand = codeStrand(randomCodes(kLargeLength, 100));
    benchCodeVariant(state, strand, [=](const Strand& s) {
        return ruz::build16Chain(s, "\nno memory_16-Chain", threads);
    });
}

}  // namespace

BENCHMARK(BM_BuildRoot8)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(2)->UseRealTime();
BENCHMARK(BM_Build12Upper)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(2)->UseRealTime();
BENCHMARK(BM_Build16Chain)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(2)->UseRealTime();
BENCHMARK(BM_Build12RootChain)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(2)->UseRealTime();
BENCHMARK(BM_Lookup16Chain);
// The large build needs a 100 MB genome and about 0.6 GB of index.
BENCHMARK(BM_Build16Chain100M)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(2)->Iterations(3)->UseRealTime();

BENCHMARK_MAIN();
