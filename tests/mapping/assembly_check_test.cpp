// fTestGenomeSborka end to end on genomes made of runs of one base, whose
// repeat lengths follow from the run lengths, with logs worked out by hand.
//
// Genome "runs": A^17 C^19 G^26 T^10 (n = 72; A 1..17, C 18..36, G 37..62,
// T 63..72). Each base has one run, so a position with r bases of its run
// left shares r bases with its left neighbour in the run (r - 1 with the
// right one): R = k - 1 at the start of a run of k, R = r after it. The
// sweep keeps the first two positions of every run (the second reaches one
// base further, the rest end where it ends); position 1 (16) is kept by
// the wrap-around check, as the last repeat (64, 9) ends at 72. Kept:
// 1:16 2:16 18:18 19:18 37:25 38:25 63:9 64:9; repNu 8, reMax 25, 8/72.
//
// Genome "twin": A^10 C^12 A^10 C^14 (n = 46; A 1..10, C 11..22, A 23..32,
// C 33..46). A position with r A's left shares them plus C^12 with its twin
// in the other A run: R = r + 12. In the first C run (s C's left) it shares
// C^s A^10 C^12 with its twin: s + 22; in the second run likewise, except
// C^14 and C^13 at 33 and 34, which share 13 with each other. Sweep: 1 (22)
// ends at 23 like every A of its run; 11 (34) reaches 45 and covers both
// runs after it; 33 (13), 34 (13) and 35 (34, to 69) are kept, the rest end
// at 69. The wrap-around check drops position 1: 1 + 22 = 23 <= 69 - 46.
// Kept: 11:34 33:13 34:13 35:34; repNu 4, reMax 34, 4/46 = 0.087.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/platform.h"
#include "support/run_analysis.h"
#include "support/test_files.h"

namespace ruz {
namespace {

const std::string kHead = "code\tsqSize\treMax\trepNu/sqSize";

// Letters A, C, G, T as coded bytes 0..3.
std::string run(char base, int length) {
    return std::string(static_cast<std::size_t>(length), base);
}

std::string codedLines(const std::vector<std::string>& reads) {
    std::string text;
    for (const std::string& r : reads) text += test::coded(r) + "\n";
    return text;
}

std::string readLines(int input, int nonCorrect) {
    return "\nrinput multyLocation reads=" + std::to_string(input) +
           "\nnonCorrect assembly reads " + std::to_string(nonCorrect);
}

class AssemblyCheck : public ::testing::Test {
protected:
    void SetUp() override { prefix = dir.path().string() + platform::kPathSeparator; }

    bool runOn(const std::string& genomeName, const std::string& genomeBytes,
               const std::string& readsBytes, int threads = 1) {
        genomePath = dir.file(genomeName + ".cod");
        test::writeFile(genomePath, genomeBytes);
        test::writeFile(dir.file("reads.bin"), readsBytes);
        return runWith(dir.file("reads.bin"), threads);
    }
    bool runWith(const std::string& readsPath, int threads = 1) {
        test::writeFile(dir.file("params.txt"), test::record("diRes", dir.path().string(), "dir") +
                                                    test::record("pthReads", readsPath, "file") +
                                                    test::record("pthGnm", genomePath, "file") + moreRecords);
        rec = std::make_unique<RecordingConsole>();
        RunContext context(rec->console());
        context.threads = threads;
        return test::runAnalysis(context, "fTestGenomeSborka", dir.file("params.txt"));
    }
    std::string log(const std::string& name) const {
        return test::readFile(prefix + "RepTest_" + name + "_Log.txt");
    }

    test::TempDir dir;
    std::unique_ptr<RecordingConsole> rec;  // a new one for every run
    std::string prefix;
    std::string genomePath;
    std::string moreRecords;  // further records of the parameter file
};

const char* const kConsole = "\ncomputing maximal repetes\ntesting the reads for correct assembly";

TEST_F(AssemblyCheck, RepeatLinesOfHandExamplesAndAnEmptySecondFile) {
    struct Case {
        const char* name;
        std::string genome;
        const char* repeatLine;
    };
    const Case cases[] = {
        // R = 2,1,1,1,1,1,2,1,2,2; 2 and 8 lie inside 1 and 7; 1 is kept
        // round the end: 8 repeats of 10 bases.
        {"example", "ACGTTGCAAC", "\nexample\t10\t2\t 0.800"},
        // Suffixes equal for ever: every R = n, every repeat kept.
        {"periodic", "ACACACAC", "\nperiodic\t8\t8\t 1.000"},
        // Two codes missing, five bases: R = 3,3,2,1,1; kept 2 and 5, and 1
        // round the end.
        {"short", "GGGGT", "\nshort\t5\t3\t 0.600"},
        {"one", "T", "\none\t1\t1\t 1.000"},
        {"runs", run('A', 17) + run('C', 19) + run('G', 26) + run('T', 10),
         "\nruns\t72\t25\t 0.111"},
        {"twin", run('A', 10) + run('C', 12) + run('A', 10) + run('C', 14),
         "\ntwin\t46\t34\t 0.087"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(runOn(c.name, test::coded(c.genome), "")) << c.name;
        EXPECT_EQ(log(c.name), kHead + c.repeatLine + readLines(0, 0)) << c.name;
        EXPECT_EQ(test::readFile(prefix + "RepTest_" + c.name + ".txt"), "") << c.name;
        EXPECT_EQ(rec->text(), kConsole) << c.name;
    }
}

// The kept repeats of "twin" as a track: R at p is [p - 1, p - 1 + R);
// 35:34 runs over the end into [34, 46) and [0, 22). Scores: 34 -> 1000,
// 13 -> 13000 / 34 = 382.
TEST_F(AssemblyCheck, TracksGiveTheKeptRepeatsSplitAtTheOrigin) {
    moreRecords = test::record("tracks", "yes", "str") + test::record("seqName", "tw", "str");
    ASSERT_TRUE(runOn("twin", test::coded(run('A', 10) + run('C', 12) + run('A', 10) + run('C', 14)), ""));
    EXPECT_EQ(test::readFile(prefix + "RepTest_twin.bed"),
              "track name=\"fTestGenomeSborka repeats twin\" description=\"fTestGenomeSborka maximal repeats of "
              "twin\" useScore=1\n"
              "tw\t0\t22\t34\t1000\t.\n"
              "tw\t10\t44\t34\t1000\t.\n"
              "tw\t32\t45\t13\t382\t.\n"
              "tw\t33\t46\t13\t382\t.\n"
              "tw\t34\t46\t34\t1000\t.\n");
    EXPECT_EQ(log("twin"), kHead + "\ntwin\t46\t34\t 0.087" + readLines(0, 0));
    EXPECT_EQ(rec->text(), kConsole);
}

// The hand example's kept repeats (1:2 3:1 4:1 5:1 6:1 7:2 9:2 10:2): two
// lines start at 0, that of position 1 and the piece of 10:2 round the end,
// and come first, the shorter first. Scores: 2 -> 1000, 1 -> 500.
TEST_F(AssemblyCheck, TrackLinesStartingAtTheOriginComeFirstByTheirEnd) {
    moreRecords = test::record("tracks", "yes", "str") + test::record("seqName", "ex", "str");
    ASSERT_TRUE(runOn("example", test::coded("ACGTTGCAAC"), ""));
    EXPECT_EQ(test::readFile(prefix + "RepTest_example.bed"),
              "track name=\"fTestGenomeSborka repeats example\" description=\"fTestGenomeSborka maximal repeats "
              "of example\" useScore=1\n"
              "ex\t0\t1\t2\t1000\t.\n"
              "ex\t0\t2\t2\t1000\t.\n"
              "ex\t2\t3\t1\t500\t.\n"
              "ex\t3\t4\t1\t500\t.\n"
              "ex\t4\t5\t1\t500\t.\n"
              "ex\t5\t6\t1\t500\t.\n"
              "ex\t6\t8\t2\t1000\t.\n"
              "ex\t8\t10\t2\t1000\t.\n"
              "ex\t9\t10\t2\t1000\t.\n");
}

TEST_F(AssemblyCheck, ReadsOnTheRunsGenome) {
    const std::string genome = run('A', 17) + run('C', 19) + run('G', 26) + run('T', 10);
    // 4 is no code: read as T (as a key would take it) this read would lie at 65.
    const std::string notACode = std::string(1, '\x04') + test::coded(run('T', 7) + run('A', 8));
    const std::string reads = codedLines({
                                  run('A', 17) + "C",         // only at 1, kept repeat 16 < 18: counts
                                  run('C', 19) + "G",         // only at 18, kept repeat 18 < 20: counts
                                  run('G', 20),               // 43..39 marked -20; 38, 37 hold 25
                                  run('T', 8) + run('A', 8),  // across the end, only at 65: marked
                                  run('T', 8) + run('A', 8),  // again: 65 is marked: counts
                                  run('G', 16),               // 47..44 marked, 43 marked: counts
                                  run('A', 15),               // shorter than 16: lies nowhere
                                  "ACGTACGTACGTACGT",         // lies nowhere
                              }) +
                              notACode + "\n" +  // lies nowhere
                              "\n" +             // empty line
                              test::coded(run('C', 19) + "G");  // 18 again, no line feed: counts
    EXPECT_TRUE(runOn("runs", test::coded(genome), reads));
    EXPECT_EQ(log("runs"), kHead + "\nruns\t72\t25\t 0.111" + readLines(11, 5));
    EXPECT_EQ(rec->text(), kConsole);
    EXPECT_EQ(rec->keyWaits(), 0);
}

TEST_F(AssemblyCheck, ReadsOnTheTwinGenome) {
    const std::string genome = run('A', 10) + run('C', 12) + run('A', 10) + run('C', 14);
    const std::string reads = codedLines({
        run('A', 8) + run('C', 8),          // at 25 and 3, no kept repeat: both marked
        run('A', 10) + run('C', 12) + "A",  // only at 1, dropped by the sweep: marked
        run('A', 8) + run('C', 8),          // 25 is marked: counts
        run('C', 12) + run('A', 10) +
            run('C', 12),  // at 35 and 11, kept repeats of 34 = its length
        run('C', 12) + run('A', 10) + run('C', 13),  // only at 11: 34 < 35 counts
    });
    EXPECT_TRUE(runOn("twin", test::coded(genome), reads));
    EXPECT_EQ(log("twin"), kHead + "\ntwin\t46\t34\t 0.087" + readLines(5, 2));
    EXPECT_EQ(rec->text(), kConsole);
}

// Genome "long": A^300 C^20 G^20 T^20 (n = 360). As in "runs", the first two
// positions of every run are kept: 1:299 2:299 301:19 302:19 321:19 322:19
// 341:19 342:19; repNu 8, reMax 299, 8/360 = 0.022. A^16 lies at 285..1.
TEST_F(AssemblyCheck, ReadsLyingInHundredsOfPlacesOnSeveralThreads) {
    const std::string genome = run('A', 300) + run('C', 20) + run('G', 20) + run('T', 20);
    const std::string reads = codedLines({
        run('A', 16),         // 285..3 marked -16; 2 and 1 hold 299
        run('A', 16),         // 285 is marked: counts
        run('A', 20),         // 281 is marked: counts
        run('A', 299) + "C",  // only at 2, a kept repeat of 299 < 300: counts
    });
    // Thousands of copies of A^16 after them fill several batches: each
    // finds 285 marked and counts.
    std::string many;
    for (int i = 0; i < 9000; ++i) many += test::coded(run('A', 16)) + "\n";
    for (const int threads : {1, 3}) {
        EXPECT_TRUE(runOn("long", test::coded(genome), reads + many, threads)) << threads;
        EXPECT_EQ(log("long"), kHead + "\nlong\t360\t299\t 0.022" + readLines(9004, 9003))
            << threads;
    }
}

TEST_F(AssemblyCheck, AReadsFileThatCannotBeReadLeavesTheRepeatLinesOnly) {
    test::writeFile(dir.file("example.cod"), test::coded("ACGTTGCAAC"));
    genomePath = dir.file("example.cod");
    EXPECT_FALSE(runWith(dir.file("missing.bin")));
    EXPECT_EQ(log("example"), kHead + "\nexample\t10\t2\t 0.800");
    EXPECT_EQ(test::readFile(prefix + "RepTest_example.txt"), "");
    EXPECT_EQ(rec->text(), std::string(kConsole) + "\ni can't open\n" + dir.file("missing.bin"));
    EXPECT_EQ(rec->keyWaits(), 1);
}

TEST_F(AssemblyCheck, ALineTooLongEndsTheReadsWithTheCountsBeforeIt) {
    const std::string genome = run('A', 17) + run('C', 19) + run('G', 26) + run('T', 10);
    const std::string reads = codedLines({run('C', 19) + "G", run('A', 16)}) +
                              std::string(5120, '\x01') + "\n" + test::coded(run('A', 17) + "C") + "\n";
    EXPECT_FALSE(runOn("runs", test::coded(genome), reads));
    EXPECT_EQ(log("runs"), kHead + "\nruns\t72\t25\t 0.111" + readLines(2, 1));
    EXPECT_EQ(rec->text(), std::string(kConsole) + "\nline 3 of " + dir.file("reads.bin") +
                               " is longer than 5119 characters: the reading stopped there");
}

TEST_F(AssemblyCheck, AGenomeThatIsNotCodedStopsTheRunBeforeAnyFile) {
    EXPECT_FALSE(runOn("letters", "ACGT", test::coded(run('A', 16)) + "\n"));
    EXPECT_EQ(rec->text(), "\ngenome: position = 1 non-code byte = 65");
    EXPECT_EQ(rec->keyWaits(), 1);
    EXPECT_EQ(dir.listing(), (std::vector<std::string>{"letters.cod", "params.txt", "reads.bin"}));
}

}  // namespace
}  // namespace ruz
