// The engine as users start it, given what users get wrong: directories
// where files belong, over-long lines, NUL bytes, a result named like an
// input, two runs into one folder, pipes, limits and interruptions. Each
// case runs the built executable and checks its exit status, its console
// and the files it leaves.
//
// Inputs: the 40-letter genome of the RandExt tests, in which the key
// TTACAGGCTTCA lies at upper position 3 (genome tip AGTC).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace ruz {
namespace {

namespace fs = std::filesystem;
using test::shellQuoted;

const std::string kGenome(test::kTestGenome);
const std::string kTwoReads(test::kTwoReads);
const std::string kHeader = "posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu";
const std::string kTwoReadsTable(test::kTwoReadsTable);

class BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        res = dir.file("res");
        fs::create_directory(res);
        test::writeFile(genome(), kGenome);
        test::writeFile(reads(), kTwoReads);
    }
    std::string genome() const { return dir.file("g.txt"); }
    std::string reads() const { return dir.file("r.txt"); }
    std::string params() const { return dir.file("p.txt"); }
    std::string table() const { return res + "/e_12!4!1!.txt"; }
    std::string log() const { return res + "/e_12!4!1!Log.txt"; }

    // RandExt's parameter file; `changes` replaces values by name.
    void writeRandExtParams(const std::map<std::string, std::string>& changes = {}) {
        std::map<std::string, std::string> values = {
            {"pthGnm", genome()}, {"pthReads", reads()}, {"diRes", res},  {"experimentId", "e"},
            {"immutSz", "12"},    {"mutTipSz", "4"},     {"misNu", "1"}};
        for (const auto& [name, value] : changes) values[name] = value;
        std::string text;
        for (const char* name :
             {"pthGnm", "pthReads", "diRes", "experimentId", "immutSz", "mutTipSz", "misNu"})
            text += test::record(name, values[name]);
        test::writeFile(params(), text);
    }
    void writeTaskListParams(const std::string& taskList) {
        test::writeFile(params(), test::record("pthGnm", genome()) + test::record("pthReads", reads()) +
                                      test::record("diRes", res) +
                                      test::record("pthTaskList", taskList));
    }
    // RandExt's echo of its parameters, up to "executing...".
    std::string echo(std::string genomeShown = {}, std::string readsShown = {}) const {
        if (genomeShown.empty()) genomeShown = genome();
        if (readsShown.empty()) readsShown = reads();
        return "procedure  RandExt\ngenome        " + genomeShown + "\nreads         " + readsShown +
               "\n\nimmutable Sz  =12\n  mutable Sz  =4\nmismatches    =1\naimed reads Sz=16"
               "\nexperimentId=e\nexecuting...";
    }
    std::string taskEcho(const std::string& id) const {
        return "procedure  RandExtTaskList\ngenome        " + genome() + "\nreads         " + reads() +
               "\ntaskList  =" + dir.file("t.txt") + "\nexperimentId=" + id +
               "\nexecuting...\nimmutSz\tmutTipSz\tmisNu";
    }
    test::ProcessResult engine(const std::string& args) {
        return test::runCommand(shellQuoted(RUZ_ENGINE_EXE) + " " + args, scratch);
    }
    test::ProcessResult randExt() { return engine(shellQuoted(params()) + " RandExt"); }
    std::vector<std::string> results() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(res)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir dir;
    test::TempDir scratch;
    std::string res;
};

// Inputs that cannot be read end the run with a message naming them.
TEST_F(BadInput, DirectoriesWhereFilesBelongAreRefusedByName) {
    struct Case {
        std::string label;
        std::function<std::string()> prepare;  // returns the engine's arguments
        std::function<std::string()> console;
    };
    const Case cases[] = {
        {"parameter file",
         [&] { return shellQuoted(res) + " RandExt"; },
         [&] { return "\ni can't open " + res; }},
        {"reads file",
         [&] {
             writeRandExtParams({{"pthReads", res}});
             return shellQuoted(params()) + " RandExt";
         },
         [&] { return echo({}, res) + "\ni can't open\n" + res; }},
        {"genome file",
         [&] {
             writeRandExtParams({{"pthGnm", res}});
             return shellQuoted(params()) + " RandExt";
         },
         [&] { return echo(res) + "\ni can't open " + res; }},
        {"task list",
         [&] {
             writeTaskListParams(res);
             return shellQuoted(params()) + " RandExtTaskList";
         },
         [&] { return "\ni can't open\n" + res; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const auto r = engine(c.prepare());
        EXPECT_EQ(r.out, c.console() + "\ndone\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(results().empty());
    }
}

TEST_F(BadInput, CallFileThatIsADirectoryIsRefused) {
    const fs::path tool = dir.path() / "tool";
    fs::create_directories(tool / "_ParamsOfFunc.txt");
    fs::copy_file(RUZ_ENGINE_EXE, tool / "Ruzovizu");
    const auto r = test::runCommand(shellQuoted((tool / "Ruzovizu").string()), scratch);
    EXPECT_EQ(r.out, "\ni can't open\n" + (tool / "_ParamsOfFunc.txt").string());
    EXPECT_EQ(r.exitCode, 1);
}

// A line too long for the line buffer ends the reading as before; the
// report covers the reads before it, and the run says so and fails.
TEST_F(BadInput, OverLongReadLineIsReportedWithItsNumber) {
    test::writeFile(reads(), kTwoReads + std::string(5120, 'A') + "\nTTACAGGCTTCAACGT\n");
    writeRandExtParams();
    const auto r = randExt();
    EXPECT_EQ(r.out, echo() + "\nline 3 of " + reads() +
                         " is longer than 5119 characters: the reading stopped there"
                         "\nsaving the result\ndone\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(test::readFile(table()), kTwoReadsTable);
    EXPECT_EQ(test::readFile(log()),
              "proc=Ruzovizu::fCutRnaWithReplacedEnd\ngenome=" + genome() + "\nreads=" + reads() +
                  "\ninput=2; required read size=16; these reads=2: defected=0, longTracks=0"
                  "\nanalyzed=2, fell into genome=2;"
                  "\noccupied sites in strand:: inUpper(+)=1; inLower(-)=0; on both strand=1."
                  "\nentropy statistic report:\nrange=[0.6931,0.6931];\tmean=0.6931;\tsigma=0.0000;"
                  "\nmean+3sigma=0.6931;");
}

// Values that would cut a file name, and a result that would replace an
// input, are refused before any file is written.
TEST_F(BadInput, ValuesThatWouldCorruptFileNamesAreRefused) {
    const std::string nul("x\0y", 3);
    const std::string head = "Task list\n\n\n\n\n\n";
    struct Case {
        std::string label;
        std::function<std::string()> prepare;
        std::function<std::string()> console;
    };
    const Case cases[] = {
        {"NUL in experimentId",
         [&] {
             writeRandExtParams({{"experimentId", nul}});
             return shellQuoted(params()) + " RandExt";
         },
         [&] { return std::string("\nparameter experimentId holds a NUL byte"); }},
        {"NUL in a path",
         [&] {
             writeRandExtParams({{"pthReads", reads() + nul}});
             return shellQuoted(params()) + " RandExt";
         },
         [&] { return std::string("\nparameter pthReads holds a NUL byte"); }},
        {"NUL in the task list's experiment line",
         [&] {
             test::writeFile(dir.file("t.txt"), head + nul + "\nheading\n12\t4\t1\n");
             writeTaskListParams(dir.file("t.txt"));
             return shellQuoted(params()) + " RandExtTaskList";
         },
         [&] {
             return "\ntask list " + dir.file("t.txt") +
                    ": line 7 (the experiment identifier) holds a NUL byte";
         }},
        {"NUL in a task field",
         [&] {
             test::writeFile(dir.file("t.txt"), head + "e\nheading\n12\t4\t1" + nul + "\n");
             writeTaskListParams(dir.file("t.txt"));
             return shellQuoted(params()) + " RandExtTaskList";
         },
         [&] {
             return taskEcho("e") + "\n12\t4\t1x\\0y\nbad task line: 12\t4\t1x\\0y (it holds a NUL byte)";
         }},
        {"a fourth field",
         [&] {
             test::writeFile(dir.file("t.txt"), head + "e\nheading\n12\t4\t1\tnote\n");
             writeTaskListParams(dir.file("t.txt"));
             return shellQuoted(params()) + " RandExtTaskList";
         },
         [&] {
             return taskEcho("e") +
                    "\n12\t4\t1\tnote\nbad task line: 12\t4\t1\tnote (a task has three fields: "
                    "immutSz, mutTipSz, misNu)";
         }},
        {"reads file named like the result table",
         [&] {
             test::writeFile(table(), kTwoReads);
             writeRandExtParams({{"pthReads", table()}});
             return shellQuoted(params()) + " RandExt";
         },
         [&] { return echo({}, table()) + "\nresult file " + table() + " is an input of this run"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(res);
        fs::create_directory(res);
        const auto r = engine(c.prepare());
        EXPECT_EQ(r.out, c.console() + "\ndone\n");
        EXPECT_EQ(r.exitCode, 1);
    }
    EXPECT_EQ(test::readFile(table()), kTwoReads) << "the input is untouched";
    EXPECT_EQ(results(), std::vector<std::string>{"e_12!4!1!.txt"});
}

// Messages name what was actually wrong.
TEST_F(BadInput, MessagesNameTheLineOrTheValueTyped) {
    struct Case {
        std::string label;
        std::map<std::string, std::string> changes;
        std::function<std::string()> console;
    };
    const Case cases[] = {
        {"a parameter line too long",
         {{"diRes", std::string(600, 'd')}},
         [&] { return "\nparameter file " + params() + ": line 12 is longer than 499 characters"; }},
        {"a size typed with a letter",
         {{"immutSz", "0x14"}},
         [&] {
             return std::string(
                 "\nparameter immutSz = \"0x14\" is not a plain decimal number (its text names the "
                 "result files)");
         }},
        {"a tip typed with a blank",
         {{"mutTipSz", " 17"}},
         [&] {
             return std::string(
                 "\nparameter mutTipSz = \" 17\" (read as 17) is above 16, the longest tip a tip "
                 "code can hold");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        writeRandExtParams(c.changes);
        const auto r = randExt();
        EXPECT_EQ(r.out, c.console() + "\ndone\n");
        EXPECT_EQ(r.exitCode, 1);
    }
}

// An earlier result survives every failure of a later run into the same
// names, and no temporary file stays.
TEST_F(BadInput, EarlierResultSurvivesEveryFailure) {
    struct Case {
        std::string label;
        std::function<void()> prepare;
        std::string consoleEnd;
    };
    const Case cases[] = {
        {"mistyped genome path", [&] { writeRandExtParams({{"pthGnm", genome() + "x"}}); },
         "\ni can't open " + genome() + "x"},
        {"letter that is no base",
         [&] {
             test::writeFile(genome(), "ACGTN" + kGenome);
             writeRandExtParams();
         },
         "\ngenome: in seq position = 6 is non{ACGT)-symbol = N"},
        {"empty genome",
         [&] {
             test::writeFile(genome(), "");
             writeRandExtParams();
         },
         "\ngenome: empty file " + genome()},
        {"no read placed",
         [&] {
             test::writeFile(reads(), "TTACAGGCTTCAAGTC\n");
             writeRandExtParams();
         },
         "\nno detected reads"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::writeFile(genome(), kGenome);
        test::writeFile(reads(), kTwoReads);
        test::writeFile(table(), "earlier table");
        test::writeFile(log(), "earlier log");
        c.prepare();
        const auto r = randExt();
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.out.ends_with(c.consoleEnd + "\ndone\n")) << r.out;
        EXPECT_EQ(test::readFile(table()), "earlier table");
        EXPECT_EQ(test::readFile(log()), "earlier log");
        EXPECT_EQ(results().size(), 2u) << "no temporary file stays";
    }
}

// The process boundary: key waits, pipes and limits.
TEST_F(BadInput, PipesAndLimitsNeverHangKillOrLeaveFiles) {
    writeRandExtParams();
    // A caller that keeps standard input open: the key waits do not block.
    auto r = test::runCommand("bash -c " + shellQuoted("timeout 20 " + shellQuoted(RUZ_ENGINE_EXE) + " " +
                                                       shellQuoted(params()) +
                                                       " RandExt < <(sleep 60); echo \" exit=$?\""),
                              scratch);
    EXPECT_TRUE(r.out.ends_with("\nsaving the result\ndone\n exit=0\n")) << r.out;

    // A reader that went away: the console's writes fail, the run does not die.
    fs::remove(table());
    r = test::runCommand("bash -c " + shellQuoted(shellQuoted(RUZ_ENGINE_EXE) + " " + shellQuoted(params()) +
                                                  " RandExt | true; echo \"exit=${PIPESTATUS[0]}\""),
                         scratch);
    EXPECT_EQ(r.out, "exit=0\n");
    EXPECT_EQ(test::readFile(table()), kTwoReadsTable);

    // A file-size limit: the writes fail and are reported, nothing stays.
    fs::remove_all(res);
    fs::create_directory(res);
    std::string many;
    for (int tip = 0; tip < 256; ++tip) {
        std::string read = "TTACAGGCTTCA";
        for (int j = 3; j >= 0; --j) read += "ACGT"[(tip >> (2 * j)) & 3];
        many += read + "\n";
    }
    test::writeFile(reads(), many);
    r = test::runCommand("bash -c " + shellQuoted("ulimit -f 1; " + shellQuoted(RUZ_ENGINE_EXE) + " " +
                                                  shellQuoted(params()) + " RandExt"),
                         scratch);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\ni can't write "), std::string::npos) << r.out;
    EXPECT_TRUE(results().empty()) << "no partial result, no temporary file";
}

// Two runs into one result folder at once: each writes its own temporary
// files, so both reports are those of a run alone. Both runs spill records
// of both strands, many of them, so that the runs overlap.
TEST_F(BadInput, TwoRunsIntoOneFolderAtOnceDoNotMix) {
    std::string a, b;
    for (int i = 0; i < 150000; ++i) {
        a += i % 3 == 0 ? "TTACAGGCTTCAACGT\n" : i % 3 == 1 ? "TTACAGGCTTCATTGA\n" : "CCGTAATGCCATGCAT\n";
        b += i % 3 == 0 ? "CCTAGCGATTACTTTG\n" : "CCGTAATGCCATGCAT\n";
    }
    test::writeFile(dir.file("a.txt"), a);
    test::writeFile(dir.file("b.txt"), b);
    const auto commandFor = [&](const std::string& id) {
        const std::string path = dir.file(id + ".p");
        test::writeFile(path, test::record("pthGnm", genome()) + test::record("pthReads", dir.file(id + ".txt")) +
                                  test::record("diRes", res) + test::record("experimentId", id) +
                                  test::record("immutSz", "12") + test::record("mutTipSz", "4") +
                                  test::record("misNu", "1"));
        return shellQuoted(RUZ_ENGINE_EXE) + " " + shellQuoted(path) + " RandExt >/dev/null";
    };
    const std::string both =
        commandFor("a") + " & " + commandFor("b") + "; b=$?; wait $!; echo \"$? $b\"";
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        const auto r = test::runCommand("bash -c " + shellQuoted(both), scratch);
        EXPECT_EQ(r.out, "0 0\n");
        EXPECT_EQ(test::readFile(res + "/a_12!4!1!.txt"),
                  kHeader +
                      "\n3\t100000\t0.6931\t+\tTTACAGGCTTCAacgt\t50000"
                      "\n3\t100000\t0.6931\t+\tTTACAGGCTTCAttga\t50000"
                      "\n32\t50000\t0.0000\t-\tCCGTAATGCCATgcat\t50000");
        EXPECT_EQ(test::readFile(res + "/b_12!4!1!.txt"),
                  kHeader +
                      "\n35\t50000\t0.0000\t+\tCCTAGCGATTACtttg\t50000"
                      "\n32\t100000\t0.0000\t-\tCCGTAATGCCATgcat\t100000");
        EXPECT_EQ(results().size(), 4u) << "two tables, two logs, no temporary file";
    }
}

}  // namespace
}  // namespace ruz
