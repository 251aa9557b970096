// Nothing lost, mixed or wrong: the engine run as a separate process on
// damaged and hostile input, under a full disk, limits and interruptions.
// Each case checks the exit status, the console and every file left.
//
// RUZ_TEST_ENGINE names another build of the engine to run these cases
// against (an older one, to see which of them it fails).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/parallel.h"
#include "prep/gzip_bytes.h"
#include "support/test_files.h"

namespace ruz {
namespace {

namespace fs = std::filesystem;
using test::shellQuoted;

using test::kTestGenome;
using test::kTwoReadsTable;

std::string engineExe() {
    const char* other = std::getenv("RUZ_TEST_ENGINE");
    return other && *other ? other : RUZ_ENGINE_EXE;
}

constexpr bool kSanitized =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#else
    false;
#endif

using Values = std::vector<std::pair<std::string, std::string>>;

std::string randomBases(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, 'A');
    for (char& c : s) c = "ACGT"[rng() & 3];
    return s;
}

// The files under `root`, with their paths relative to it, folders too.
std::vector<std::string> tree(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(root))
        names.push_back(fs::relative(e.path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

bool anyTemporary(const fs::path& root) {
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.path().extension() == ".tmp") return true;
    return false;
}

// A started engine process: standard input from /dev/null, standard output
// to a file.
struct Started {
    pid_t pid = -1;
    std::string outPath;
};

Started start(const std::vector<std::string>& args, const std::string& outPath) {
    Started s{-1, outPath};
    s.pid = fork();
    if (s.pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        std::vector<char*> argv;
        const std::string exe = engineExe();
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    return s;
}

class Integrity : public ::testing::Test {
protected:
    void SetUp() override {
        res = dir.file("res");
        fs::create_directory(res);
        test::writeFile(dir.file("g.txt"), std::string(kTestGenome));
        test::writeFile(dir.file("r.txt"), std::string(test::kTwoReads));
        test::writeFile(dir.file("g.bin"), test::coded(kTestGenome));
    }

    // Writes a parameter file of `values` (name, value) and returns its path.
    std::string params(const Values& values, const std::string& name = "p.txt") const {
        std::string text;
        for (const auto& [n, v] : values) text += test::record(n, v);
        test::writeFile(dir.file(name), text);
        return dir.file(name);
    }
    Values randExtValues(const std::string& immutSz = "12", const std::string& mutTipSz = "4",
                         const std::string& misNu = "1") const {
        return {{"pthGnm", dir.file("g.txt")}, {"pthReads", dir.file("r.txt")}, {"diRes", res},
                {"experimentId", "e"},        {"immutSz", immutSz},            {"mutTipSz", mutTipSz},
                {"misNu", misNu}};
    }
    // The argument-driven analyses: result folder, reads, genome, bounds.
    Values codedValues(const std::string& reads, const std::string& genome, const std::string& rMinSz = "16",
                       const std::string& rMaxSz = "40") const {
        return {{"diRes", res}, {"pthReads", reads}, {"pthGnm", genome}, {"rMinSz", rMinSz}, {"rMaxSz", rMaxSz}};
    }

    // Runs the engine (never longer than a minute) with `args` after `shell`.
    test::ProcessResult engine(const std::string& args, const std::string& shell = "") const {
        return test::runCommand(shell + "timeout 60 " + shellQuoted(engineExe()) + " " + args, scratch);
    }
    test::ProcessResult run(const std::string& paramFile, const std::string& function,
                            const std::string& shell = "") const {
        return engine(shellQuoted(paramFile) + " " + function, shell);
    }

    test::TempDir dir;
    test::TempDir scratch;
    std::string res;
};

// ---------------------------------------------------------------------------
// Threads

TEST_F(Integrity, AThreadCountBeyondTheLimitIsLoweredAndSaid) {
    params(randExtValues());
    for (const std::string& asked : {std::string("2147483647"), std::to_string(threadLimit() + 1)}) {
        SCOPED_TRACE(asked);
        const auto r = engine("--threads " + asked + " " + shellQuoted(dir.file("p.txt")) + " RandExt");
        EXPECT_EQ(r.exitCode, 0) << r.out;
        EXPECT_TRUE(r.out.starts_with("\nthreads: " + asked + " asked for, " + std::to_string(threadLimit()) +
                                      " used (8 a processor at most)procedure  RandExt"))
            << r.out;
        EXPECT_EQ(test::readFile(res + "/e_12!4!1!.txt"), std::string(kTwoReadsTable));
    }
}

// Under a limit of the user's processes, more threads than the system
// gives: the run goes on with those it could start.
TEST_F(Integrity, ThreadsTheSystemCannotStartAreARunOnFewer) {
    if (std::system("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "setpriv is missing";
    // The limit binds every user but root; as root the run is made as nobody.
    std::string asUser;
    if (geteuid() == 0) {
        fs::permissions(dir.path(), fs::perms::all, fs::perm_options::add);
        fs::permissions(res, fs::perms::all, fs::perm_options::add);
        asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    Values values = randExtValues();
    values.emplace_back("threads", "400");
    params(values);
    const std::string command = "timeout 60 " + asUser + "bash -c " +
                                shellQuoted("ulimit -u 4 && exec " + shellQuoted(engineExe()) + " " +
                                            shellQuoted(dir.file("p.txt")) + " RandExt");
    // The leak check of a sanitizer build needs a thread of its own at the
    // end, which the limit does not give.
    const std::string leakCheckOff = "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 ";
    const auto probe = test::runCommand(asUser + "true", scratch);
    if (probe.exitCode != 0) GTEST_SKIP() << "cannot run as an unprivileged user here";
    const auto r = test::runCommand(leakCheckOff + command, scratch);
    if (r.out.find("procedure") == std::string::npos && r.exitCode != 134)
        GTEST_SKIP() << "the process limit leaves no room to start the engine: " << r.out << r.err;
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find(" threads; the run goes on with "), std::string::npos) << r.out;
    EXPECT_EQ(test::readFile(res + "/e_12!4!1!.txt"), std::string(kTwoReadsTable));
    EXPECT_FALSE(anyTemporary(dir.path()));
}

// ---------------------------------------------------------------------------
// Result sets on a full disk

// A small file system of its own, mounted for one test and unmounted after
// it; skipped where the machine does not allow mounting.
class FullDisk : public Integrity {
protected:
    void SetUp() override {
        Integrity::SetUp();
        full = dir.file("full");
        fs::create_directory(full);
        if (std::system(("mount -t tmpfs -o size=2m tmpfs " + shellQuoted(full) + " 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root): full-disk cases not run";
        mounted = true;
        res = full;
    }
    void TearDown() override {
        if (mounted) std::system(("umount " + shellQuoted(full)).c_str());
    }
    // Fills the file system until `bytes` stay free.
    void leaveFree(std::size_t bytes) const {
        struct statvfs st {};
        ASSERT_EQ(statvfs(full.c_str(), &st), 0);
        const std::size_t free = st.f_bavail * st.f_frsize;
        ASSERT_GT(free, bytes);
        test::writeFile(full + "/filler", std::string(free - bytes, 'f'));
    }
    // The earlier result set, one file a name, and its contents back.
    void writeEarlier(const std::vector<std::string>& names) const {
        for (const std::string& name : names) test::writeFile(full + "/" + name, "earlier " + name);
    }
    void expectEarlier(const std::vector<std::string>& names) const {
        for (const std::string& name : names)
            EXPECT_EQ(test::readFile(full + "/" + name), "earlier " + name) << name << " was replaced";
    }

    std::string full;
    bool mounted = false;
};

TEST_F(FullDisk, AFailedRunLeavesTheWholeEarlierSet) {
    const std::string genome = randomBases(300000, 1);
    test::writeFile(dir.file("genome.fa"), ">chr\n" + genome + "\n");
    std::string fastq;
    for (int i = 0; i < 6000; ++i) fastq += "@r\n" + genome.substr(i * 40, 50) + "\n+\n" + std::string(50, 'I') + "\n";
    test::writeFile(dir.file("reads.fq"), fastq);
    const std::string big = test::coded(genome.substr(0, 60000));
    test::writeFile(dir.file("big.bin"), big);
    std::string oneEach;  // distinct places, every 31 bases: many clusters
    for (std::size_t p = 0; p + 20 <= big.size(); p += 31) oneEach += big.substr(p, 20) + "\n";
    test::writeFile(dir.file("once.bin"), oneEach);
    std::string parted;  // head at p, the tail just before it
    for (std::size_t i = 0; i < 9000; ++i) {
        const std::size_t p = 100 + i * 6;
        parted += big.substr(p, 24) + big.substr(p - 10, 10) + "\n";
    }
    test::writeFile(dir.file("parted.bin"), parted);

    struct Case {
        std::string function;
        Values values;
        std::vector<std::string> set;  // the result names
        std::size_t free;              // bytes left free: the first files fit, a later one does not
    };
    const Case cases[] = {
        {"fPrepGenome",
         {{"pthFasta", dir.file("genome.fa")}, {"seqName", "blank"}, {"diRes", full}, {"outName", "g"},
          {"outForm", "both"}, {"nonAcgt", "refuse"}},
         {"g.txt", "g.bin"}, 400000},
        {"fPrepReads",
         {{"pthFastq", dir.file("reads.fq")}, {"diRes", full}, {"outName", "r"}, {"outForm", "both"},
          {"rMinSz", "1"}, {"rMaxSz", "5119"}, {"trimHeadSz", "0"}, {"trimTailSz", "0"}, {"readsWithN", "drop"}},
         {"r.txt", "r.bin", "r_PrepLog.txt"}, 400000},
        {"fMatchReadsT_VarSzO", codedValues(dir.file("once.bin"), dir.file("big.bin"), "16", "20"),
         {"once[16-20]big_Log.txt", "once[16-20]big_Up1.txt", "once[16-20]big_Lw1.txt"}, 300000},
        {"fMatchReadsT_VarSzParted", codedValues(dir.file("parted.bin"), dir.file("big.bin"), "30", "40"),
         {"parted[30-40]big_PartedLog.txt", "parted[30-40]big_Parted.txt"}, 150000},
        {"fMapReadsOneInSeq", codedValues(dir.file("once.bin"), dir.file("big.bin")),
         {"once[One]big_Log.txt", "once[One]big_Clust.txt"}, 30000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        for (const auto& e : fs::directory_iterator(full)) fs::remove_all(e.path());
        writeEarlier(c.set);
        leaveFree(c.free);
        Values values = c.values;
        for (auto& [name, value] : values)
            if (name == "diRes") value = full;
        const auto r = run(params(values), c.function);
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_NE(r.out.find("\ni can't write " + full + "/"), std::string::npos) << r.out;
        expectEarlier(c.set);
        EXPECT_FALSE(anyTemporary(full));
        EXPECT_FALSE(test::exists(dir.file("onceMany.bin"))) << "no companion of a failed run";
    }
}

// The assembly test keeps its repeat lines when the reads cannot be read,
// but never over a complete earlier log.
TEST_F(Integrity, APartialAssemblyLogNeverReplacesACompleteOne) {
    const std::string repeatOnly = "code\tsqSize\treMax\trepNu/sqSize\ng\t40\t";
    params({{"diRes", res}, {"pthReads", dir.file("missing.bin")}, {"pthGnm", dir.file("g.bin")}});
    auto r = run(dir.file("p.txt"), "fTestGenomeSborka");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\ni can't open\n" + dir.file("missing.bin")), std::string::npos) << r.out;
    EXPECT_TRUE(test::readFile(res + "/RepTest_g_Log.txt").starts_with(repeatOnly));
    EXPECT_EQ(test::readFile(res + "/RepTest_g.txt"), "");

    test::writeFile(res + "/RepTest_g_Log.txt", "complete earlier log");
    r = run(dir.file("p.txt"), "fTestGenomeSborka");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(test::readFile(res + "/RepTest_g_Log.txt"), "complete earlier log");
    EXPECT_EQ(tree(res), (std::vector<std::string>{"RepTest_g.txt", "RepTest_g_Log.txt"}));
}

// ---------------------------------------------------------------------------
// Inputs and parameters

TEST_F(Integrity, AGzipFileWithTextAfterItIsRefusedWhole) {
    std::string fastq;
    for (int i = 0; i < 700; ++i) fastq += "@r" + std::to_string(i) + "\nACGTACGTACGTAAAA\n+\nIIIIIIIIIIIIIIII\n";
    test::writeFile(dir.file("mixed.fq.gz"), test::gzipped(fastq) + fastq);
    test::writeFile(dir.file("two.fq.gz"), test::gzipped(fastq) + test::gzipped(fastq));
    const Values common = {{"diRes", res},      {"outName", "r"},      {"outForm", "both"},
                           {"rMinSz", "1"},     {"rMaxSz", "5119"},    {"trimHeadSz", "0"},
                           {"trimTailSz", "0"}, {"readsWithN", "drop"}};
    Values values = common;
    values.emplace_back("pthFastq", dir.file("mixed.fq.gz"));
    auto r = run(params(values), "fPrepReads");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\ni can't read " + dir.file("mixed.fq.gz") +
                         ": the file goes on after its last gzip member with bytes that are not gzip data"),
              std::string::npos)
        << r.out;
    EXPECT_TRUE(tree(res).empty()) << "nothing written";

    values = common;
    values.emplace_back("pthFastq", dir.file("two.fq.gz"));
    r = run(params(values), "fPrepReads");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(test::readFile(res + "/r_PrepLog.txt").find("\ninput=1400\nwritten=1400"), std::string::npos);
}

// A size whose text names the result files must be a plain number: a
// path in it would put results elsewhere.
TEST_F(Integrity, SizeTextsThatWouldLeaveTheResultFolderAreRefused) {
    // The folders the names would pass through exist, so a name taken as
    // typed would land two folders up.
    const std::string escape = "12/../../escaped";
    fs::create_directory(res + "/e_12");
    fs::create_directory(res + "/e_12!4!1");
    params(randExtValues(escape));
    auto r = run(dir.file("p.txt"), "RandExt");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "\nparameter immutSz = \"" + escape +
                         "\" is not a plain decimal number (its text names the result files)\ndone\n");

    test::writeFile(dir.file("t.txt"), "Task list\n\n\n\n\n\ne\nheading\n12\t4\t1\n12\t4\t1/../../x\n");
    params({{"pthGnm", dir.file("g.txt")}, {"pthReads", dir.file("r.txt")}, {"diRes", res},
            {"pthTaskList", dir.file("t.txt")}});
    r = run(dir.file("p.txt"), "RandExtTaskList");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.ends_with("\n12\t4\t1/../../x\nparameter misNu = \"1/../../x\" is not a plain decimal "
                                "number (its text names the result files)\ndone\n"))
        << r.out;
    EXPECT_EQ(tree(res), (std::vector<std::string>{"e_12", "e_12!4!1", "e_12!4!1!.txt", "e_12!4!1!Log.txt"}));
    EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"g.bin", "g.txt", "p.txt", "r.txt", "res", "res/e_12",
                                                          "res/e_12!4!1", "res/e_12!4!1!.txt",
                                                          "res/e_12!4!1!Log.txt", "t.txt"}))
        << "nothing outside the result folder";
}

TEST_F(Integrity, NumbersWithTrailingCharactersAreReadAsBeforeAndSaid) {
    params(codedValues(dir.file("g.bin"), dir.file("g.bin"), "16abc", "40.5"));
    const auto r = run(dir.file("p.txt"), "fReadsOutOfSeq");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(r.out.starts_with("\nparameter rMinSz = \"16abc\" is read as 16"
                                  "\nparameter rMaxSz = \"40.5\" is read as 40"))
        << r.out;
}

// A FIFO anywhere a file is read would block the run for ever.
TEST_F(Integrity, AFifoWhereAFileBelongsIsRefusedAtOnce) {
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    test::writeFile(dir.file("list.txt"), "fifo\n");
    struct Case {
        std::string what;
        std::string function;
        Values values;
        std::string message;
    };
    const Case cases[] = {
        {"parameter file", "RandExt", {}, "\ni can't open " + fifo},
        {"letter genome", "RandExt", {{"pthGnm", fifo}}, "\ni can't open " + fifo},
        {"reads file", "RandExt", {{"pthReads", fifo}}, "\ni can't open\n" + fifo},
        {"task list", "RandExtTaskList", {{"pthTaskList", fifo}}, "\ni can't open\n" + fifo},
        {"list file", "fMatchReadsT_VarSzPartedRate", {{"pthList", fifo}}, "\ni can't open\n" + fifo},
        {"listed reads file", "fMatchReadsT_VarSzPartedRate", {{"pthList", dir.file("list.txt")}},
         "\ni can't open\n" + fifo},
        {"FASTA input", "fPrepGenome", {{"pthFasta", fifo}}, "\ni can't open\n" + fifo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Values values = randExtValues();
        for (const auto& v : Values{{"pthTaskList", dir.file("t.txt")}, {"diReads", dir.path().string()},
                                    {"pthList", dir.file("list.txt")}, {"rMinSz", "12"}, {"rMaxSz", "40"},
                                    {"pthFasta", dir.file("g.fa")}, {"seqName", "blank"}, {"outName", "blank"},
                                    {"outForm", "both"}, {"nonAcgt", "refuse"}})
            values.push_back(v);
        if (c.function == "fMatchReadsT_VarSzPartedRate") values[0].second = dir.file("g.bin");
        for (const auto& [name, value] : c.values)
            for (auto& v : values)
                if (v.first == name) v.second = value;
        const std::string paramFile = c.what == "parameter file" ? fifo : params(values);
        const auto r = run(paramFile, c.function);
        EXPECT_EQ(r.exitCode, 1) << "124: the run hung on the FIFO";
        EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
        EXPECT_FALSE(anyTemporary(dir.path()));
    }
}

// The result folder is looked at before any read: a folder that cannot
// take files ends the run before the reads, and nothing lands beside them.
TEST_F(Integrity, AResultFolderThatCannotTakeFilesIsFoundFirst) {
    test::writeFile(dir.file("reads.bin"), test::coded(kTestGenome.substr(0, 30)) + "\n");
    test::writeFile(dir.file("list.txt"), "reads.bin\n");
    const std::string none = dir.file("none");
    struct Case {
        std::string function;
        std::string firstResult;  // the file the message names
    };
    const Case cases[] = {
        {"fMapReadsOnToSeq", "reads_In[16-40]g_Log.txt"},
        {"fMapReadsOneInSeq", "reads[One]g_Log.txt"},
        {"fMatchReadsT_VarSzO", "reads[16-40]g_Log.txt"},
        {"fMatchReadsT_VarSzParted", "reads[16-40]g_PartedLog.txt"},
        {"fMatchReadsT_VarSzPartedRate", "_RatingLog.txt"},
        {"fReadsOutOfSeq", "reads_Out.bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        Values values = codedValues(dir.file("reads.bin"), dir.file("g.bin"));
        values[0].second = none;
        values.emplace_back("diReads", dir.path().string());
        values.emplace_back("pthList", dir.file("list.txt"));
        const auto r = run(params(values), c.function);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "\ni can't open " + none + "/" + c.firstResult + "\ndone\n");
        EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"g.bin", "g.txt", "list.txt", "p.txt", "r.txt",
                                                              "reads.bin", "res"}));
    }
}

// A committed set replaces the earlier set of its stem whole: numbered
// reports of a longer genome go, those of other stems stay.
TEST_F(Integrity, NumberedReportsOfALongerGenomeGo) {
    test::writeFile(dir.file("reads.bin"), test::coded(kTestGenome.substr(3, 16)) + "\n");
    for (const std::string name : {"Up1", "Up2", "Lw1", "Lw2", "Up12", "Lw02", "Up2x"})
        test::writeFile(res + "/reads[16-16]g_" + name + ".txt", "earlier");
    test::writeFile(res + "/other[16-16]g_Up2.txt", "another stem");
    params(codedValues(dir.file("reads.bin"), dir.file("g.bin"), "16", "16"));
    const auto r = run(dir.file("p.txt"), "fMatchReadsT_VarSzO");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(tree(res), (std::vector<std::string>{"other[16-16]g_Up2.txt", "reads[16-16]g_Log.txt",
                                                   "reads[16-16]g_Lw02.txt", "reads[16-16]g_Lw1.txt",
                                                   "reads[16-16]g_Up1.txt", "reads[16-16]g_Up2x.txt"}));
    EXPECT_TRUE(test::readFile(res + "/reads[16-16]g_Up1.txt").starts_with("1\t0.00\n2\t0.00\n3\t0.00\n4\t1.00\n"));
}

// Every read found: the batches have nothing to write (the sanitizer
// build watches the empty write).
TEST_F(Integrity, EveryReadFoundWritesAnEmptyOutput) {
    test::writeFile(dir.file("reads.bin"), test::coded(kTestGenome.substr(0, 20)) + "\n" + test::coded(kTestGenome.substr(5, 30)) + "\n");
    params(codedValues(dir.file("reads.bin"), dir.file("g.bin")));
    const auto r = run(dir.file("p.txt"), "fReadsOutOfSeq");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(test::readFile(res + "/reads_Out.bin"), "");
}

// ---------------------------------------------------------------------------
// Memory and interruptions

// Low-complexity reads on a low-complexity genome are placed at every
// position: memory stays that of the index however many placements there
// are, and the table still lists every site.
TEST_F(Integrity, PlacementsEverywhereKeepMemoryFlat) {
    constexpr int kLength = 8000, kReads = 1500;
    test::writeFile(dir.file("g.txt"), std::string(kLength, 'A'));
    std::string reads;
    for (int i = 0; i < kReads; ++i) reads += std::string(26, 'A') + "ACGT\n";
    test::writeFile(dir.file("r.txt"), reads);
    Values values = randExtValues("26", "4", "0");
    values.emplace_back("threads", "2");
    params(values);
    const Started s = start({dir.file("p.txt"), "RandExt"}, scratch.file("out"));
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(s.pid, &status, 0, &usage), s.pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << test::readFile(s.outPath);
    std::string table = "posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu";
    for (int p = 1; p <= kLength; ++p)
        table += "\n" + std::to_string(p) + "\t1500\t0.0000\t+\t" + std::string(26, 'A') + "acgt\t1500";
    EXPECT_EQ(test::readFile(res + "/e_26!4!0!.txt"), table);
    // The 12-mer index takes 134 MB; the 12 million placements would take
    // as much again and more.
    if (kSanitized) {
        std::cout << "[ note ] the peak memory is not checked in a sanitizer build\n";
    } else {
        EXPECT_LT(usage.ru_maxrss, 200 * 1024) << "peak memory in KiB";
    }
    EXPECT_FALSE(anyTemporary(dir.path()));
}

// An interruption while twenty tasks of one read size are scanned (four
// temporary files each) leaves no temporary file (reports committed before
// it may stay).
TEST_F(Integrity, AnInterruptedTaskListLeavesNoTemporaryFile) {
    std::string reads;
    const std::string genome = randomBases(2000, 3);
    test::writeFile(dir.file("g.txt"), genome);
    for (int i = 0; i < 1000000; ++i) reads += genome.substr((i * 7) % 1900, 20) + "\n";
    test::writeFile(dir.file("r.txt"), reads);
    std::string list = "Task list\n\n\n\n\n\ne\nheading\n";
    int tasks = 0;
    for (int immut = 12; immut <= 14; ++immut)
        for (int misNu = 0; misNu <= 20 - immut && tasks < 20; ++misNu, ++tasks)
            list += std::to_string(immut) + "\t" + std::to_string(20 - immut) + "\t" + std::to_string(misNu) + "\n";
    ASSERT_EQ(tasks, 20);
    test::writeFile(dir.file("t.txt"), list);
    params({{"pthGnm", dir.file("g.txt")}, {"pthReads", dir.file("r.txt")}, {"diRes", res},
            {"pthTaskList", dir.file("t.txt")}, {"threads", "1"}});
    const Started s = start({dir.file("p.txt"), "RandExtTaskList"}, scratch.file("out"));
    // Waits until every task's four files exist, then interrupts.
    const auto temporaries = [&] {
        std::size_t n = 0;
        for (const auto& e : fs::directory_iterator(res)) n += e.path().extension() == ".tmp";
        return n;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (temporaries() < 80 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GE(temporaries(), 80u) << test::readFile(s.outPath);
    kill(s.pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(s.pid, &status, 0), s.pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << test::readFile(s.outPath);
    EXPECT_FALSE(anyTemporary(res));
}

}  // namespace
}  // namespace ruz
