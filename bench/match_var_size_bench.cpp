// Times fMatchReadsT_VarSzO as a user runs it (the built engine) on a random
// genome and reads of which 70 % come from the genome (half of them
// reverse-complemented) and 30 % are random. By default 10 million bases and
// 1 million reads of 50 bases with the bounds 20 and 50; the large case is
//   match_var_size_bench 100000000 1000000 18 30
// (100 million bases, reads of 18 to 30 bases, bounds 18 and 30).
//
// Usage: match_var_size_bench [genome length] [read count] [min] [max]
// Run it from the release build; it writes its inputs (and the reports,
// about 12 bytes per position and strand) to a temporary folder.
#include <cstdio>
#include <string>

#include "mapping_bench_inputs.h"

int main(int argc, char** argv) {
    using namespace ruz::bench;
    MappingInputs in;
    int rMinSz = 20, rMaxSz = 50;
    if (argc > 1) in.genomeLength = std::stoll(argv[1]);
    if (argc > 2) in.reads = std::stoll(argv[2]);
    if (argc > 4) {
        rMinSz = in.minReadLength = std::stoi(argv[3]);
        rMaxSz = in.maxReadLength = std::stoi(argv[4]);
    }
    const ScratchDir scratch("match_var_size_bench");
    const auto& dir = scratch.path();
    writeMappingInputs(dir, in);
    const std::string params = writeMappingParameters(
        dir, "min\nint\nrMinSz\n" + std::to_string(rMinSz) + "\nmax\nint\nrMaxSz\n" + std::to_string(rMaxSz) + "\n");

    const EngineRun run = runEngine(engineBeside(argv[0]), params, "fMatchReadsT_VarSzO", dir);
    printEngineRun("fMatchReadsT_VarSzO", in, run, genomeAndIndexSeconds(dir, rMinSz < 16));
    const std::string stem = "reads[" + std::to_string(rMinSz) + "-" + std::to_string(rMaxSz) + "]genome_";
    std::uintmax_t reportBytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().filename().string().rfind(stem, 0) == 0) reportBytes += entry.file_size();
    std::printf("  reports and log: %.1f MB\n  log:\n%s\n", static_cast<double>(reportBytes) / 1e6,
                readWhole(dir / (stem + "Log.txt")).c_str());
    return run.exitCode;
}
