// Times the preparation functions against zcat on the same gzip files.
//
// Writes a synthetic FASTQ.gz (default 10 million reads of 100 bases, one
// read in fifty holding an N; gzip level 1) and a FASTA.gz genome (default 100 million
// bases in lines of 60), then measures: `zcat FILE >/dev/null`, fPrepReads to
// letters and codes (both forms, N dropped), fPrepReads to letters only, and
// fPrepGenome to both forms; each with wall time, reads (or bases) per second
// and the factor over zcat. Peak memory is the process's at the end.
//
// Usage: prep_reads_bench [reads] [genome bases]
// Run it from the release build; its files go to a temporary folder.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#include "core/console.h"
#include "core/context.h"
#include "core/files.h"
#include "analyses.h"
#include "core/entry.h"
#include "support/bench_data.h"

namespace {

using namespace ruz;
using namespace ruz::bench;

// Compression level of the inputs: the fastest, so that making 10 million
// reads takes a minute or two; zcat and the preparations read the same file.
constexpr int kLevel = 1;

void writeFastqGz(const std::string& path, std::int64_t reads, int length) {
    gzFile out = gzopen(path.c_str(), ("wb" + std::to_string(kLevel)).c_str());
    gzbuffer(out, 1 << 20);
    std::mt19937_64 rng(2024);
    std::string record;
    for (std::int64_t r = 0; r < reads; ++r) {
        record = "@read" + std::to_string(r) + " synthetic\n";
        std::string bases = randomLetters(static_cast<std::size_t>(length), rng);
        if (r % 50 == 7) bases[static_cast<std::size_t>(rng() % length)] = 'N';
        record += bases;
        record += "\n+\n";
        for (int i = 0; i < length; ++i) record += static_cast<char>('#' + rng() % 40);
        record += '\n';
        gzwrite(out, record.data(), static_cast<unsigned>(record.size()));
    }
    gzclose(out);
}

void writeFastaGz(const std::string& path, std::int64_t bases) {
    gzFile out = gzopen(path.c_str(), ("wb" + std::to_string(kLevel)).c_str());
    gzbuffer(out, 1 << 20);
    std::mt19937_64 rng(99);
    gzputs(out, ">chrBench a synthetic genome\n");
    for (std::int64_t done = 0; done < bases; done += 60) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(60, bases - done));
        std::string line = randomLetters(n, rng) + "\n";
        gzwrite(out, line.data(), static_cast<unsigned>(line.size()));
    }
    gzclose(out);
}

std::string record(const std::string& name, const std::string& value) {
    return "c\nstr\n" + name + "\n" + value + "\n";
}

double timeZcat(const std::string& path) {
    const auto t = Clock::now();
    const std::string command = "zcat '" + path + "' >/dev/null";
    if (std::system(command.c_str()) != 0) std::cerr << "zcat failed\n";
    return secondsSince(t);
}

// Runs one preparation in this process with a silent console.
double timeRun(std::string_view function, const std::string& params) {
    const InProcessRun run = runInProcess(function, params);
    if (!run.ranToEnd) std::cerr << function << " failed\n";
    return run.phase.seconds;
}

void line(const char* what, double seconds, double items, const char* unit, double zcat) {
    std::printf("%-34s %8.2f s  %10.0f %s/s  %5.2f x zcat\n", what, seconds, items / seconds, unit,
                seconds / zcat);
}

}  // namespace

int main(int argc, char** argv) {
    const std::int64_t reads = argc > 1 ? std::stoll(argv[1]) : 10'000'000;
    const std::int64_t genomeBases = argc > 2 ? std::stoll(argv[2]) : 100'000'000;
    const ScratchDir scratch("prep_reads_bench");
    const std::string fastq = scratch.file("reads.fq.gz");
    const std::string fasta = scratch.file("genome.fa.gz");

    auto t = Clock::now();
    writeFastqGz(fastq, reads, 100);
    writeFastaGz(fasta, genomeBases);
    std::printf("inputs written in %.1f s: %lld reads of 100 bases (%.0f MB gzip), %lld genome bases\n",
                secondsSince(t), static_cast<long long>(reads),
                static_cast<double>(fileSize(fastq)) / 1e6, static_cast<long long>(genomeBases));

    const std::string both = scratch.file("params_both.txt");
    writeBytes(both, record("pthFastq", fastq) + record("diRes", scratch.path().string()) +
                         record("outName", "both") + record("outForm", "both") +
                         record("readsWithN", "drop"));
    const std::string letters = scratch.file("params_letters.txt");
    writeBytes(letters, record("pthFastq", fastq) + record("diRes", scratch.path().string()) +
                            record("outName", "letters") + record("outForm", "letter") +
                            record("readsWithN", "keep"));
    const std::string genome = scratch.file("params_genome.txt");
    writeBytes(genome, record("pthFasta", fasta) + record("diRes", scratch.path().string()) +
                           record("outName", "genome") + record("outForm", "both") +
                           record("nonAcgt", "refuse") + record("seqName", "blank"));

    const double zcatReads = timeZcat(fastq);
    const double zcatGenome = timeZcat(fasta);
    std::printf("%-34s %8.2f s  %10.0f reads/s\n", "zcat reads.fq.gz >/dev/null", zcatReads,
                static_cast<double>(reads) / zcatReads);
    line("fPrepReads, letters and codes", timeRun("fPrepReads", both), static_cast<double>(reads), "reads",
         zcatReads);
    line("fPrepReads, letters only", timeRun("fPrepReads", letters), static_cast<double>(reads), "reads",
         zcatReads);
    std::printf("peak memory after the reads: %ld MiB\n", peakMemoryMiB());
    std::printf("%-34s %8.2f s  %10.0f bases/s\n", "zcat genome.fa.gz >/dev/null", zcatGenome,
                static_cast<double>(genomeBases) / zcatGenome);
    line("fPrepGenome, letters and codes", timeRun("fPrepGenome", genome), static_cast<double>(genomeBases),
         "bases", zcatGenome);
    std::printf("peak memory after the genome: %ld MiB\n", peakMemoryMiB());
    return 0;
}
