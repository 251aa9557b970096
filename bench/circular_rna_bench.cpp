// Times fIdentifyCircularRna end to end on a random genome of 10 million
// bases and 1 million reads of 50 bases, 4000 of them planted circular
// permutations (cut between 12 and 38, half on each strand), the rest
// exact, foreign and random reads; then checks which planted circles the
// report explains.
//
// Usage: circular_rna_bench [genome length] [read count] [circle count] [folder]
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
#include "rna/circular_search.h"
#include "rna/parted_search.h"
#include "analyses.h"
#include "core/entry.h"

namespace {

using namespace ruz;
using namespace ruz::bench;

struct ReportStarts {
    std::string header;
    std::vector<std::int64_t> upper;
    std::vector<std::int64_t> lower;
};

// The header and the record starts of a circular report ("+start\t..." or
// "+\tstart\t..." lines, and the same with '-').
ReportStarts readReport(const std::string& path) {
    std::istringstream in(readWhole(path));
    ReportStarts r;
    std::string line;
    bool records = false;
    while (std::getline(in, line)) {
        if (!records) {
            r.header += line + '\n';
            records = line == "possible cycled Rna";
            continue;
        }
        const std::size_t at = line[1] == '\t' ? 2 : 1;
        (line[0] == '+' ? r.upper : r.lower).push_back(std::stoll(line.substr(at)));
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const std::int64_t length = argc > 1 ? std::stoll(argv[1]) : 10'000'000;
    const std::int64_t readCount = argc > 2 ? std::stoll(argv[2]) : 1'000'000;
    const std::int64_t circleCount = argc > 3 ? std::stoll(argv[3]) : 4'000;
    const BenchFolder scratch("circular_rna_bench", argc > 4 ? argv[4] : "");
    const std::string genomePath = scratch.file("genome.txt"),
                      readsPath = scratch.file("reads.txt");
    std::vector<PlantedCircle> circles;
    {
        CircularInputs in = makeCircularInputs(length, readCount, 50, circleCount);
        writeBytes(genomePath, in.genome);
        writeReads(readsPath, in.reads, false);
        circles = std::move(in.circles);
    }
    writeParameters(scratch.file("params.txt"), {{"diRes", scratch.path().string()},
                                                 {"pthGnm", genomePath},
                                                 {"pthReads", readsPath},
                                                 {"rMinSz", "20"},
                                                 {"rMaxSz", "100"}});
    const Phase load = measure([&] {
        if (!parted::loadKeyedGenome(genomePath, GenomeCheck::KindA, 100)) std::exit(1);
    });
    const InProcessRun run = runInProcess("fIdentifyCircularRna", scratch.file("params.txt"));

    auto reloaded = parted::loadKeyedGenome(genomePath, GenomeCheck::KindA, 100);
    if (!reloaded) return 1;
    const auto& genome = *reloaded;
    double searchSeconds = 0;
    {
        // The per-read work alone, reads in memory: best of three rounds.
        const std::string reads = readWhole(readsPath);
        const circular::CircularSearch search(genome->genome.upper, *genome->index, 20, 100);
        circular::CircularOutcome outcome;
        searchSeconds = bestTimeOverLines(reads, 3, [&](const char* line, std::size_t n) {
            search.examine(line, n, outcome);
        });
    }

    const ReportStarts report = readReport(scratch.file("reads_RCircular.txt"));
    std::printf(
        "genome %lld bases, %lld reads of 50, %lld planted circles (cut 12..38, half on each "
        "strand)\n",
        static_cast<long long>(length), static_cast<long long>(readCount),
        static_cast<long long>(circles.size()));
    std::printf("letter genome + 12-mer index alone:   %.3f s (processor %.3f s), peak %ld MiB\n",
                load.seconds, load.processorSeconds, load.peakMiB);
    std::printf("per-read search alone, reads in memory: processor %.3f s (%.2f M reads/s)\n", searchSeconds,
                static_cast<double>(readCount) / searchSeconds / 1e6);
    std::printf(
        "fIdentifyCircularRna end to end:      %.3f s (processor %.3f s, %s), peak %ld MiB, %.2f M "
        "reads/s\n",
        run.phase.seconds, run.phase.processorSeconds, run.ranToEnd ? "ran to its end" : "failed", run.phase.peakMiB,
        static_cast<double>(readCount) / run.phase.seconds / 1e6);
    std::printf("planted circles reported: (+) %.2f %%, (-) %.2f %%\n",
                shareFound(circles, '+', report.upper), shareFound(circles, '-', report.lower));
    std::printf("report header:\n%s", report.header.c_str());
    return run.ranToEnd ? 0 : 1;
}
