// RandExtTaskList end to end on the 40-letter genome of the RandExt tests
// (see rand_ext_test.cpp for its keys and tips), with reports worked out by
// hand.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/platform.h"
#include "support/run_analysis.h"
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
    bool run(const std::string& taskList) { return run(taskList, rec.console()); }
    bool run(const std::string& taskList, Console& console) {
        test::writeFile(dir.file("tasks.txt"), taskList);
        test::writeFile(dir.file("params.txt"),
                        test::record("pthGnm", dir.file("genome.txt"), "file") +
                            test::record("pthReads", dir.file("reads.txt"), "file") +
                            test::record("diRes", dir.path().string(), "dir") +
                            test::record("pthTaskList", dir.file("tasks.txt"), "file"));
        RunContext context(console);
        return test::runAnalysis(context, "RandExtTaskList", dir.file("params.txt"));
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
    EXPECT_FALSE(test::runAnalysis(context, "RandExtTaskList", dir.file("params.txt")));
    EXPECT_EQ(fresh.text(), echo("e") + "\n" + tooLong + "\nbad task line: " + tooLong);
}

TEST_F(TaskListRun, SizesOfATaskAreCheckedLikeParameters) {
    EXPECT_FALSE(run(kHead + "e\nheading\n12\t17\t1\n"));
    EXPECT_EQ(rec.text(), echo("e") + "\n12\t17\t1" +
                              "\nparameter mutTipSz = 17 is above 16, the longest tip a tip code can hold");
    EXPECT_EQ(dir.listing().size(), 4u);
}

// A list without a task line says so and fails, before the genome is read.
TEST_F(TaskListRun, ListsWithoutATaskAreRefused) {
    const std::string none =
        "\ntask list " + dir.file("tasks.txt") + " holds no task (the tasks start on line 9)";
    for (const std::string& list : {kHead + "id.1\nheading\n", std::string("only\nthree\nlines\n"),
                                    std::string(), kHead + "id\nheading\n\n\r\n"}) {
        SCOPED_TRACE(list);
        RecordingConsole fresh;
        EXPECT_FALSE(run(list, fresh.console()));
        EXPECT_EQ(fresh.text(), none);
        EXPECT_EQ(dir.listing().size(), 4u) << "no file written";
    }
}

TEST_F(TaskListRun, MissingTaskListEndsBeforeTheGenome) {
    test::writeFile(dir.file("params.txt"), test::record("diRes", dir.path().string()) +
                                                test::record("pthTaskList", "/no/tasks.txt"));
    RunContext context(rec.console());
    EXPECT_FALSE(test::runAnalysis(context, "RandExtTaskList", dir.file("params.txt")));
    EXPECT_EQ(rec.text(), "\ni can't open\n/no/tasks.txt");
}

// One scan serves every task of a read size, on several threads: each
// task's table and log must be those of RandExt run alone with its sizes on
// one thread (the logs differ only in their first line, the procedure).
TEST(TaskListAgainstRandExt, EveryTaskGivesWhatItGivesAlone) {
    test::TempDir dir;
    std::mt19937 rng(42);
    const auto base = [&] { return "ACGT"[rng() & 3]; };
    std::string genome(3000, 'A');
    for (char& c : genome) c = base();
    // Reads of 20 and 18 letters: copies of genome windows (either strand,
    // some piled on a few sites) with a changed end, and random reads.
    std::string reads;
    for (int i = 0; i < 4000; ++i) {
        const std::size_t size = i % 4 == 3 ? 18 : 20;
        const std::size_t at = (i % 5 == 0 ? (rng() % 7) * 411 : rng() % (genome.size() - size));
        std::string read = genome.substr(at, size);
        if (i % 2) {
            std::string rc(read.rbegin(), read.rend());
            for (char& c : rc) c = c == 'A' ? 'T' : c == 'C' ? 'G' : c == 'G' ? 'C' : 'A';
            read = rc;
        }
        for (std::size_t j = 12 + rng() % 8; j < size; ++j)
            if (rng() % 3 == 0) read[j] = base();
        if (i % 97 == 0) read = std::string(size, 'N');
        reads += read + (i % 7 ? "\n" : "\r\n");
    }
    test::writeFile(dir.file("g.txt"), genome);
    test::writeFile(dir.file("r.txt"), reads);
    const std::vector<std::array<const char*, 3>> tasks = {
        {"12", "8", "1"}, {"14", "6", "2"}, {"10", "10", "3"}, {"12", "6", "1"},
        {"16", "4", "0"}, {"12", "8", "4"}, {"18", "2", "1"}, {"11", "7", "2"}};
    std::string list = "Task list\n\n\n\n\n\nt\nimmutSz\tmutTipSz\tmisNu\n";
    for (const auto& t : tasks) list += std::string(t[0]) + "\t" + t[1] + "\t" + t[2] + "\n";
    test::writeFile(dir.file("list.txt"), list);
    const std::string listDir = dir.file("list"), aloneDir = dir.file("alone");
    std::filesystem::create_directory(listDir);
    std::filesystem::create_directory(aloneDir);

    RecordingConsole rec;
    test::writeFile(dir.file("p.txt"), test::record("pthGnm", dir.file("g.txt")) +
                                           test::record("pthReads", dir.file("r.txt")) +
                                           test::record("diRes", listDir) +
                                           test::record("pthTaskList", dir.file("list.txt")));
    RunContext listRun(rec.console());
    listRun.threads = 3;
    ASSERT_TRUE(test::runAnalysis(listRun, "RandExtTaskList", dir.file("p.txt"))) << rec.text();

    const auto afterFirstLine = [](const std::string& text) { return text.substr(text.find('\n')); };
    for (const auto& t : tasks) {
        const std::string name = std::string("t_") + t[0] + "!" + t[1] + "!" + t[2] + "!";
        SCOPED_TRACE(name);
        RecordingConsole alone;
        test::writeFile(dir.file("a.txt"),
                        test::record("pthGnm", dir.file("g.txt")) + test::record("pthReads", dir.file("r.txt")) +
                            test::record("diRes", aloneDir) + test::record("experimentId", "t") +
                            test::record("immutSz", t[0]) + test::record("mutTipSz", t[1]) +
                            test::record("misNu", t[2]));
        RunContext aloneRun(alone.console());
        ASSERT_TRUE(test::runAnalysis(aloneRun, "RandExt", dir.file("a.txt"))) << alone.text();
        const std::string table = test::readFile(aloneDir + "/" + name + ".txt");
        EXPECT_GT(table.size(), 200u) << "the task places reads";
        EXPECT_EQ(test::readFile(listDir + "/" + name + ".txt"), table);
        EXPECT_EQ(afterFirstLine(test::readFile(listDir + "/" + name + "Log.txt")),
                  afterFirstLine(test::readFile(aloneDir + "/" + name + "Log.txt")));
    }
}

}  // namespace
}  // namespace ruz
