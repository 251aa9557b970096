// Times fMatchReadsT_VarSzParted end to end on the coded form of a random
// genome of 10 million bases and 1 million reads of 50 bases, 4000 of them
// planted circular permutations (cut between 12 and 38, half on each
// strand: each is a parted read), the rest exact, foreign and random reads;
// then checks which planted reads the report places.
//
// Usage: parted_reads_bench [genome length] [read count] [circle count] [folder]
// Run it from the release build; it writes its inputs to a temporary folder,
// or to `folder`, where they stay (with params.txt for the engine).
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "circular_bench_inputs.h"
#include "core/console.h"
#include "core/context.h"
#include "core/files.h"
#include "rna/parted_search.h"
#include "analyses.h"
#include "core/entry.h"

namespace {

using namespace ruz;
using namespace ruz::bench;

// The record positions of a parted report, per strand: the position lines
// are the lines of digits (with a sign when negative) below a strand's
// heading.
void readPositions(const std::string& path, std::vector<std::int64_t>& upper,
                   std::vector<std::int64_t>& lower) {
    std::istringstream in(readWhole(path));
    std::vector<std::int64_t>* list = &upper;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("lower strand", 0) == 0) list = &lower;
        if (!line.empty() && (line[0] == '-' || (line[0] >= '0' && line[0] <= '9')))
            list->push_back(std::stoll(line));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::int64_t length = argc > 1 ? std::stoll(argv[1]) : 10'000'000;
    const std::int64_t readCount = argc > 2 ? std::stoll(argv[2]) : 1'000'000;
    const std::int64_t circleCount = argc > 3 ? std::stoll(argv[3]) : 4'000;
    const BenchFolder scratch("parted_reads_bench", argc > 4 ? argv[4] : "");
    const std::string genomePath = scratch.file("genome.bin"),
                      readsPath = scratch.file("reads.bin");
    std::vector<PlantedCircle> circles;
    {
        CircularInputs in = makeCircularInputs(length, readCount, 50, circleCount);
        writeBytes(genomePath, toCodes(in.genome));
        writeReads(readsPath, in.reads, true);
        circles = std::move(in.circles);
    }
    writeParameters(scratch.file("params.txt"), {{"diRes", scratch.path().string()},
                                                 {"pthReads", readsPath},
                                                 {"pthGnm", genomePath},
                                                 {"rMinSz", "20"},
                                                 {"rMaxSz", "100"}});
    const Phase load = measure([&] {
        if (!parted::loadKeyedGenome(genomePath, GenomeCheck::Coded, 100)) std::exit(1);
    });
    const InProcessRun run = runInProcess("fMatchReadsT_VarSzParted", scratch.file("params.txt"));

    auto reloaded = parted::loadKeyedGenome(genomePath, GenomeCheck::Coded, 100);
    if (!reloaded) return 1;
    const auto& genome = *reloaded;
    double searchSeconds = 0;
    {
        // The per-read work alone, reads in memory: best of three rounds.
        const std::string reads = readWhole(readsPath);
        const parted::PartedSearch search(genome->genome.upper, *genome->index);
        parted::PartedPlacements placements;
        searchSeconds = bestTimeOverLines(reads, 3, [&](const char* line, std::size_t n) {
            search.search(reinterpret_cast<const std::uint8_t*>(line), n, placements);
        });
    }

    const std::string stem = scratch.file("reads[20-100]genome");
    std::vector<std::int64_t> upper, lower;
    readPositions(stem + "_Parted.txt", upper, lower);
    std::printf(
        "genome %lld bases, %lld reads of 50, %lld planted parted reads (cut 12..38, half on each "
        "strand)\n",
        static_cast<long long>(length), static_cast<long long>(readCount),
        static_cast<long long>(circles.size()));
    std::printf("coded genome + 12-mer index alone:    %.3f s (processor %.3f s), peak %ld MiB\n",
                load.seconds, load.processorSeconds, load.peakMiB);
    std::printf("per-read search alone, reads in memory: processor %.3f s (%.2f M reads/s)\n", searchSeconds,
                static_cast<double>(readCount) / searchSeconds / 1e6);
    std::printf(
        "fMatchReadsT_VarSzParted end to end:  %.3f s (processor %.3f s, %s), peak %ld MiB, %.2f M "
        "reads/s, %lld console bytes\n",
        run.phase.seconds, run.phase.processorSeconds, run.ranToEnd ? "ran to its end" : "failed", run.phase.peakMiB,
        static_cast<double>(readCount) / run.phase.seconds / 1e6, static_cast<long long>(run.consoleBytes));
    std::printf("planted reads placed: upper %.2f %%, lower %.2f %%\n",
                shareFound(circles, '+', upper), shareFound(circles, '-', lower));
    std::printf("log:\n%s\n", readWhole(stem + "_PartedLog.txt").c_str());
    return run.ranToEnd ? 0 : 1;
}
