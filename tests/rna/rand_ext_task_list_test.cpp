// RandExtTaskList end to end on the 40-letter genome of the RandExt tests
// (see rand_ext_test.cpp for its keys and tips), with reports worked out by
// hand.
#include <gtest/gtest.h>

#include <string>

#include "core/context.h"
#include "core/platform.h"
#include "rna/rna_analyses.h"
#include "support/test_files.h"

namespace ruz {
namespace {

const std::string kGenome = "GATTACAGGCTTCAAGTCCGATGGCATTACGGATCCTAGC";
const std::string kHeader = "posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu";
const std::string kHead = "Task list\r\n\r\n\r\n\r\n\r\n\r\n";  // lines 1 to 6

// Upper 3 (genome tip AGTC), upper 35 across the end (AGGC), lower 9 (CGGA).
const std::string kReads =
    "TTACAGGCTTCAACGT\n"
    "TTACAGGCTTCAACGT\n"
    "TTACAGGCTTCATTGA\n"
    "CCTAGCGATTACTTTG\n"
    "CCTAGCGATTACCATG\n"
    "CCGTAATGCCATGCAT\n"
    "CCGTAATGCCATGCAT\n";

class TaskListRun : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeFile(dir.file("genome.txt"), kGenome);
        test::writeFile(dir.file("reads.txt"), kReads);
        prefix = dir.path().string() + platform::kPathSeparator;
    }
    bool run(const std::string& taskList) {
        test::writeFile(dir.file("tasks.txt"), taskList);
        test::writeFile(dir.file("params.txt"),
                        test::record("pthGnm", dir.file("genome.txt"), "file") +
                            test::record("pthReads", dir.file("reads.txt"), "file") +
                            test::record("diRes", dir.path().string(), "dir") +
                            test::record("pthTaskList", dir.file("tasks.txt"), "file"));
        RunContext context(rec.console());
        return RandExtTaskList(context, dir.file("params.txt"));
    }
    std::string echo(const std::string& id) const {
        return "procedure  RandExtTaskList\ngenome        " + dir.file("genome.txt") +
               "\nreads         " + dir.file("reads.txt") + "\ntaskList  =" + dir.file("tasks.txt") +
               "\nexperimentId=" + id + "\nexecuting...\nimmutSz\tmutTipSz\tmisNu";
    }
    std::string log(const std::string& counts, const std::string& statistics) const {
        return "proc=Ruzovizu::fCutRnaReplacedEnd_BaseTaskList\ngenome=" + dir.file("genome.txt") +
               "\nreads=" + dir.file("reads.txt") + counts + "\nentropy statistic report:\n" +
               statistics;
    }
    std::string result(const std::string& name) const { return test::readFile(prefix + name); }

    test::TempDir dir;
    RecordingConsole rec;
    std::string prefix;
};

TEST_F(TaskListRun, TasksRunInOrderAndOneWithoutPlacedReadsStopsTheList) {
    const bool ok = run(kHead +
                        "run.A\r\n"
                        "immutSz\tmutTipSz\tmisNu\r\n"
                        "12\t4\t1\r\n"
                        "\r\n"            // skipped
                        " 12\t4\t4\r\n"   // converts to 12 but names the files with its blank
                        "14\t2\t0\r\n"    // letters 13-14 never match: no read placed
                        "12\t4\t2\r\n");  // never runs
    EXPECT_FALSE(ok);

    // misNu 1: every read placed.
    EXPECT_EQ(result("run_A_12!4!1!.txt"),
              kHeader +
                  "\n3\t3\t0.6365\t+\tTTACAGGCTTCAacgt\t2"
                  "\n3\t3\t0.6365\t+\tTTACAGGCTTCAttga\t1"
                  "\n35\t2\t0.6931\t+\tCCTAGCGATTACcatg\t1"
                  "\n35\t2\t0.6931\t+\tCCTAGCGATTACtttg\t1"
                  "\n32\t2\t0.0000\t-\tCCGTAATGCCATgcat\t2");
    EXPECT_EQ(result("run_A_12!4!1!Log.txt"),
              log("\ninput=7; required read size=16; these reads=7: defected=0, longTracks=0"
                  "\nanalyzed=7, fell into genome=7;"
                  "\noccupied sites in strand:: inUpper(+)=2; inLower(-)=1; on both strand=3.",
                  "range=[0.0000,0.6931];\tmean=0.4432;\tsigma=0.3849;\nmean+3sigma=1.5979;"));

    // misNu 4: the acgt tips differ from AGTC in 3 letters only; the ttga
    // read stays alone at upper 3.
    EXPECT_EQ(result("run_A_ 12!4!4!.txt"),
              kHeader +
                  "\n35\t2\t0.6931\t+\tCCTAGCGATTACcatg\t1"
                  "\n35\t2\t0.6931\t+\tCCTAGCGATTACtttg\t1"
                  "\n32\t2\t0.0000\t-\tCCGTAATGCCATgcat\t2");
    EXPECT_EQ(result("run_A_ 12!4!4!Log.txt"),
              log("\ninput=7; required read size=16; these reads=7: defected=0, longTracks=0"
                  "\nanalyzed=7, fell into genome=5;"
                  "\noccupied sites in strand:: inUpper(+)=1; inLower(-)=1; on both strand=2.",
                  "range=[0.0000,0.6931];\tmean=0.3466;\tsigma=0.4901;\nmean+3sigma=1.8170;"));

    // The task without placed reads leaves no report; the list ends there.
    EXPECT_FALSE(test::exists(prefix + "run_A_14!2!0!.txt"));
    EXPECT_FALSE(test::exists(prefix + "run_A_14!2!0!Log.txt"));
    EXPECT_FALSE(test::exists(prefix + "run_A_12!4!2!.txt"));
    EXPECT_EQ(rec.text(), echo("run_A") + "\n12\t4\t1\n 12\t4\t4\n14\t2\t0\nno detected reads");
    EXPECT_EQ(rec.keyWaits(), 2);
    EXPECT_EQ(dir.listing().size(), 4u + 4u) << "inputs and four reports, no temporary file";
}

TEST_F(TaskListRun, MarginServesTheLargestReadSizeOfTheList) {
    // Read size 20 at upper 30 runs 9 letters past the end:
    // CGGATCCTAGC + GATTA, then the genome tip CAGG.
    test::writeFile(dir.file("reads.txt"),
                    "CGGATCCTAGCGATTAACGT\nCGGATCCTAGCGATTAACGT\nTTACAGGCTTCAACGT\n");
    EXPECT_TRUE(run(kHead + "blank\nheading\n12\t4\t1\n16\t4\t1\n"));
    EXPECT_EQ(result("blank_16!4!1!.txt"), kHeader + "\n30\t2\t0.0000\t+\tCGGATCCTAGCGATTAacgt\t2");
    EXPECT_EQ(result("blank_12!4!1!.txt"), kHeader) << "one read of size 16: no occupied site";
    EXPECT_EQ(rec.text(), echo("blank") + "\n12\t4\t1\n16\t4\t1");
}

TEST_F(TaskListRun, BadTaskLinesEndTheList) {
    EXPECT_FALSE(run(kHead + "e\nheading\n12 4 1\n12\t4\t1\n"));
    EXPECT_EQ(rec.text(), echo("e") + "\n12 4 1\nbad task line: 12 4 1");
    EXPECT_EQ(dir.listing().size(), 4u) << "no task ran";

    RecordingConsole fresh;
    const std::string tooLong = "12\t4\t1" + std::string(94, ' ');  // 100 characters
    test::writeFile(dir.file("tasks.txt"), kHead + "e\nheading\n" + tooLong + "\n");
    RunContext context(fresh.console());
    EXPECT_FALSE(RandExtTaskList(context, dir.file("params.txt")));
    EXPECT_EQ(fresh.text(), echo("e") + "\n" + tooLong + "\nbad task line: " + tooLong);
}

TEST_F(TaskListRun, SizesOfATaskAreCheckedLikeParameters) {
    EXPECT_FALSE(run(kHead + "e\nheading\n12\t17\t1\n"));
    EXPECT_EQ(rec.text(), echo("e") + "\n12\t17\t1" +
                              "\nparameter mutTipSz = 17 is above 16, the longest tip a tip code can hold");
    EXPECT_EQ(dir.listing().size(), 4u);
}

TEST_F(TaskListRun, ShortListsRunNoTask) {
    EXPECT_TRUE(run(kHead + "id.1\nheading\n"));
    EXPECT_EQ(rec.text(), echo("id_1"));

    RecordingConsole fresh;
    test::writeFile(dir.file("tasks.txt"), "only\nthree\nlines\n");
    RunContext context(fresh.console());
    EXPECT_TRUE(RandExtTaskList(context, dir.file("params.txt")));
    EXPECT_EQ(fresh.text(), echo(""));
}

TEST_F(TaskListRun, MissingTaskListEndsBeforeTheGenome) {
    test::writeFile(dir.file("params.txt"), test::record("diRes", dir.path().string()) +
                                                test::record("pthTaskList", "/no/tasks.txt"));
    RunContext context(rec.console());
    EXPECT_FALSE(RandExtTaskList(context, dir.file("params.txt")));
    EXPECT_EQ(rec.text(), "\ni can't open\n/no/tasks.txt");
}

}  // namespace
}  // namespace ruz
