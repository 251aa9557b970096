// The engine as its users start it: a copy of the built executable with a
// call file beside it, or the command-line form.
#include "core/entry.h"
#include "core/tracks.h"

#include "analyses.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <new>
#include <set>
#include <sstream>
#include <stdexcept>

#include "core/files.h"
#include "core/params.h"
#include "core/parallel.h"

#include "support/test_files.h"

namespace ruz {
namespace {

namespace fs = std::filesystem;
using test::shellQuoted;

class EngineRun : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(dir.path() / "tool");
        exe = (dir.path() / "tool" / "Ruzovizu").string();
        fs::copy_file(RUZ_ENGINE_EXE, exe);
    }
    void writeCall(const std::string& content) {
        test::writeFile((dir.path() / "tool" / "_ParamsOfFunc.txt").string(), content);
    }
    test::ProcessResult run(const std::string& args = "") {
        return test::runCommand(shellQuoted(exe) + args, scratch);
    }

    test::TempDir dir;
    test::TempDir scratch;
    std::string exe;
};

TEST_F(EngineRun, CallFileBesideTheExecutableDispatchesByExactName) {
    // RandExt runs: its empty parameter file lacks the sizes.
    test::writeFile(dir.file("empty.txt"), "");
    writeCall(dir.file("empty.txt") + "\nRandExt");
    auto r = run();
    EXPECT_EQ(r.out, "\nparameter mutTipSz = \"\" is not a whole number\ndone\n");
    EXPECT_EQ(r.exitCode, 1);

    // RandExtTaskList is not RandExt: it needs no sizes.
    writeCall(dir.file("empty.txt") + "\nRandExtTaskList");
    r = run();
    EXPECT_EQ(r.out, "\nparameter diRes is empty: no result directory is given\ndone\n");
    EXPECT_EQ(r.exitCode, 1);

    // A parameter file that cannot be opened ends the run at once.
    writeCall("/nonexistent/p.txt\nRandExt");
    r = run();
    EXPECT_EQ(r.out, "\ni can't open /nonexistent/p.txt\ndone\n");
    EXPECT_EQ(r.exitCode, 1);
}

TEST_F(EngineRun, AnalysisThatRunsToItsEndExitsWithZero) {
    // Two reads share the site at upper position 3 of a 40-letter genome.
    test::writeFile(dir.file("g.txt"), "GATTACAGGCTTCAAGTCCGATGGCATTACGGATCCTAGC");
    test::writeFile(dir.file("r.txt"), "TTACAGGCTTCAACGT\nTTACAGGCTTCATTGA\n");
    test::writeFile(dir.file("p.txt"), test::record("pthGnm", dir.file("g.txt")) +
                                           test::record("pthReads", dir.file("r.txt")) +
                                           test::record("diRes", dir.path().string()) +
                                           test::record("experimentId", "e") +
                                           test::record("immutSz", "12") +
                                           test::record("mutTipSz", "4") +
                                           test::record("misNu", "1"));
    writeCall(dir.file("p.txt") + "\nRandExt");
    const auto r = run();
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 24), "\nsaving the result\ndone\n");
    EXPECT_EQ(test::readFile(dir.file("e_12!4!1!.txt")),
              "posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu"
              "\n3\t2\t0.6931\t+\tTTACAGGCTTCAacgt\t1\n3\t2\t0.6931\t+\tTTACAGGCTTCAttga\t1");
}

TEST_F(EngineRun, NamesThatMatchNothingRunNothing) {
    // The error stream says why: the name shown with its control
    // characters escaped, or the line that did not fit.
    const struct {
        std::string call;
        std::string err;
    } calls[] = {
        {"/p.txt\nRandExt\r", "no analysis is named \"RandExt\\r\""},
        {"/p.txt\nrandext", "no analysis is named \"randext\""},
        {"/p.txt\n RandExt", "no analysis is named \" RandExt\""},
        {"/p.txt", "no analysis is named \"\""},
        {"", "no analysis is named \"\""},
        {std::string(200, 'x') + "\nRandExt", "line 1 of the call file "},
        {"/p.txt\n" + std::string(200, 'x'), "line 2 of the call file "},
    };
    for (const auto& c : calls) {
        writeCall(c.call);
        const auto r = run();
        EXPECT_EQ(r.out, "\ndone\n") << c.call;
        EXPECT_EQ(r.exitCode, 1) << c.call;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    // 199 characters still fit a line.
    writeCall("/" + std::string(198, 'p') + "\nRandExt");
    EXPECT_EQ(run().out.substr(0, 19), "\ni can't open /pppp");
}

TEST_F(EngineRun, MissingCallFileEndsWithoutDone) {
    const auto r = run();
    EXPECT_EQ(r.out, "\ni can't open\n" + (dir.path() / "tool" / "_ParamsOfFunc.txt").string());
    EXPECT_EQ(r.exitCode, 1);
}

// Started through the search path, by a bare name, the engine still reads
// the call file beside its own executable, never one of the current
// folder, and names the full path when it is missing.
TEST_F(EngineRun, StartedThroughThePathItReadsTheCallFileBesideItself) {
    const std::string started = "cd " + shellQuoted(dir.path().string()) + " && PATH=" +
                                shellQuoted((dir.path() / "tool").string()) + ":$PATH Ruzovizu";
    test::writeFile(dir.file("_ParamsOfFunc.txt"), "/current/folder.txt\nRandExtTaskList");
    auto r = test::runCommand(started, scratch);
    EXPECT_EQ(r.out, "\ni can't open\n" + (dir.path() / "tool" / "_ParamsOfFunc.txt").string());
    EXPECT_EQ(r.exitCode, 1);

    writeCall("/beside/itself.txt\nRandExtTaskList");
    r = test::runCommand(started, scratch);
    EXPECT_EQ(r.out, "\ni can't open /beside/itself.txt\ndone\n");
    EXPECT_EQ(r.exitCode, 1);
}

TEST_F(EngineRun, EveryAnalysisOfTheTableIsReachable) {
    for (const AnalysisInfo* a : analysisTable()) {
        writeCall("/nonexistent/p.txt\n" + std::string(a->name));
        const auto r = run();
        ASSERT_NE(a->run, nullptr) << a->name << ": every analysis of the table runs";
        EXPECT_EQ(r.out, "\ni can't open /nonexistent/p.txt\ndone\n") << a->name;
        EXPECT_EQ(r.exitCode, 1) << a->name;
    }
    EXPECT_FALSE(analysisTable().empty());
}

TEST_F(EngineRun, CommandLineFormNeedsNoCallFile) {
    auto r = run(" /nonexistent/p.txt RandExtTaskList");
    EXPECT_EQ(r.out, "\ni can't open /nonexistent/p.txt\ndone\n");
    EXPECT_EQ(r.exitCode, 1);

    r = run(" --help");
    EXPECT_EQ(r.exitCode, 0);
    for (const AnalysisInfo* a : analysisTable())
        EXPECT_NE(r.out.find("\n  " + std::string(a->name) + " "), std::string::npos) << a->name;
    EXPECT_EQ(r.out.find("not available"), std::string::npos) << "every function runs";
    EXPECT_NE(r.out.find("-t N, --threads N"), std::string::npos);

    r = run(" --version");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Ruzovizu ", 0), 0u);

    for (const char* wrong : {" one", " a b c", " --frobnicate x"}) {
        r = run(wrong);
        EXPECT_EQ(r.exitCode, 2) << wrong;
        EXPECT_EQ(r.out, "") << wrong;
        EXPECT_NE(r.err.find("usage: Ruzovizu"), std::string::npos) << wrong;
    }
}

// Analyses that throw, for the dispatcher's last line of defence.
std::string gTempStem;

RunOutcome leavesATemporaryFileAndRunsOutOfMemory(RunContext&, const Parameters&) {
    auto temp = TempFile::create(gTempStem);
    throw std::bad_alloc();
}

RunOutcome failsInALibrary(RunContext&, const Parameters&) { throw std::length_error("vector::reserve"); }

constexpr AnalysisInfo kNoMemory = {"fNoMemory", leavesATemporaryFileAndRunsOutOfMemory, "runs out of memory",
                                    ReadsForm::None, {}, {}};
constexpr AnalysisInfo kFailsInALibrary = {"fAnAnalysisWhoseNameIsLongerThanTheColumn", failsInALibrary,
                                           "fails in a library", ReadsForm::None, {}, {}};
constexpr const AnalysisInfo* kThrowing[] = {&kNoMemory, &kFailsInALibrary};

TEST(Dispatch, WhatAnAnalysisThrowsEndsTheRunLikeAFailure) {
    test::TempDir dir;
    gTempStem = dir.file("spill");
    struct Case {
        const char* name;
        const char* message;
    };
    const Case cases[] = {
        {"fNoMemory", "\nno memory to go on with fNoMemory"},
        {"fAnAnalysisWhoseNameIsLongerThanTheColumn",
         "\nfAnAnalysisWhoseNameIsLongerThanTheColumn stopped: vector::reserve"},
    };
    test::writeFile(dir.file("p.txt"), "");
    for (const Case& c : cases) {
        RecordingConsole rec;
        RunContext context(rec.console());
        EXPECT_EQ(dispatch(context, kThrowing, {dir.file("p.txt"), c.name, {}}), 1);
        EXPECT_EQ(rec.text(), std::string(c.message) + "\ndone\n");
        EXPECT_EQ(rec.keyWaits(), 2);
    }
    EXPECT_EQ(dir.listing(), std::vector<std::string>{"p.txt"}) << "the temporary file went with the unwinding";
}

RunOutcome saysItsThreads(RunContext& context, const Parameters&) {
    context.console.say("\nthreads=", context.threads);
    return RunEnd::Complete;
}

constexpr AnalysisInfo kThreadsAnalysis = {"fThreads", saysItsThreads, "says its threads", ReadsForm::None, {}, {}};
constexpr const AnalysisInfo* kSaysThreads[] = {&kThreadsAnalysis};

// The command line's count wins, then the parameter file's record; 0 or
// nothing means every processor.
TEST(Dispatch, ThreadsComeFromTheCommandLineElseTheParameterFile) {
    test::TempDir dir;
    const std::string all = "\nthreads=" + std::to_string(availableThreads());
    struct Case {
        const char* record;  // nullptr: no threads record
        int commandLine;
        std::string console;
        int status;
    };
    const Case cases[] = {
        {nullptr, 0, all, 0},
        {"3", 0, "\nthreads=3", 0},
        {"3", 5, "\nthreads=5", 0},
        {"0", 0, all, 0},
        {"", 0, all, 0},
        {"-1", 0, "\nparameter threads = -1 must be 0 (every processor) or more", 1},
        {"two", 0, "\nparameter threads = \"two\" is not a whole number", 1},
    };
    for (const Case& c : cases) {
        test::writeFile(dir.file("p.txt"), c.record ? test::record("threads", c.record, "int") : "");
        RecordingConsole rec;
        RunContext context(rec.console());
        EXPECT_EQ(dispatch(context, kSaysThreads, {dir.file("p.txt"), "fThreads", {}, c.commandLine}),
                  c.status);
        EXPECT_EQ(rec.text(), c.console + "\ndone\n") << (c.record ? c.record : "no record");
    }
}

RunOutcome saysWhetherItWritesTracks(RunContext& context, const Parameters& parameters) {
    const auto request = trackRequest(context, parameters);
    if (!request) return request.failure();
    context.console.say("\ntracks=", request->has_value() ? "yes" : "no");
    return RunEnd::Complete;
}

constexpr ParamSpec kTrackParameters[] = {kTracksParameter, kSeqNameParameter};
constexpr AnalysisInfo kTracksAnalysis = {"fTracks", saysWhetherItWritesTracks, "says whether it writes tracks",
                                          ReadsForm::None, kTrackParameters, {}};
constexpr const AnalysisInfo* kTrackTable[] = {&kTracksAnalysis, &kThreadsAnalysis};

// --tracks wins over the parameter file's record; an analysis without
// positions says that it writes none.
TEST(Dispatch, TracksComeFromTheCommandLineOrTheParameterFile) {
    test::TempDir dir;
    struct Case {
        const char* analysis;
        const char* record;  // nullptr: no tracks record
        bool commandLine;
        std::string console;
        int status;
    };
    const Case cases[] = {
        {"fTracks", nullptr, false, "\ntracks=no", 0},
        {"fTracks", "no", false, "\ntracks=no", 0},
        {"fTracks", "yes", false, "\ntracks=yes", 0},
        {"fTracks", "no", true, "\ntracks=yes", 0},
        {"fTracks", nullptr, true, "\ntracks=yes", 0},
        {"fTracks", "Yes", true, "\nparameter tracks = \"Yes\": write yes or no", 1},
        {"fThreads", nullptr, true, "\n--tracks: fThreads reports no positions; it writes no tracks\nthreads=1", 0},
    };
    for (const Case& c : cases) {
        test::writeFile(dir.file("p.txt"), test::record("threads", "1", "int") +
                                               (c.record ? test::record("tracks", c.record, "str") : ""));
        RecordingConsole rec;
        RunContext context(rec.console());
        CallLines call{dir.file("p.txt"), c.analysis, {}, 0};
        call.tracks = c.commandLine;
        EXPECT_EQ(dispatch(context, kTrackTable, call), c.status) << c.console;
        EXPECT_EQ(rec.text(), c.console + "\ndone\n");
    }
}

TEST(Dispatch, UsageKeepsLongNamesApartFromTheirHelp) {
    std::ostringstream out;
    std::streambuf* saved = std::cout.rdbuf(out.rdbuf());
    char program[] = "Ruzovizu";
    char help[] = "--help";
    char* argv[] = {program, help};
    RecordingConsole rec;
    const int status = runEngine(2, argv, rec.console(), kThrowing);
    std::cout.rdbuf(saved);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.str().find("\n  fNoMemory" + std::string(21, ' ') + "runs out of memory\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("\n  fAnAnalysisWhoseNameIsLongerThanTheColumn  fails in a library\n"),
              std::string::npos)
        << out.str();
}

// The README's table of functions names every analysis of the table, and
// nothing else: a new analysis shows there as soon as it is added.
TEST(Documentation, TheReadmeTablesEveryAnalysis) {
    const std::string readme = test::readFile(RUZ_SOURCE_DIR "/README.md");
    const auto from = readme.find("\n## What this version does");
    ASSERT_NE(from, std::string::npos);
    const std::string section = readme.substr(from, readme.find("\n## ", from + 1) - from);
    std::set<std::string> listed;
    for (std::size_t at = section.find("\n| `"); at != std::string::npos; at = section.find("\n| `", at + 1)) {
        const std::size_t start = at + 4;
        listed.insert(section.substr(start, section.find('`', start) - start));
    }
    std::set<std::string> engine;
    for (const AnalysisInfo* a : analysisTable()) engine.emplace(a->name);
    EXPECT_EQ(listed, engine);
}

}  // namespace
}  // namespace ruz
