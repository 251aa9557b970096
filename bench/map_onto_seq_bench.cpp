// Times fMapReadsOnToSeq as a user runs it (the built engine, bounds 20 and
// 50) on a random genome of 10 million bases and 1 million reads of 50 bases
// (70 % from the genome, half of them reverse-complemented; 30 % random).
//
// Usage: map_onto_seq_bench [genome length] [read count]
// Run it from the release build; it writes its inputs to a temporary folder.
#include <cstdio>
#include <string>

#include "mapping_bench_inputs.h"

int main(int argc, char** argv) {
    using namespace ruz::bench;
    MappingInputs in;
    if (argc > 1) in.genomeLength = std::stoll(argv[1]);
    if (argc > 2) in.reads = std::stoll(argv[2]);
    const ScratchDir scratch("map_onto_seq_bench");
    const auto& dir = scratch.path();
    writeMappingInputs(dir, in);
    const std::string params = writeMappingParameters(dir, "min\nint\nrMinSz\n20\nmax\nint\nrMaxSz\n50\n");

    const EngineRun run = runEngine(engineBeside(argv[0]), params, "fMapReadsOnToSeq", dir);
    printEngineRun("fMapReadsOnToSeq", in, run, genomeAndIndexSeconds(dir));
    std::printf("  reads_In.bin: %lld bytes\n  log:\n%s\n",
                static_cast<long long>(std::filesystem::file_size(dir / "reads_In.bin")),
                readWhole(dir / "reads_In[20-50]genome_Log.txt").c_str());
    return run.exitCode;
}
