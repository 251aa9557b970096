// Times fMapReadsOneInSeq as a user runs it (the built engine) on a random
// genome of 10 million bases and 1 million reads of 50 bases (70 % from the
// genome, half of them reverse-complemented; 30 % random).
//
// Usage: map_one_in_seq_bench [genome length] [read count]
// Run it from the release build; it writes its inputs to a temporary folder.
#include <cstdio>
#include <string>

#include "mapping_bench_inputs.h"

int main(int argc, char** argv) {
    using namespace ruz::bench;
    MappingInputs in;
    if (argc > 1) in.genomeLength = std::stoll(argv[1]);
    if (argc > 2) in.reads = std::stoll(argv[2]);
    const ScratchDir scratch("map_one_in_seq_bench");
    const auto& dir = scratch.path();
    writeMappingInputs(dir, in);
    const std::string params = writeMappingParameters(dir, "");

    const EngineRun run = runEngine(engineBeside(argv[0]), params, "fMapReadsOneInSeq", dir);
    printEngineRun("fMapReadsOneInSeq", in, run, genomeAndIndexSeconds(dir));
    std::printf("  cluster report: %lld bytes\n  log:\n%s\n",
                static_cast<long long>(std::filesystem::file_size(dir / "reads[One]genome_Clust.txt")),
                readWhole(dir / "reads[One]genome_Log.txt").c_str());
    return run.exitCode;
}
