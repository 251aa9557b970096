// fMatchReadsT_VarSzPartedRate end to end over several coded reads files,
// with rating logs worked out by hand.
//
// Genome (L = 100, coded), by tens in letters:
//    1 TTAGTTGTGC  11 CGCAGCGAAG  21 TAGTGCTTGA  31 AATATGCGAC  41 CCCTAAGTAG
//   51 GAGCGTATGC  61 GCCCAGTAAC  71 CAATGCCTGT  81 TGAGATGCCA  91 GACGCGTAAC
// Parted reads (genome positions a..b inclusive) and the tail start each
// places:
//   P20 = 41..70 + 21..40   upper strand, tail start 21
//   P4  = 25..70 + 21..24   upper strand, tail start 21
//   PS  = 1..24 + 95..100   upper strand, tail start -5: wraps to 95
//   PL  = reverse complement of 66..81 + 52..65: lower strand, tail start 52
//   W   = 1..30             found whole: places nothing
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/platform.h"
#include "support/run_analysis.h"
#include "support/test_files.h"

namespace ruz {
namespace {

const std::string kGenome =
    "TTAGTTGTGCCGCAGCGAAGTAGTGCTTGAAATATGCGACCCCTAAGTAGGAGCGTATGCGCCCAGTAACCAATGCCTGTTGAGATGCCA"
    "GACGCGTAAC";
const std::string P20 = test::coded("CCCTAAGTAGGAGCGTATGCGCCCAGTAACTAGTGCTTGAAATATGCGAC") + "\n";
const std::string P4 = test::coded("GCTTGAAATATGCGACCCCTAAGTAGGAGCGTATGCGCCCAGTAACTAGT") + "\n";
const std::string PS = test::coded("TTAGTTGTGCCGCAGCGAAGTAGTCGTAAC") + "\n";
const std::string PL = test::coded("TGGGCGCATACGCTAACAGGCATTGGTTAC") + "\n";
const std::string W = test::coded("TTAGTTGTGCCGCAGCGAAGTAGTGCTTGA") + "\n";

class PartedRatingRun : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeFile(genomePath(), test::coded(kGenome));
        readsDir = dir.file("reads");
        std::filesystem::create_directory(readsDir);
        logPath = dir.path().string() + platform::kPathSeparator + "_RatingLog.txt";
    }
    std::string genomePath() const { return dir.file("genome.bin"); }
    std::string readsFile(const std::string& name) const {
        return readsDir + platform::kPathSeparator + name;
    }

    bool run(const std::string& list, const std::string& minSz = "20",
             const std::string& diReads = "@") {
        return runWith(rec.console(), list, minSz, diReads);
    }
    bool runWith(Console& console, const std::string& list, const std::string& minSz,
                 const std::string& diReads) {
        test::writeFile(dir.file("list.txt"), list);
        test::writeFile(dir.file("params.txt"),
                        test::record("diRes", dir.path().string(), "dir") +
                            test::record("diReads", diReads == "@" ? readsDir : diReads, "dir") +
                            test::record("pthList", dir.file("list.txt"), "file") +
                            test::record("pthGnm", genomePath(), "file") +
                            test::record("rMinSz", minSz, "int") +
                            test::record("rMaxSz", "50", "int") + moreRecords);
        RunContext context(console);
        return test::runAnalysis(context, "fMatchReadsT_VarSzPartedRate", dir.file("params.txt"));
    }
    std::string head() const {
        return "program= fMatchReadsT_VarSzParted1Rate\ndir of reads= " + readsDir +
               platform::kPathSeparator + "\ngenome= " + genomePath() + "\n\npos\trating";
    }

    test::TempDir dir;
    RecordingConsole rec;
    std::string readsDir;
    std::string logPath;
    std::string moreRecords;  // further records of the parameter file
};

TEST_F(PartedRatingRun, PositionsCountTheReadsFilesThatPlaceATailStartThere) {
    // Tail starts per file: a {21, 95, 52}; b {21} (twice, from two reads);
    // c {95}; d none (whole and out-of-bounds reads); e {21, 52}.
    test::writeFile(readsFile("a.bin"), P20 + PS + PL + P20);
    test::writeFile(readsFile("b.bin"), P20 + P4 + W);
    test::writeFile(readsFile("c.bin"), PS);
    test::writeFile(readsFile("d.bin"),
                    W + test::coded("TTAGTTGTGCCGCAG") + "\n");  // 15 bases: below rMinSz
    test::writeFile(readsFile("e.bin"), P4 + PL);
    // CR LF and LF lines, empty lines (with and without CR) skipped without a number.
    ASSERT_TRUE(run("a.bin\r\n\r\nb.bin\n\nc.bin\r\nd.bin\ne.bin"));
    EXPECT_EQ(test::readFile(logPath), head() + "\n21\t3\n52\t2\n95\t2");
    std::string console;
    for (int i = 1; i <= 5; ++i) console += "\n" + std::to_string(i) + "\nseaching parted reads";
    EXPECT_EQ(rec.text(), console);
    EXPECT_EQ(rec.keyWaits(), 0);
}

// The ratings of the first test as a bedGraph: base p is [p - 1, p).
TEST_F(PartedRatingRun, TracksGiveTheRatingOfEachBase) {
    test::writeFile(readsFile("a.bin"), P20 + PS + PL + P20);
    test::writeFile(readsFile("b.bin"), P20 + P4 + W);
    test::writeFile(readsFile("c.bin"), PS);
    test::writeFile(readsFile("e.bin"), P4 + PL);
    moreRecords = test::record("tracks", "yes", "str") + test::record("seqName", "lambda", "str");
    ASSERT_TRUE(run("a.bin\nb.bin\nc.bin\ne.bin\n")) << rec.text();
    EXPECT_EQ(test::readFile(dir.file("_Rating.bedGraph")),
              "track type=bedGraph name=\"fMatchReadsT_VarSzPartedRate rating list\" "
              "description=\"fMatchReadsT_VarSzPartedRate list rMinSz=20 rMaxSz=50 on genome\"\n"
              "lambda\t20\t21\t3\nlambda\t51\t52\t2\nlambda\t94\t95\t2\n");
    EXPECT_EQ(test::readFile(logPath), head() + "\n21\t3\n52\t2\n95\t2") << "the log is as without tracks";
}

TEST_F(PartedRatingRun, RatingsAndFileNumbersGoPast127) {
    // 130 list lines name the same file: each is a reads file of its own.
    test::writeFile(readsFile("a.bin"), P20);
    std::string list;
    for (int i = 0; i < 130; ++i) list += "a.bin\n";
    ASSERT_TRUE(run(list));
    EXPECT_EQ(test::readFile(logPath), head() + "\n21\t130");
    EXPECT_EQ(rec.text().substr(rec.text().size() - 26), "\n130\nseaching parted reads");
}

TEST_F(PartedRatingRun, ReadsOutsideTheBoundsDoNotCount) {
    test::writeFile(readsFile("a.bin"), P20 + PS + PL);
    ASSERT_TRUE(run("a.bin\n", "40"));  // only the 50-base P20 lies within [40, 50]
    EXPECT_EQ(test::readFile(logPath), head() + "\n21\t1");
}

TEST_F(PartedRatingRun, AnEmptyListGivesTheHeadOnly) {
    ASSERT_TRUE(run(""));
    EXPECT_EQ(test::readFile(logPath), head());
    EXPECT_EQ(rec.text(), "");
}

TEST_F(PartedRatingRun, AMissingReadsFileEndsTheRunWithoutALogAndKeepsAnEarlierOne) {
    test::writeFile(readsFile("a.bin"), P20);
    test::writeFile(logPath, "an earlier log");
    EXPECT_FALSE(run("a.bin\nmissing.bin\na.bin\n"));
    EXPECT_EQ(test::readFile(logPath), "an earlier log");
    EXPECT_EQ(rec.text(),
              "\n1\nseaching parted reads\n2\ni can't open\n" + readsFile("missing.bin"));
    EXPECT_EQ(rec.keyWaits(), 1);
}

TEST_F(PartedRatingRun, ALongLineEndsTheListWithTheRatingsOfTheReadsBeforeAndAFailure) {
    test::writeFile(readsFile("a.bin"), PS);
    test::writeFile(readsFile("b.bin"), P20 + std::string(5120, '\1') + "\n" + PL);
    EXPECT_FALSE(run("a.bin\nb.bin\na.bin\n"));
    EXPECT_EQ(test::readFile(logPath), head() + "\n21\t1\n95\t1");
    EXPECT_EQ(rec.text(), "\n1\nseaching parted reads\n2\nseaching parted reads\nline 2 of " +
                              readsFile("b.bin") +
                              " is longer than 5119 characters: the reading stopped there");
}

TEST_F(PartedRatingRun, InputsThatCannotServeAreRefusedWithoutALog) {
    struct Case {
        const char* what;
        std::string list;
        std::string diReads;  // "@": the reads folder
        std::string console;
    };
    const Case cases[] = {
        {"empty diReads", "a.bin\n", "",
         "\nparameter diReads is empty: no directory of reads is given"},
        {"a listed name that is the log", "a.bin\n_RatingLog.txt\n", dir.path().string(),
         "\n1\nseaching parted reads\n2\nresult file " + logPath + " is an input of this run"},
        {"a NUL byte in a name", "a.bin\n\na" + std::string(1, '\0') + "b\n", "@",
         "\n1\nseaching parted reads\nline 3 of " + dir.file("list.txt") + " holds a NUL byte"},
    };
    test::writeFile(readsFile("a.bin"), P20);
    test::writeFile(dir.file("a.bin"), P20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingConsole fresh;
        test::writeFile(logPath, "an earlier log");
        EXPECT_FALSE(runWith(fresh.console(), c.list, "20", c.diReads));
        EXPECT_EQ(fresh.text(), c.console);
        EXPECT_EQ(test::readFile(logPath), "an earlier log");
    }
}

}  // namespace
}  // namespace ruz
