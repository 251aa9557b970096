// fPrepReads end to end: FASTQ(.gz) and FASTA reads to letter and coded
// reads files and a log, with trimming, size bounds and reads holding N;
// bad settings and bad inputs refused with no result; and the preparation
// through the built engine's command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/context.h"
#include "support/run_analysis.h"
#include "support/test_files.h"
#include "gzip_bytes.h"

namespace ruz {
namespace {

using Settings = std::map<std::string, std::string>;

// Ten reads, trimmed by 2 at the head and 1 at the tail, kept from 3 to 6
// bases (the kept part in brackets):
//   r1  GG[ACGTA]C      written             r6  (empty)        too short
//   r2  tt[acgtc]A      written, capitals   r7  11 bases       too long
//   r3  GG[ACNTA]C      holds N: dropped    r8  11 with N      too long
//   r4  GG[AC]C         too short           r9  GG[AAA]T       written
//   r5  GGA -> nothing  too short           r10 GG[ACGTAC]T    written (6)
const std::string kTenReads =
    "@r1\nGGACGTAC\n+\nIIIIIIII\n"
    "@r2 lower case\r\nttacgtcA\r\n+\r\nIIIIIIII\r\n"
    "@r3\nGGACNTAC\n+\nIIIIIIII\n"
    "@r4\nGGAC\n+\nIIII\n"
    "@r5\nGGA\n+\nIII\n"
    "@r6\n\n+\n\n"
    "@r7\nGGACGTACGTA\n+\nIIIIIIIIIII\n"
    "@r8\nGGNNNNNNNNN\n+\n@@@@@@@@@@@\n"
    "@r9\nGGAA\nAT\n+\nIIII\nII\n"
    "@r10\nGGACGTACT\n+\nIIIIIIIII";

struct ReadsRun {
    Settings defaults() const {
        return {{"pthFastq", dir.file("reads.fq.gz")}, {"diRes", dir.path().string()}, {"outName", "blank"},
                {"outForm", "both"}, {"rMinSz", "3"}, {"rMaxSz", "6"}, {"trimHeadSz", "2"},
                {"trimTailSz", "1"}, {"readsWithN", "drop"}};
    }
    bool run(const Settings& settings) {
        std::string params;
        for (const auto& [name, value] : settings) params += test::record(name, value);
        test::writeFile(dir.file("params.txt"), params);
        RunContext context(rec.console());
        return test::runAnalysis(context, "fPrepReads", dir.file("params.txt"));
    }
    std::string out(const std::string& name) const { return dir.file(name); }
    // What the run shows before its key wait, for outputs named after `stem`.
    std::string echo(const Settings& s, const std::string& stem, const std::string& bounds,
                     const std::string& trims) const {
        const std::string& form = s.at("outForm");
        return "procedure  fPrepReads\nreads         " + s.at("pthFastq") + "\nletter reads  " +
               (form == "coded" ? "not written" : out(stem + ".txt")) + "\ncoded reads   " +
               (form == "letter" ? "not written" : out(stem + ".bin")) + "\nlog           " +
               out(stem + "_PrepLog.txt") + "\nsize bounds   " + bounds + "\ntrimmed       " + trims +
               "\nreads with N  " + (s.at("readsWithN") == "keep" ? "kept" : "dropped") + "\nexecuting...";
    }

    test::TempDir dir;
    RecordingConsole rec;
};

const std::string kTenCounts = "\ninput=10\nwritten=4\ntoo short=3\ntoo long=2\nwith N=1 (dropped)";

TEST(PrepReads, FastqGzipTrimmedBoundedAndWithoutNToBothForms) {
    ReadsRun r;
    test::writeFile(r.dir.file("reads.fq.gz"), test::gzipped(kTenReads));
    ASSERT_TRUE(r.run(r.defaults())) << r.rec.text();

    EXPECT_EQ(test::readFile(r.out("reads.txt")), "ACGTA\nACGTC\nAAA\nACGTAC\n");
    EXPECT_EQ(test::readFile(r.out("reads.bin")), std::string("\0\1\2\3\0\n\0\1\2\3\1\n\0\0\0\n\0\1\2\3\0\1\n", 23));
    EXPECT_EQ(test::readFile(r.out("reads_PrepLog.txt")),
              "program= Ruzovizu::fPrepReads\ninput= " + r.dir.file("reads.fq.gz") + "\nletter reads= " +
                  r.out("reads.txt") + "\ncoded reads= " + r.out("reads.bin") +
                  "\nsize bounds=[3,6]; trimHeadSz=2; trimTailSz=1" + kTenCounts);
    EXPECT_EQ(r.rec.text(), r.echo(r.defaults(), "reads", "[3,6]", "head 2, tail 1") + kTenCounts);
    EXPECT_EQ(r.rec.keyWaits(), 1);
    EXPECT_EQ(r.dir.listing(), (std::vector<std::string>{"params.txt", "reads.bin", "reads.fq.gz",
                                                          "reads.txt", "reads_PrepLog.txt"}));
}

TEST(PrepReads, FastaReadsKeptWithNUnderDefaultBoundsToLetters) {
    ReadsRun r;
    // d is empty: too short whatever the bounds; e is one base longer than
    // a reads file's line may be.
    const std::string longRead(5120, 'A');
    test::writeFile(r.dir.file("sample.fa"), ">a\nACGT\n>b\nacnt\n>c\nac\ngt\n>d\n>e\n" + longRead + "\n");
    Settings s = r.defaults();
    s["pthFastq"] = r.dir.file("sample.fa");
    s["outName"] = "s1";
    s["outForm"] = "letter";
    s["readsWithN"] = "keep";
    s["rMinSz"] = s["rMaxSz"] = "blank";
    s["trimHeadSz"] = "";
    s["trimTailSz"] = "blank";
    ASSERT_TRUE(r.run(s)) << r.rec.text();

    const std::string counts = "\ninput=5\nwritten=3\ntoo short=1\ntoo long=1\nwith N=1 (kept)";
    EXPECT_EQ(test::readFile(r.out("s1.txt")), "ACGT\nACNT\nACGT\n");
    EXPECT_EQ(test::readFile(r.out("s1_PrepLog.txt")),
              "program= Ruzovizu::fPrepReads\ninput= " + s["pthFastq"] + "\nletter reads= " + r.out("s1.txt") +
                  "\ncoded reads= not written\nsize bounds=[1,5119]; trimHeadSz=0; trimTailSz=0" + counts);
    EXPECT_EQ(r.rec.text(), r.echo(s, "s1", "[1,5119]", "head 0, tail 0") + counts);
    EXPECT_EQ(r.dir.listing(), (std::vector<std::string>{"params.txt", "s1.txt", "s1_PrepLog.txt", "sample.fa"}));
}

TEST(PrepReads, BadSettingsAreRefusedBeforeAnythingIsRead) {
    struct Case {
        Settings changes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{{"rMaxSz", "6000"}}, "\nparameter rMaxSz = 6000 is above 5119, the longest line a reads file may hold"},
        {{{"rMaxSz", "2"}}, "\nparameter rMaxSz = 2 is below rMinSz = 3"},
        {{{"rMaxSz", "blank"}, {"rMinSz", "6000"}}, "\nparameter rMaxSz = 5119 is below rMinSz = 6000"},
        {{{"rMinSz", "x"}}, "\nparameter rMinSz = \"x\" is not a whole number"},
        {{{"rMinSz", "-4"}}, "\nparameter rMinSz = -4 must not be negative"},
        {{{"trimHeadSz", "-1"}}, "\nparameter trimHeadSz = -1 must not be negative"},
        {{{"trimTailSz", "-1e3"}}, "\nparameter trimTailSz = \"-1e3\" (read as -1) must not be negative"},
        {{{"readsWithN", "maybe"}}, "\nparameter readsWithN = \"maybe\": write drop or keep"},
        {{{"readsWithN", "keep"}},
         "\nparameter readsWithN = keep: a coded reads file cannot hold N; drop them or set outForm to letter"},
        {{{"outForm", "codes"}}, "\nparameter outForm = \"codes\": write letter, coded or both"},
        {{{"outName", "a\\b"}},
         "\nparameter outName = \"a\\b\": give a file name without a directory (the files go into diRes)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ReadsRun r;
        test::writeFile(r.dir.file("reads.fq.gz"), test::gzipped(kTenReads));
        Settings s = r.defaults();
        for (const auto& [name, value] : c.changes) s[name] = value;
        EXPECT_FALSE(r.run(s));
        EXPECT_EQ(r.rec.text(), c.message);
        EXPECT_EQ(r.rec.keyWaits(), 1);
        EXPECT_EQ(r.dir.listing(), (std::vector<std::string>{"params.txt", "reads.fq.gz"}));
    }
}

TEST(PrepReads, BadInputsAreRefusedNamingFileAndRecordAndLeaveNoResult) {
    std::string longFastq;
    for (int i = 1; i <= 3000; ++i)
        longFastq += "@q" + std::to_string(i) + "\nACGTACGTTGCA" + std::to_string(i % 7) + "\n+\nIIIIIIIIIIIII\n";
    const std::string cutGzip = test::gzipped(longFastq);
    struct Case {
        const char* what;
        std::string bytes;
        std::string message;  // "P" stands for the input's path
    };
    const std::vector<Case> cases = {
        {"unequal sequence and quality", "@r1\nACGT\n+\nIIII\n@r2\nACGT\n+\nII\n@r3\nAC\n+\nII\n",
         "\nP, record 2 (r2): the quality's length differs from the sequence's (4 bases)"},
        {"an empty file", "", "\nP: no FASTA or FASTQ record (empty file)"},
        {"a gzip file of nothing", test::gzipped(""), "\nP: no FASTA or FASTQ record (empty file)"},
        {"no header", "ACGT\n+\nIIII\n",
         "\nP, record 1: the file begins with 'A', not with a header ('>' for FASTA, '@' for FASTQ)"},
        {"a gzip file cut short", cutGzip.substr(0, cutGzip.size() / 2),
         "\ni can't read P: unexpected end of file (in record "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReadsRun r;
        const std::string input = r.dir.file("reads.fq.gz");
        test::writeFile(input, c.bytes);
        test::writeFile(r.out("reads.txt"), "earlier result");
        EXPECT_FALSE(r.run(r.defaults()));
        std::string message = c.message;
        message.replace(message.find('P'), 1, input);
        const std::string text = r.rec.text();
        const std::string expected = r.echo(r.defaults(), "reads", "[3,6]", "head 2, tail 1") + message;
        // A cut gzip file fails in a record that depends on zlib's steps.
        EXPECT_EQ(text.substr(0, expected.size()), expected);
        if (c.message.back() == ' ') {
            EXPECT_EQ(text.back(), ')');
        } else {
            EXPECT_EQ(text, expected);
        }
        EXPECT_EQ(r.rec.keyWaits(), 2);
        EXPECT_EQ(test::readFile(r.out("reads.txt")), "earlier result") << "an earlier result survives";
        EXPECT_EQ(r.dir.listing(), (std::vector<std::string>{"params.txt", "reads.fq.gz", "reads.txt"}))
            << "no log, no coded file, no temporary file";
    }
}

// The command-line form a workflow uses: exit 0 after a preparation that ran
// to its end, 1 after a refused input; the help lists the three functions.
TEST(PrepReads, CommandLineExitStatusAndHelp) {
    ReadsRun r;
    test::writeFile(r.dir.file("reads.fq.gz"), test::gzipped(kTenReads));
    r.run(r.defaults());  // writes the parameter file
    const std::string engine = test::shellQuoted(RUZ_ENGINE_EXE);
    const std::string call = engine + " " + test::shellQuoted(r.dir.file("params.txt")) + " fPrepReads";
    test::ProcessResult ok = test::runCommand(call, r.dir);
    EXPECT_EQ(ok.exitCode, 0) << ok.out << ok.err;
    EXPECT_EQ(ok.out, r.echo(r.defaults(), "reads", "[3,6]", "head 2, tail 1") + kTenCounts + "\ndone\n");

    test::writeFile(r.dir.file("reads.fq.gz"), "@r1\nACGT\n+\nIII\n");
    test::ProcessResult bad = test::runCommand(call, r.dir);
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(test::readFile(r.out("reads.txt")), "ACGTA\nACGTC\nAAA\nACGTAC\n") << "the earlier result stays";

    const test::ProcessResult help = test::runCommand(engine + " --help", r.dir);
    for (const char* name : {"fPrepGenome", "fPrepReads", "fLettersToCodes"})
        EXPECT_NE(help.out.find(std::string("\n  ") + name + " "), std::string::npos) << name;
}

}  // namespace
}  // namespace ruz
