// fMapReadsOneInSeq end to end, with reports worked out by hand.
//
// Genome (L = 295): D = the first 255 letters of the shift register (A and C
// only; every window of 8 or more letters occurs once in it), then a second
// copy of D[200..239] at 256..295. D[p, n] below: n letters of D from p.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mapping/coded_fixture.h"
#include "support/run_analysis.h"

namespace ruz {
namespace {

using test::codedLines;
using test::reverseComplement;

const std::string kD = test::shiftRegisterLetters(255);
std::string D(int p, int n) { return kD.substr(static_cast<std::size_t>(p - 1), static_cast<std::size_t>(n)); }
const std::string kGenome = kD + D(200, 40);
const std::string kHeader = "\nclPos\tclEnd\tclLength\tgap";

class MapOneInSeq : public ::testing::Test {
protected:
    void SetUp() override { run.genome(kGenome); }
    std::string log(const std::string& counts) const {
        return "program= fMapReadsOneInSeq\ngenome= " + run.path("genome.bin") +
               "\nreads= " + run.path("reads.bin") + counts;
    }
    std::string clusters() const { return test::readFile(run.result("reads[One]genome_Clust.txt")); }
    test::CodedRun run;
};

TEST_F(MapOneInSeq, ReadsFoundOnceFormClustersAndReadsFoundTwiceGoToMany) {
    run.reads(codedLines({
        D(100, 30),                          // once at 100
        D(120, 30),                          // once at 120: overlaps, one cluster 100..149
        D(150, 30),                          // once at 150: touches 150, a new cluster, gap 1
        D(205, 30),                          // at 205 and at 261: many
        D(60, 16),                           // 16 bases: once at 60
        D(60, 15),                           // shorter than 16: out
        reverseComplement(D(30, 30)),        // lower strand only: out
        D(10, 16) + "G" + D(27, 14),         // its key occurs, the read not in full: out
        kGenome.substr(285) + kD.substr(0, 20),  // 286..295 and 1..20: once at 286
        D(100, 30),                          // once at 100 again
    }));
    ASSERT_TRUE(run.run("fMapReadsOneInSeq"));
    EXPECT_EQ(test::readFile(run.path("readsMany.bin")), codedLines({D(205, 30)}));
    EXPECT_EQ(clusters(), kHeader +
                              "\n60\t75\t16"
                              "\n100\t149\t50\t25"
                              "\n150\t179\t30\t1"
                              "\n286\t315\t30\t107");
    EXPECT_EQ(test::readFile(run.result("reads[One]genome_Log.txt")),
              log("\ninput reads= 10\nout of genome= 3\nLoc once= 6\nLoc many= 1\nLoc many sum length=30"));
    EXPECT_EQ(run.console.text(), "\nsaving the result");
    EXPECT_EQ(run.dir.listing(),
              (std::vector<std::string>{"genome.bin", "params.txt", "reads.bin", "readsMany.bin", "res"}));
}

// The clusters of the test above as a track: cluster a..b is [a - 1, b);
// cl4 (286..315) runs over the end into [285, 295) and [0, 20).
TEST_F(MapOneInSeq, TracksGiveTheClustersSplitAtTheOrigin) {
    run.reads(codedLines({D(100, 30), D(120, 30), D(150, 30), D(60, 16), kGenome.substr(285) + kD.substr(0, 20)}));
    ASSERT_TRUE(run.run("fMapReadsOneInSeq", test::record("tracks", "yes", "str") +
                                                 test::record("seqName", "chrD", "str")));
    EXPECT_EQ(test::readFile(run.result("reads[One]genome_Clust.bed")),
              "track name=\"fMapReadsOneInSeq clusters reads\" description=\"fMapReadsOneInSeq reads reads "
              "found once on genome\"\n"
              "chrD\t0\t20\tcl4\t0\t+\n"
              "chrD\t59\t75\tcl1\t0\t+\n"
              "chrD\t99\t149\tcl2\t0\t+\n"
              "chrD\t149\t179\tcl3\t0\t+\n"
              "chrD\t285\t295\tcl4\t0\t+\n");
}

TEST_F(MapOneInSeq, NoReadFoundOnceLeavesTheHeaderOnly) {
    run.reads(codedLines({D(210, 20), D(210, 20), "ACGT"}));
    ASSERT_TRUE(run.run("fMapReadsOneInSeq"));
    EXPECT_EQ(clusters(), kHeader);
    EXPECT_EQ(test::readFile(run.path("readsMany.bin")), codedLines({D(210, 20), D(210, 20)}));
    EXPECT_EQ(test::readFile(run.result("reads[One]genome_Log.txt")),
              log("\ninput reads= 3\nout of genome= 1\nLoc once= 0\nLoc many= 2\nLoc many sum length=40"));
}

TEST_F(MapOneInSeq, ManyFileThatCannotBeWrittenEndsTheRunWithoutReports) {
    // The reads file's name has no extension but its directory "in.d" has
    // a dot: the companion file goes beside the reads file all the same.
    std::filesystem::create_directory(run.path("in.d"));
    test::writeFile(run.path("in.d/reads"), codedLines({D(100, 30)}));
    std::filesystem::create_directory(run.path("in.d/readsMany.bin"));  // in the way
    EXPECT_FALSE(run.run("fMapReadsOneInSeq", test::record("pthReads", run.path("in.d/reads"))));
    EXPECT_EQ(run.console.text(), "\nsaving the result\ni can't write " + run.path("in.d/readsMany.bin"));
    EXPECT_EQ(run.console.keyWaits(), 1);
    EXPECT_TRUE(std::filesystem::is_empty(run.path("res"))) << "no log, no cluster report";
    EXPECT_EQ(run.dir.listing(),
              (std::vector<std::string>{"genome.bin", "in.d", "params.txt", "res"}));
}

}  // namespace
}  // namespace ruz
