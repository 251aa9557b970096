// fMapReadsOnToSeq end to end, with outputs worked out by hand.
//
// Genome (L = 295): D = the first 255 letters of the shift register (A and C
// only; every window of 8 or more letters occurs once in it), then
// T = the reverse complement of D[150..189] (G and T only) at 256..295.
// So a piece of D of 16 or more letters occurs on the upper strand at its own
// place only, and its reverse complement only inside T, when the piece lies
// in D[150..189]. D[p, n] below: n letters of D from position p.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mapping/coded_fixture.h"
#include "support/run_analysis.h"

namespace ruz {
namespace {

using test::codedLines;
using test::coded;
using test::reverseComplement;

const std::string kD = test::shiftRegisterLetters(255);
std::string D(int p, int n) { return kD.substr(static_cast<std::size_t>(p - 1), static_cast<std::size_t>(n)); }
const std::string kT = reverseComplement(D(150, 40));
const std::string kGenome = kD + kT;
// Genome letters from position p, n of them, continuing at the start past L.
std::string G(int p, int n) {
    return (kGenome + kGenome).substr(static_cast<std::size_t>(p - 1), static_cast<std::size_t>(n));
}

class MapOntoSeq : public ::testing::Test {
protected:
    void SetUp() override { run.genome(kGenome); }
    std::string log(const std::string& counts) const {
        return "program= fMapReadsOnToSeq\ngenome= " + run.path("genome.bin") +
               "\nreads= " + run.path("reads_In.bin") + "\nread size scope=[20,32]" + counts;
    }
    test::CodedRun run;
};

TEST_F(MapOntoSeq, LongestPieceOfEitherOrientationAsItStandsOnTheUpperStrand) {
    const std::string reads = codedLines({
        "GGG" + D(10, 30) + "GTT",                    // upper: D[10,30], 'G' ends it
        reverseComplement("TTT" + D(60, 35) + "G"),   // lower only: 35 > rMaxSz
        "GGG" + D(155, 30) + "GGG",                   // 30 on both strands: the read as it stands
        "GG" + D(154, 1) + D(155, 30) + "GGG",        // lower 31 (its base before agrees in T), upper 30
        "GGG" + G(286, 10) + G(1, 20) + "G",          // across the genome's end
        D(200, 28),                                   // 25 at most: not kept
        D(200, 29),                                   // 26 from D[203]: kept
        std::string(40, 'G'),                         // nowhere
        D(100, 18),                                   // too short for a key after three bases
        "GGG" + D(220, 30) + "\r",                    // a carriage return ends the piece
    });
    run.reads(reads);
    ASSERT_TRUE(run.run("fMapReadsOnToSeq", test::CodedRun::bounds(20, 32)));

    // The lower piece of read 4 is T's text from the place of comp(D[184]):
    // 256 + 5 = 261, that is the reverse complement of D[154..184].
    EXPECT_EQ(test::readFile(run.path("reads_In.bin")),
              codedLines({D(10, 30), D(60, 35), D(155, 30), reverseComplement(D(154, 31)),
                          G(286, 30), D(203, 26), D(220, 30)}));
    EXPECT_EQ(G(261, 31), reverseComplement(D(154, 31)));
    EXPECT_EQ(test::readFile(run.result("reads_In[20-32]genome_Log.txt")),
              log("\ninput reads= 10\nout of genome= 3\ninto genome= 7\nsum length=212"
                  "\nreadSz\tcases\n26\t1\n30\t4\n31\t1"));
    EXPECT_EQ(run.console.text(), "\nsaving the result");
    EXPECT_EQ(run.console.keyWaits(), 0);
}

TEST_F(MapOntoSeq, EmptyReadsFileGivesZeroCountsAndAnEmptyPieceFile) {
    run.reads("");
    ASSERT_TRUE(run.run("fMapReadsOnToSeq", test::CodedRun::bounds(20, 32)));
    EXPECT_EQ(test::readFile(run.path("reads_In.bin")), "");
    EXPECT_EQ(test::readFile(run.result("reads_In[20-32]genome_Log.txt")),
              log("\ninput reads= 0\nout of genome= 0\ninto genome= 0\nsum length=0\nreadSz\tcases"));
}

TEST_F(MapOntoSeq, LongLineEndsTheReadingAndTheRunFailsAfterItsReport) {
    run.reads(codedLines({"GGG" + D(10, 30), std::string(5120, 'A'), "GGG" + D(60, 30)}));
    EXPECT_FALSE(run.run("fMapReadsOnToSeq", test::CodedRun::bounds(20, 32)));
    EXPECT_EQ(test::readFile(run.path("reads_In.bin")), codedLines({D(10, 30)}));
    EXPECT_EQ(test::readFile(run.result("reads_In[20-32]genome_Log.txt")),
              log("\ninput reads= 1\nout of genome= 0\ninto genome= 1\nsum length=30"
                  "\nreadSz\tcases\n30\t1"));
    EXPECT_EQ(run.console.text(), "\nline 2 of " + run.path("reads.bin") +
                                      " is longer than 5119 characters: the reading stopped there"
                                      "\nsaving the result");
}

TEST_F(MapOntoSeq, PieceFileThatWouldReplaceAnInputEndsTheRunWithoutLog) {
    test::writeFile(run.path("reads_In.bin"), test::coded(kGenome));
    run.reads(codedLines({"GGG" + D(10, 30)}));
    EXPECT_FALSE(run.run("fMapReadsOnToSeq", test::CodedRun::bounds(20, 32) +
                                               test::record("pthGnm", run.path("reads_In.bin"))));
    EXPECT_EQ(run.console.text(), "\nresult file " + run.path("reads_In.bin") + " is an input of this run");
    EXPECT_EQ(test::readFile(run.path("reads_In.bin")), test::coded(kGenome));
    EXPECT_TRUE(std::filesystem::is_empty(run.path("res")));
}

TEST_F(MapOntoSeq, AResultFolderThatCannotTakeTheLogEndsTheRunWithoutACompanion) {
    run.reads(codedLines({"GGG" + D(10, 30)}));
    EXPECT_FALSE(run.run("fMapReadsOnToSeq", test::CodedRun::bounds(20, 32) +
                                               test::record("diRes", run.path("none"))));
    EXPECT_EQ(run.console.text(), "\ni can't open " + run.path("none") + platform::kPathSeparator +
                                      "reads_In[20-32]genome_Log.txt");
    EXPECT_EQ(run.console.keyWaits(), 1);
    EXPECT_EQ(run.dir.listing(), (std::vector<std::string>{"genome.bin", "params.txt", "reads.bin", "res"}))
        << "no companion beside the reads, no temporary file";
}

}  // namespace
}  // namespace ruz
