// Times RandExt on a random genome of 10 million bases and 1 million reads
// of 26 bases (immutSz 20, mutTipSz 6, misNu 2), phase by phase: genome and
// index, reads scan, report; then the whole analysis as the engine runs it.
//
// Usage: rand_ext_bench [genome length] [read count] [threads]
// Run it from the release build; it writes its inputs to a temporary folder.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#include "core/console.h"
#include "core/context.h"
#include "core/files.h"
#include "rna/replaced_end.h"
#include "analyses.h"
#include "core/entry.h"
#include "support/bench_data.h"

namespace {

using namespace ruz;
using namespace ruz::bench;
using namespace ruz::replaced_end;
namespace fs = std::filesystem;

// Reads: 60% taken from the genome (either strand) with a replaced tip, a
// tenth of them piled on a few thousand sites; 40% random.
void writeInputs(const fs::path& dir, std::int64_t length, std::int64_t reads) {
    std::mt19937_64 rng(12345);
    const char* bases = "ACGT";
    const std::string genome = randomLetters(static_cast<std::size_t>(length), rng);
    writeBytes((dir / "genome.txt").string(), genome);

    std::ofstream out(dir / "reads.txt", std::ios::binary);
    std::string read(26, 'A');
    std::uniform_int_distribution<std::int64_t> start(0, length - 27);
    for (std::int64_t r = 0; r < reads; ++r) {
        const auto kind = rng() % 10;
        if (kind < 6) {
            const std::int64_t p = kind == 0 ? static_cast<std::int64_t>(rng() % 3000) * 3001 % (length - 27)
                                             : start(rng);
            read.assign(genome, static_cast<std::size_t>(p), 26);
            if (rng() & 1) read = reverseComplement(read);
            for (int j = 20; j < 26; ++j) read[j] = bases[rng() & 3];
        } else {
            for (char& c : read) c = bases[rng() & 3];
        }
        out << read << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::int64_t length = argc > 1 ? std::stoll(argv[1]) : 10'000'000;
    const std::int64_t reads = argc > 2 ? std::stoll(argv[2]) : 1'000'000;
    const int threads = argc > 3 ? std::stoi(argv[3]) : 1;
    const ScratchDir scratch("rand_ext_bench");
    const fs::path& dir = scratch.path();
    writeInputs(dir, length, reads);

    std::ostringstream sink;
    Console console(sink, nullptr);
    RunContext context(console);
    context.threads = threads;
    const Sizes sizes{20, 6, 2};
    const std::string genomePath = (dir / "genome.txt").string();
    const std::string readsPath = (dir / "reads.txt").string();

    auto t = Clock::now();
    auto loaded = loadIndexedGenome(genomePath, sizes.readSize() - 1);
    const double buildSeconds = secondsSince(t);
    if (!loaded) {
        std::cerr << loaded.failure().message << '\n';
        return 1;
    }
    auto& genome = *loaded;
    auto files = RunFiles::create(directoryPrefix(dir.string()), (dir / "bench_20!6!2!").string(), {});
    if (!files) return 1;
    t = Clock::now();
    Task task[] = {{sizes, &*files, {}}};
    if (!scanReads(context, readsPath, *genome, task)) return 1;
    const Counters& counters = task[0].counters;
    const double scanSeconds = secondsSince(t);
    genome->index.reset();
    t = Clock::now();
    if (!writeReport(context, genome->genome, sizes, counters, *files,
                     {"Ruzovizu::fCutRnaWithReplacedEnd", genomePath, readsPath}))
        return 1;
    const double reportSeconds = secondsSince(t);
    genome.reset();

    std::printf("genome %lld bases, %lld reads of 26 (immutSz 20, mutTipSz 6, misNu 2), %d threads\n",
                static_cast<long long>(length), static_cast<long long>(reads), threads);
    std::printf("genome + 12-mer index, both strands: %.3f s (%.1f M positions/s)\n", buildSeconds,
                2.0 * length / buildSeconds / 1e6);
    std::printf("reads scan and placement:            %.3f s (%.2f M reads/s, %.2f us/read)\n",
                scanSeconds, reads / scanSeconds / 1e6, scanSeconds * 1e6 / reads);
    std::printf("report (sort, entropy, rows, log):   %.3f s; %lld site records, fell into genome %lld\n",
                reportSeconds, static_cast<long long>(counters.upperRecords + counters.lowerRecords),
                static_cast<long long>(counters.fellIntoGenome));

    // The whole analysis as the engine runs it.
    std::ofstream(dir / "params.txt")
        << "g\nfile\npthGnm\n" << genomePath << "\nr\nfile\npthReads\n" << readsPath
        << "\nd\ndir\ndiRes\n" << dir.string()
        << "\ne\nstr\nexperimentId\nbench\ni\nint\nimmutSz\n20\nm\nint\nmutTipSz\n6\nn\nint\nmisNu\n2\n";
    const InProcessRun run = runInProcess("RandExt", (dir / "params.txt").string(), threads);
    std::printf("RandExt end to end:                  %.3f s (%s); peak memory %ld MiB\n", run.phase.seconds,
                run.ranToEnd ? "ran to its end" : "failed", peakMemoryMiB());
    return run.ranToEnd ? 0 : 1;
}
