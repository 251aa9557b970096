// fMatchReadsT_VarSzO end to end, with reports worked out by hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "mapping/coded_fixture.h"
#include "core/tracks.h"
#include "support/run_analysis.h"
#include "support/weight_track_text.h"

namespace ruz {
namespace {

using test::codedLines;
using test::reverseComplement;

// A strand's report of a genome of `length` positions: "p\t0.00\n" for every
// position but those given.
std::string report(int length, const std::map<int, std::string>& weights) {
    std::string text;
    for (int p = 1; p <= length; ++p) {
        const auto it = weights.find(p);
        text += std::to_string(p) + "\t" + (it == weights.end() ? "0.00" : it->second) + "\n";
    }
    return text;
}

// The first `n` bytes of a file (all of it when n is 0), read in one go.
std::string head(const std::string& path, std::size_t n = 0) {
    if (n == 0) n = static_cast<std::size_t>(std::filesystem::file_size(path));
    std::ifstream in(path, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

class MatchVarSize : public ::testing::Test {
protected:
    std::string log(int minSz, int maxSz, const std::string& counts) const {
        return "program= fMatchReadsT_VarSzO\ngenome= " + run.path("genome.bin") +
               "\nreads= " + run.path("reads.bin") + "\nuser size scope=[" + std::to_string(minSz) +
               "," + std::to_string(maxSz) + "]" + counts;
    }
    test::CodedRun run;
};

// Genome (L = 184): pieces of D (the shift register letters, A and C only:
// every window of 8 or more letters of D occurs once in it) around three
// copies of X = GATTGCAGTCCGTAAG and one of its reverse complement
// CTTACGGACTGCAATC, which overlap neither themselves nor each other:
//   D[1..40] 1..40, X 41..56, D[41..60] 57..76, X 77..92, D[61..80] 93..112,
//   X 113..128, D[81..100] 129..148, rc(X) 149..164, D[101..120] 165..184.
// D[41] = A, D[61] = D[81] = C.
TEST_F(MatchVarSize, ReadsOfSixteenAndMoreOnBothStrandsWeightedByTheirPlaces) {
    const std::string d = test::shiftRegisterLetters(120);
    const std::string x = "GATTGCAGTCCGTAAG";
    const std::string genome = d.substr(0, 40) + x + d.substr(40, 20) + x + d.substr(60, 20) + x +
                               d.substr(80, 20) + reverseComplement(x) + d.substr(100, 20);
    run.genome(genome);
    run.reads(codedLines({
        x,                                              // 3 upper + 1 lower: 1/4 each
        reverseComplement(x),                           // 1 upper + 3 lower: 1/4 each
        x + "A",                                        // 17 bases, at 41 only
        std::string(16, 'G'),                           // nowhere
        x.substr(0, 15) + "\6",                         // byte 6 is no base (nor G): nowhere
        std::string(15, 'G'),                           // below rMinSz
        std::string(19, 'G'),                           // above rMaxSz
        genome.substr(176, 8) + genome.substr(0, 9),    // 177..184 and 1..9: across the end
    }));
    ASSERT_TRUE(run.run("fMatchReadsT_VarSzO", test::CodedRun::bounds(16, 18)));

    // At 41 the sizes 16 (1/4) and 17 (1/1) add up.
    EXPECT_EQ(test::readFile(run.result("reads[16-18]genome_Up1.txt")),
              report(184, {{41, "1.25"}, {77, "0.25"}, {113, "0.25"}, {149, "0.25"}, {177, "1.00"}}));
    EXPECT_EQ(test::readFile(run.result("reads[16-18]genome_Lw1.txt")),
              report(184, {{41, "0.25"}, {77, "0.25"}, {113, "0.25"}, {149, "0.25"}}));
    EXPECT_EQ(test::readFile(run.result("reads[16-18]genome_Log.txt")),
              log(16, 18, "\ninput reads= 8\nout of user size scope= 2\nprocessed= 6 \nout of genome= 2"
                          "\ninto genome= 4\nupper strand has= 4\nlower strand has= 2"));
    EXPECT_EQ(run.console.text(), "\nsaving the result");
    EXPECT_EQ(run.dir.listing(), (std::vector<std::string>{"genome.bin", "params.txt", "reads.bin", "res"}));
}

// Genome AACGTCAG (L = 8, circular): 1 A, 2 A, 3 C, 4 G, 5 T, 6 C, 7 A, 8 G.
// Reads shorter than 8 occur wherever the genome holds them; 8 and 9 bases
// go through the 8-base keys.
TEST_F(MatchVarSize, ShortReadsOnBothStrandsOfATinyCircularGenome) {
    run.genome("AACGTCAG");
    run.reads(codedLines({
        "A",           // upper 1, 2, 7; lower: T at 5; 1/4 each
        "CG",          // its own reverse complement: upper 3 and lower 3, 1/2 each
        "AG",          // upper 7; CT nowhere
        "GA",          // upper 8 (G8 A1); lower: TC at 5; 1/2 each
        "GTCAG",       // upper 4
        "CAGAACGT",    // upper 6, the whole genome from 6
        "AACGTCAGA",   // upper 1: the genome once round and its first base again
        "",            // an empty line within the bounds: no read, placed nowhere
        "ACGTACGTAC",  // above rMaxSz
        "GG",          // nowhere, nor CC
    }));
    ASSERT_TRUE(run.run("fMatchReadsT_VarSzO", test::CodedRun::bounds(0, 9)));
    EXPECT_EQ(test::readFile(run.result("reads[0-9]genome_Up1.txt")),
              "1\t1.25\n2\t0.25\n3\t0.50\n4\t1.00\n5\t0.00\n6\t1.00\n7\t1.25\n8\t0.50\n");
    EXPECT_EQ(test::readFile(run.result("reads[0-9]genome_Lw1.txt")),
              "1\t0.00\n2\t0.00\n3\t0.50\n4\t0.00\n5\t0.75\n6\t0.00\n7\t0.00\n8\t0.00\n");
    EXPECT_EQ(test::readFile(run.result("reads[0-9]genome_Log.txt")),
              log(0, 9, "\ninput reads= 10\nout of user size scope= 1\nprocessed= 9 \nout of genome= 2"
                        "\ninto genome= 7\nupper strand has= 7\nlower strand has= 3"));
}

// The weights of the tiny genome above as tracks: base p is [p - 1, p),
// weight 0 left out. A bigWig is read back through libBigWig.
TEST_F(MatchVarSize, TracksGiveTheWeightsOfEachStrand) {
    run.genome("AACGTCAG");
    run.reads(codedLines({"A", "CG", "AG", "GA", "GTCAG", "CAGAACGT", "AACGTCAGA"}));
    test::writeFile(run.path("genome.chrom.sizes"), "tiny\t8\n");
    ASSERT_TRUE(run.run("fMatchReadsT_VarSzO", test::CodedRun::bounds(0, 9) + test::record("tracks", "yes", "str")))
        << run.console.text();
    const std::string upper = "tiny\t0\t1\t1.25\ntiny\t1\t2\t0.25\ntiny\t2\t3\t0.5\ntiny\t3\t4\t1\n"
                              "tiny\t5\t6\t1\ntiny\t6\t7\t1.25\ntiny\t7\t8\t0.5\n";
    const std::string lower = "tiny\t2\t3\t0.5\ntiny\t4\t5\t0.75\n";
    EXPECT_EQ(test::weightTrackText(run.result("reads[0-9]genome_Up" + std::string(WeightTrack::extension()))),
              upper);
    EXPECT_EQ(test::weightTrackText(run.result("reads[0-9]genome_Lw" + std::string(WeightTrack::extension()))),
              lower);
    EXPECT_EQ(test::readFile(run.result("reads[0-9]genome_Up1.txt")),
              "1\t1.25\n2\t0.25\n3\t0.50\n4\t1.00\n5\t0.00\n6\t1.00\n7\t1.25\n8\t0.50\n")
        << "the report is as without tracks";
}

// 2500000 positions: three files a strand of 1000000, 1000000 and 500000
// lines. With every weight 0.00 but one (1.00 has as many characters), a
// file holds its positions' digits plus "\t0.00\n" a line:
//   1..1000000:        9 + 90*2 + 900*3 + 9000*4 + 90000*5 + 900000*6 + 7
//                      = 5888896 digits, + 6000000
//   1000001..2000000:  1000000 * (7 + 6)
//   2000001..2500000:  500000 * (7 + 6)
TEST_F(MatchVarSize, LargeGenomeSplitsEachStrandIntoFilesOfAMillionPositions) {
    const std::string marker = "CGTTGCATGCCTGATCGGTC";
    std::string genome(2'500'000, 'A');
    genome.replace(2'400'000, marker.size(), marker);
    run.genome(genome);
    run.reads(codedLines({marker}));
    ASSERT_TRUE(run.run("fMatchReadsT_VarSzO", test::CodedRun::bounds(16, 20)));

    const std::uintmax_t sizes[] = {11'888'896, 13'000'000, 6'500'000};
    const std::string stem = run.result("reads[16-20]genome_");
    for (const char* strand : {"Up", "Lw"}) {
        for (int f = 1; f <= 3; ++f) {
            const std::string path = stem + strand + std::to_string(f) + ".txt";
            SCOPED_TRACE(path);
            EXPECT_EQ(std::filesystem::file_size(path), sizes[f - 1]);
            const std::string first = std::to_string((f - 1) * 1'000'000 + 1) + "\t0.00\n";
            EXPECT_EQ(head(path, first.size()), first);
        }
    }
    const std::string third = head(stem + "Up3.txt");
    EXPECT_NE(third.find("\n2399999\t0.00\n2400000\t0.00\n2400001\t1.00\n2400002\t0.00\n"), std::string::npos);
    EXPECT_EQ(third.substr(third.size() - 13), "2500000\t0.00\n");
    EXPECT_EQ(head(stem + "Lw3.txt").find("\t1.00"), std::string::npos);
    EXPECT_FALSE(test::exists(run.result("reads[16-20]genome_Up4.txt")));
}

TEST_F(MatchVarSize, AResultFolderThatCannotTakeFilesEndsTheRunBeforeTheReads) {
    run.genome("AACGTCAG");
    run.reads(codedLines({"CG"}));
    const std::string missing = run.path("none") + platform::kPathSeparator + "reads[1-9]genome_";
    EXPECT_FALSE(run.run("fMatchReadsT_VarSzO",
                         test::CodedRun::bounds(1, 9) + test::record("diRes", run.path("none"))));
    EXPECT_EQ(run.console.text(), "\ni can't open " + missing + "Log.txt");
    EXPECT_EQ(run.console.keyWaits(), 1);
}

}  // namespace
}  // namespace ruz
