// Every analysis run by the built engine on 1, 2 and 3 threads must give
// the same console text and the same files, byte for byte. The inputs mix
// what makes the order of the work matter: many batches of reads, reads
// placed many times and on equal keys, reads on both strands, defective and
// out-of-range reads, and more than 9995 parted (circularly permuted) reads
// on the upper strand, so that the record stop falls in the middle of the
// reads file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "analyses.h"
#include "support/test_files.h"

namespace ruz {
namespace {

namespace fs = std::filesystem;
using test::shellQuoted;

// The inputs, letters and codes, written into every run's folder.
struct Inputs {
    std::string genome;
    std::vector<std::string> reads;  // letters; some hold N
};

Inputs makeInputs() {
    std::mt19937 rng(2024);
    const auto base = [&] { return "ACGT"[rng() & 3]; };
    Inputs in;
    in.genome.resize(20000);
    for (char& c : in.genome) c = base();
    const auto window = [&](std::size_t at, std::size_t n) {
        std::string w;
        for (std::size_t i = 0; i < n; ++i) w += in.genome[(at + i) % in.genome.size()];
        return w;
    };
    const auto anywhere = [&] { return rng() % in.genome.size(); };
    for (int i = 0; i < 30000; ++i) {
        const int kind = static_cast<int>(rng() % 10);
        std::string read;
        if (kind < 4) {  // a permuted segment: head at p, tail just before it
            const std::size_t p = anywhere(), head = 14 + rng() % 20, tail = 4 + rng() % 10;
            read = window(p, head) + window(p + in.genome.size() - tail, tail);
        } else if (kind < 6) {  // a copy, from a few sites, either strand
            const std::size_t at = (rng() % 50) * 397;
            read = window(at, 20 + rng() % 3 * 10);
            if (rng() & 1) read = test::reverseComplement(read);
        } else if (kind < 8) {  // a copy with a replaced tip, of 20 and of 26 letters
            const std::size_t immutable = kind == 6 ? 14 : 20;
            read = window(anywhere() % 200 * 97, immutable + 6);
            for (std::size_t j = immutable; j < read.size(); ++j) read[j] = base();
        } else if (kind == 8) {  // short or random
            read.resize(5 + rng() % 40);
            for (char& c : read) c = base();
        } else {  // defective
            read = window(anywhere(), 25);
            read[rng() % read.size()] = 'N';
        }
        in.reads.push_back(read);
    }
    return in;
}

void writeInputs(const fs::path& dir, const Inputs& in) {
    std::string letters, letters2, coded, coded2;
    for (std::size_t i = 0; i < in.reads.size(); ++i) {
        const std::string& r = in.reads[i];
        letters += r + (i % 11 == 0 ? "\r\n" : "\n");
        if (r.find('N') != std::string::npos) continue;
        (i % 2 ? coded2 : coded) += test::coded(r) + "\n";
        if (i % 3 == 0) letters2 += r + "\n";
    }
    test::writeFile((dir / "g.txt").string(), in.genome);
    test::writeFile((dir / "g.bin").string(), test::coded(in.genome));
    test::writeFile((dir / "r.txt").string(), letters);
    test::writeFile((dir / "r.bin").string(), coded);
    test::writeFile((dir / "r2.bin").string(), coded2);
    test::writeFile((dir / "list.txt").string(), "r.bin\r\n\nr2.bin\n");
    test::writeFile((dir / "tasks.txt").string(),
                    "Task list\n\n\n\n\n\nt\nimmutSz\tmutTipSz\tmisNu\n14\t6\t1\n12\t8\t2\n"
                    "16\t4\t1\n20\t10\t1\n");
    fs::create_directory(dir / "res");
}

// The FASTA and FASTQ forms of the inputs, for the preparation functions.
void writeSequenceFiles(const fs::path& dir, const Inputs& in) {
    std::string fasta = ">g test genome\n", fastq;
    for (std::size_t i = 0; i < in.genome.size(); i += 70) fasta += in.genome.substr(i, 70) + "\n";
    for (std::size_t i = 0; i < in.reads.size(); ++i)
        fastq += "@r" + std::to_string(i) + "\n" + in.reads[i] + "\n+\n" + std::string(in.reads[i].size(), 'I') + "\n";
    test::writeFile((dir / "g.fa").string(), fasta);
    test::writeFile((dir / "r.fq").string(), fastq);
}

// Every analysis of the engine's table.
std::vector<std::string> everyAnalysis() {
    std::vector<std::string> names;
    for (const AnalysisInfo* a : analysisTable()) names.emplace_back(a->name);
    return names;
}

// Every file of a folder and its subfolders, by relative path.
std::map<std::string, std::string> filesOf(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), dir).string()] = test::readFile(entry.path().string());
    return files;
}

// One test an analysis, so that each takes seconds on a quiet machine. Its
// parameter file is its template with the values of the test inputs put
// in (tests/data/parameter_values.txt), paths relative to the run's
// folder, so the logs that name them are alike in every folder. The runs
// write their tracks too (--tracks): they do not depend on the threads
// either.
class Threads : public ::testing::TestWithParam<std::string> {};

TEST_P(Threads, SameOutputsOnOneTwoAndThreeThreads) {
    static const Inputs inputs = makeInputs();
    const std::string& function = GetParam();
    test::TempDir scratch;
    std::map<std::string, std::string> firstFiles;
    std::string firstConsole;
    for (const int threads : {1, 2, 3}) {
        test::TempDir dir;
        writeInputs(dir.path(), inputs);
        writeSequenceFiles(dir.path(), inputs);
        const auto filled = test::runCommand(
            shellQuoted(RUZ_SOURCE_DIR "/scripts/fill-params.sh") + " " + shellQuoted(RUZ_ENGINE_EXE) + " " +
                function + " " + shellQuoted(RUZ_SOURCE_DIR "/tests/data/parameter_values.txt") + " . " +
                shellQuoted(dir.file("p.txt")),
            scratch);
        ASSERT_EQ(filled.exitCode, 0) << filled.err;
        const auto r = test::runCommand("cd " + shellQuoted(dir.path().string()) + " && " +
                                            shellQuoted(RUZ_ENGINE_EXE) + " --tracks --threads " +
                                            std::to_string(threads) +
                                            " p.txt " + function,
                                        scratch);
        EXPECT_EQ(r.exitCode, 0) << r.out;
        EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
        const auto files = filesOf(dir.path());
        if (threads == 1) {
            firstFiles = files;
            firstConsole = r.out;
            EXPECT_GT(filesOf(dir.path() / "res").size(), 0u) << "the run writes results";
            continue;
        }
        EXPECT_EQ(r.out, firstConsole) << threads << " threads";
        ASSERT_EQ(files.size(), firstFiles.size()) << threads << " threads";
        for (const auto& [name, content] : firstFiles) {
            ASSERT_TRUE(files.count(name)) << name;
            EXPECT_TRUE(files.at(name) == content) << name << " differs on " << threads << " threads";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryAnalysis, Threads, ::testing::ValuesIn(everyAnalysis()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace ruz
