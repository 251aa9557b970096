// Times fMatchReadsT_VarSzPartedRate end to end on the coded form of a
// random genome of 10 million bases and 1 million reads of 50 bases split
// into four reads files, 4000 of the reads planted parted reads (cut
// between 12 and 38, half on each strand), the rest exact, foreign and
// random reads.
//
// Usage: parted_rating_bench [genome length] [read count] [circle count] [files] [folder]
// Run it from the release build; it writes its inputs to a temporary folder,
// or to `folder`, where they stay (with params.txt for the engine).
#include <cstdio>
#include <string>
#include <vector>

#include "circular_bench_inputs.h"
#include "core/console.h"
#include "core/context.h"
#include "analyses.h"
#include "core/entry.h"

int main(int argc, char** argv) {
    using namespace ruz;
    using namespace ruz::bench;
    const std::int64_t length = argc > 1 ? std::stoll(argv[1]) : 10'000'000;
    const std::int64_t readCount = argc > 2 ? std::stoll(argv[2]) : 1'000'000;
    const std::int64_t circleCount = argc > 3 ? std::stoll(argv[3]) : 4'000;
    const std::int64_t files = argc > 4 ? std::stoll(argv[4]) : 4;
    const BenchFolder scratch("parted_rating_bench", argc > 5 ? argv[5] : "");
    const std::string genomePath = scratch.file("genome.bin");
    {
        CircularInputs in = makeCircularInputs(length, readCount, 50, circleCount);
        writeBytes(genomePath, toCodes(in.genome));
        std::string list;
        const auto share = static_cast<std::size_t>((readCount + files - 1) / files);
        for (std::int64_t f = 0; f < files; ++f) {
            const std::string name = "reads" + std::to_string(f + 1) + ".bin";
            writeReads(scratch.file(name), in.reads, true, static_cast<std::size_t>(f) * share,
                       static_cast<std::size_t>(f + 1) * share);
            list += name + "\n";
        }
        writeBytes(scratch.file("list.txt"), list);
    }
    writeParameters(scratch.file("params.txt"), {{"diRes", scratch.path().string()},
                                                 {"diReads", scratch.path().string()},
                                                 {"pthList", scratch.file("list.txt")},
                                                 {"pthGnm", genomePath},
                                                 {"rMinSz", "20"},
                                                 {"rMaxSz", "100"}});
    const InProcessRun run = runInProcess("fMatchReadsT_VarSzPartedRate", scratch.file("params.txt"));

    const std::string log = readWhole(scratch.file("_RatingLog.txt"));
    std::int64_t rated = 0;
    for (const char c : log) rated += c == '\n';
    rated -= 4;  // the head's line feeds
    std::printf("genome %lld bases, %lld reads of 50 in %lld files, %lld planted parted reads\n",
                static_cast<long long>(length), static_cast<long long>(readCount),
                static_cast<long long>(files), static_cast<long long>(circleCount));
    std::printf(
        "fMatchReadsT_VarSzPartedRate end to end: %.3f s (processor %.3f s, %s), peak %ld MiB, "
        "%.2f M reads/s, %lld rated positions\n",
        run.phase.seconds, run.phase.processorSeconds, run.ranToEnd ? "ran to its end" : "failed", run.phase.peakMiB,
        static_cast<double>(readCount) / run.phase.seconds / 1e6, static_cast<long long>(rated));
    return run.ranToEnd ? 0 : 1;
}
