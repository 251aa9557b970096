// fMatchReadsT_VarSzParted end to end on the coded form of a 100-base
// genome, with reports worked out by hand from the per-read search.
//
// Genome (L = 100), by tens (written here in letters, stored as codes 0..3):
//    1 TTAGTTGTGC  11 CGCAGCGAAG  21 TAGTGCTTGA  31 AATATGCGAC  41 CCCTAAGTAG
//   51 GAGCGTATGC  61 GCCCAGTAAC  71 CAATGCCTGT  81 TGAGATGCCA  91 GACGCGTAAC
// Every 12-mer (also those across the end) occurs once, on one strand only.
// Reads, as genome positions (a..b inclusive):
//   P20 = 41..70 + 21..40  key at 41, head extension 18 (pos 71 C is not
//         pos 21 T), tail 20 = 21..40: record at 21, tail 20, extension 18
//   P4  = 25..70 + 21..24  key at 25, extension 34, tail 4: record at 21
//   PS  = 1..24 + 95..100  the genome's first 24 bases, then its last 6:
//         key at 1, extension 12, tail 6 from the front margin: record at -5
//   PL  = reverse complement of 66..81 + 52..65: its reverse complement has
//         the key at 66, extension 4, tail 14: lower-strand record at 52
//   T3  = 24..50 + 21..23  a tail of 3 bases: no record
//   W   = 1..30            found whole: no record
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/platform.h"
#include "support/run_analysis.h"
#include "support/test_files.h"

namespace ruz {
namespace {

// Letters to the bytes of a coded file (A = 0, C = 1, G = 2, T = 3).
const std::string kGenome =
    "TTAGTTGTGCCGCAGCGAAGTAGTGCTTGAAATATGCGACCCCTAAGTAGGAGCGTATGCGCCCAGTAACCAATGCCTGTTGAGATGCCA"
    "GACGCGTAAC";
const std::string P20 = test::coded("CCCTAAGTAGGAGCGTATGCGCCCAGTAACTAGTGCTTGAAATATGCGAC");
const std::string P4 = test::coded("GCTTGAAATATGCGACCCCTAAGTAGGAGCGTATGCGCCCAGTAACTAGT");
const std::string PS = test::coded("TTAGTTGTGCCGCAGCGAAGTAGTCGTAAC");
const std::string PL = test::coded("TGGGCGCATACGCTAACAGGCATTGGTTAC");
const std::string T3 = test::coded("TGCTTGAAATATGCGACCCCTAAGTAGTAG");
const std::string W = test::coded("TTAGTTGTGCCGCAGCGAAGTAGTGCTTGA");
// Segment texts: tail and head extension in lower case, key in upper case.
const std::string kP20Text = "tagtgcttgaaatatgcgacCCCTAAGTAGGAgcgtatgcgcccagtaac";
const std::string kPLText = "agcgtatgcgcccaGTAACCAATGCCtgtt";

class PartedReadsRun : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeFile(genomePath(), test::coded(kGenome));
        stem = dir.path().string() + platform::kPathSeparator + "reads[10-60]genome";
    }
    std::string genomePath() const { return dir.file("genome.bin"); }
    std::string readsPath() const { return dir.file("reads.bin"); }

    bool run(const std::string& reads, const std::string& parameterName = "params.txt",
             const std::string& maxSz = "60", const std::string& more = {}) {
        test::writeFile(readsPath(), reads);
        test::writeFile(dir.file(parameterName), test::record("diRes", dir.path().string(), "dir") +
                                                     test::record("pthReads", readsPath(), "file") +
                                                     test::record("pthGnm", genomePath(), "file") +
                                                     test::record("rMinSz", "10", "int") +
                                                     test::record("rMaxSz", maxSz, "int") + more);
        RunContext context(rec.console());
        return test::runAnalysis(context, "fMatchReadsT_VarSzParted", dir.file(parameterName));
    }
    std::string log(long input, long processed, long upper, long lower) const {
        return "program= Ruzovizu::fMatchReadsT_VarSzParted1\ngenome= " + genomePath() +
               "\nreads= " + readsPath() +
               "\nuser reads size scope=[10,60]\ninput reads= " + std::to_string(input) +
               "\nprocessed= " + std::to_string(processed) +
               "\nreads on upper strand= " + std::to_string(upper) +
               "\nreads on lower strand= " + std::to_string(lower);
    }
    // The console of a run that read `lines` lines to the end.
    static std::string console(int lines) {
        std::string text = "\nseaching parted reads";
        for (int i = 1; i <= lines; ++i) text += std::to_string(i) + "\n";
        return text + "\nsavig log-file\nsorting...\nsaving...";
    }

    test::TempDir dir;
    RecordingConsole rec;
    std::string stem;
};

TEST_F(PartedReadsRun, RecordsOnBothStrandsAcrossTheStartAndSeveralUnderOnePosition) {
    std::string withNonCode = P20;
    withNonCode[3] = 4;  // inside the key: never placed, although 4 would index like T
    const std::string reads = P20 + "\n" + P20 + "\n" + P4 + "\n" + PS + "\n" + PL + "\n" +
                              W + "\n" +
                              test::coded("TTAGTTGTGCCGCA") + "\n" +  // 14 bases: processed, cannot part
                              test::coded("TTAGTTGT") + "\n" +        // 8 bases: outside the bounds
                              withNonCode + "\n" +
                              "\n" +                            // empty: outside the bounds
                              T3;                               // last line without line feed
    ASSERT_TRUE(run(reads));
    EXPECT_EQ(test::readFile(stem + "_PartedLog.txt"), log(11, 9, 4, 1));
    EXPECT_EQ(test::readFile(stem + "_Parted.txt"),
              "upper strand\t4"
              "\n-5\ncgtaacTTAGTTGTGCCGcagcgaagtagt"
              "\n21\ntagtGCTTGAAATATGcgacccctaagtaggagcgtatgcgcccagtaac"
              "\n" + kP20Text +
              "\n" + kP20Text +
              "\n\nlower strand\t1"
              "\n52\n" + kPLText);
    EXPECT_EQ(rec.text(), console(11));
    EXPECT_EQ(rec.keyWaits(), 0);
    EXPECT_EQ(dir.listing(), (std::vector<std::string>{"genome.bin", "params.txt", "reads.bin",
                                                       "reads[10-60]genome_Parted.txt",
                                                       "reads[10-60]genome_PartedLog.txt"}))
        << "no temporary file stays";
}

// The placements of the first test as BED12, tail block then head block:
// PS (record -5, tail 6, extension 12) has its tail at 95..100 and its head
// at 1..24, blocks [0, 24) and [94, 100) of a line over the whole genome;
// P4 [20, 24) + [24, 70); P20 twice [20, 40) + [40, 70); PL on "-"
// [51, 65) + [65, 81). Lines by start and end, P4 before P20 as sorted.
TEST_F(PartedReadsRun, TracksGiveEachPlacementAsTwoBlocksSplitAtTheOrigin) {
    const std::string reads = P20 + "\n" + P20 + "\n" + P4 + "\n" + PS + "\n" + PL + "\n";
    ASSERT_TRUE(run(reads, "params.txt", "60", test::record("tracks", "yes", "str"))) << rec.text();
    EXPECT_EQ(test::readFile(stem + "_Parted.bed"),
              "track name=\"fMatchReadsT_VarSzParted placements reads\" description=\"fMatchReadsT_VarSzParted "
              "reads rMinSz=10 rMaxSz=60 on genome\" useScore=1\n"
              "genome\t0\t100\t1\t500\t+\t0\t100\t0\t2\t24,6,\t0,94,\n"
              "genome\t20\t70\t1\t500\t+\t20\t70\t0\t2\t4,46,\t0,4,\n"
              "genome\t20\t70\t2\t1000\t+\t20\t70\t0\t2\t20,30,\t0,20,\n"
              "genome\t51\t81\t1\t500\t-\t51\t81\t0\t2\t14,16,\t0,14,\n");
    EXPECT_EQ(rec.text(), console(5) +
                              "\ntracks: the sequence is named genome after the genome file; give seqName, or "
                              "prepare the genome with fPrepGenome, to name it as its FASTA record");
}

TEST_F(PartedReadsRun, TailsAndExtensionsLongerThan127BasesKeepTheirLengths) {
    // A 400-base genome from a fixed generator; the read 211..350 + 51..210
    // has its key at 211, a head extension of 128 (pos 351 differs from pos
    // 51) and a tail of 160: record at 51.
    const test::FixedGenome fixed(400);
    const std::string& genome = fixed.bases;
    const auto span = [&fixed](int a, int b) { return fixed.span(a, b); };
    const auto lower = [&fixed](int a, int b) { return fixed.lower(a, b); };
    ASSERT_NE(span(351, 351), span(51, 51));
    test::writeFile(genomePath(), test::coded(genome));
    ASSERT_TRUE(run(test::coded(span(211, 350) + span(51, 210)), "params.txt", "300"));
    EXPECT_EQ(test::readFile(dir.path().string() + platform::kPathSeparator +
                             "reads[10-300]genome_Parted.txt"),
              "upper strand\t1\n51\n" + lower(51, 210) + span(211, 222) + lower(223, 350) +
                  "\n\nlower strand\t0");
}

TEST_F(PartedReadsRun, NoPartedReadGivesTheTwoHeadingsOnly) {
    ASSERT_TRUE(run(W + "\n" + T3 + "\n"));
    EXPECT_EQ(test::readFile(stem + "_PartedLog.txt"), log(2, 2, 0, 0));
    EXPECT_EQ(test::readFile(stem + "_Parted.txt"), "upper strand\t0\n\nlower strand\t0");
}

TEST_F(PartedReadsRun, TheLowerListGrowsPast10000AndTheUpperCountStopsTheReading) {
    // 10001 lower-strand records first, then one upper record a read: the
    // 9996th upper record stops the reading; the last line is never read.
    std::string reads;
    for (int i = 0; i < 10001; ++i) reads += PL + "\n";
    for (int i = 0; i < 9997; ++i) reads += P20 + "\n";
    ASSERT_TRUE(run(reads));
    EXPECT_EQ(test::readFile(stem + "_PartedLog.txt"), log(19997, 19997, 9996, 10001));
    std::string expected = "upper strand\t9996\n21";
    for (int i = 0; i < 9996; ++i) expected += "\n" + kP20Text;
    expected += "\n\nlower strand\t10001\n52";
    for (int i = 0; i < 10001; ++i) expected += "\n" + kPLText;
    EXPECT_EQ(test::readFile(stem + "_Parted.txt"), expected);
    EXPECT_EQ(rec.text(), console(19997));
}

TEST_F(PartedReadsRun, ALongLineEndsTheReadingWithAReportOfTheReadsBeforeAndAFailure) {
    EXPECT_FALSE(run(P20 + "\n" + std::string(5120, '\1') + "\n" + P4 + "\n"));
    EXPECT_EQ(test::readFile(stem + "_PartedLog.txt"), log(1, 1, 1, 0));
    EXPECT_EQ(test::readFile(stem + "_Parted.txt"),
              "upper strand\t1\n21\n" + kP20Text + "\n\nlower strand\t0");
    EXPECT_EQ(rec.text(), "\nseaching parted reads1\n\nline 2 of " + readsPath() +
                              " is longer than 5119 characters: the reading stopped there"
                              "\nsavig log-file\nsorting...\nsaving...");
}

TEST_F(PartedReadsRun, ALogThatWouldReplaceAnInputEndsTheRunBeforeAnyFile) {
    // The parameter file bears the log's name: the log is refused before
    // the genome is read, and the report does not land without it.
    EXPECT_FALSE(run(P20 + "\n", "reads[10-60]genome_PartedLog.txt"));
    EXPECT_FALSE(test::exists(stem + "_Parted.txt"));
    EXPECT_EQ(rec.text(), "\nresult file " + stem + "_PartedLog.txt is an input of this run");
}

TEST_F(PartedReadsRun, GenomeAndReadsFailuresLeaveNoFile) {
    struct Case {
        const char* what;
        std::string genome;  // coded genome contents; "-" for none
        bool readsFile;
        std::string console;  // @ is the test folder + separator
    };
    const Case cases[] = {
        {"byte above 3 in the genome", test::coded("TTAGTT") + "\4" + test::coded("GTGCCGCAGCG"), true,
         "\ngenome: position = 7 non-code byte = 4"},
        {"no reads file", test::coded(kGenome), false, "\ni can't open\n@reads.bin"},
    };
    const std::string folder = dir.path().string() + platform::kPathSeparator;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove(genomePath().c_str());
        std::remove(readsPath().c_str());
        if (c.genome != "-") test::writeFile(genomePath(), c.genome);
        if (c.readsFile) test::writeFile(readsPath(), P20 + "\n");
        test::writeFile(dir.file("params.txt"), test::record("diRes", dir.path().string()) +
                                                    test::record("pthReads", readsPath()) +
                                                    test::record("pthGnm", genomePath()) +
                                                    test::record("rMinSz", "10") +
                                                    test::record("rMaxSz", "60"));
        RecordingConsole fresh;
        RunContext context(fresh.console());
        EXPECT_FALSE(test::runAnalysis(context, "fMatchReadsT_VarSzParted", dir.file("params.txt")));
        std::string expected = c.console;
        if (const auto at = expected.find('@'); at != std::string::npos)
            expected.replace(at, 1, folder);
        EXPECT_EQ(fresh.text(), expected);
        EXPECT_EQ(fresh.keyWaits(), 1);
        for (const std::string& name : dir.listing())
            EXPECT_EQ(name.find("reads["), std::string::npos) << name;
        for (const std::string& name : dir.listing())
            EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace ruz
