// fIdentifyCircularRna end to end on a 100-base genome, with reports worked
// out by hand from the four passes.
//
// Genome (L = 100), by tens:
//    1 TTAGTTGTGC  11 CGCAGCGAAG  21 TAGTGCTTGA  31 AATATGCGAC  41 CCCTAAGTAG
//   51 GAGCGTATGC  61 GCCCAGTAAC  71 CAATGCCTGT  81 TGAGATGCCA  91 GACGCGTAAC
// Every 12-mer (also those across the end) occurs once, on one strand only.
// Reads, written as genome positions (a..b inclusive):
//   R1 = 41..70 + 21..40   segment 21..70 cut after 20: head seed at 41
//        (i = 18, rest 20; pos 71 C differs from pos 21 T) gives start 21,
//        left 20, right 18; tail seed 29..40 (i = 8; pos 20 G differs from
//        pos 70 C) gives start 21, left 8, right 30
//   R7 = 25..70 + 21..24   cut after 4: head seed at 25, rest 4: start 21,
//        left 4, right 34; its tail seed (43..50 + 21..24) occurs nowhere
//   R2 = reverse complement of 66..81 + 52..65: passes 3 and 4 give (-)
//        start 52 with left 14, right 4 (head) and left 2, right 16 (tail)
//   R3 = 10..34 + 95..100 + 1..9   a segment across the start: head seed at
//        10, rest 15: start 10 - 15 = -5 (front margin); tail seed 98..100 +
//        1..9 is indexed at 98, i = 3: start 95, left 3, right 25
//   R5 = 23..70 + 21..22   unmatched part of 2 bases: no record
//   R6 = 68..70 + 21..67   unmatched part of 3 bases: no record
//   W1 = 1..30, W2 = reverse complement of 31..60: found whole
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/context.h"
#include "core/platform.h"
#include "support/run_analysis.h"
#include "support/letter_run.h"
#include "support/test_files.h"

namespace ruz {
namespace {

const std::string kGenome =
    "TTAGTTGTGCCGCAGCGAAGTAGTGCTTGAAATATGCGACCCCTAAGTAGGAGCGTATGCGCCCAGTAACCAATGCCTGTTGAGATGCCA"
    "GACGCGTAAC";
const std::string R1 = "CCCTAAGTAGGAGCGTATGCGCCCAGTAACTAGTGCTTGAAATATGCGAC";
const std::string R7 = "GCTTGAAATATGCGACCCCTAAGTAGGAGCGTATGCGCCCAGTAACTAGT";
const std::string R2 = "TGGGCGCATACGCTAACAGGCATTGGTTAC";
const std::string R3 = "CCGCAGCGAAGTAGTGCTTGAAATACGTAACTTAGTTGTG";
const std::string R5 = "GTGCTTGAAATATGCGACCCCTAAGTAGGAGCGTATGCGCCCAGTAACTA";
const std::string R6 = "AACTAGTGCTTGAAATATGCGACCCCTAAGTAGGAGCGTATGCGCCCAGT";
const std::string W1 = "TTAGTTGTGCCGCAGCGAAGTAGTGCTTGA";
const std::string W2 = "GCATACGCTCCTACTTAGGGGTCGCATATT";
// The segment texts of the records: flanks in lower case, seed in upper case.
const std::string kR1Tail = "tagtgcttGAAATATGCGACccctaagtaggagcgtatgcgcccagtaac";  // 21, 8, 30
const std::string kR1Head = "tagtgcttgaaatatgcgacCCCTAAGTAGGAgcgtatgcgcccagtaac";  // 21, 20, 18

struct Counts {
    long input, within, defective, inGenome, upper, lower;
};

class CircularRnaRun : public test::LetterRun {
protected:
    CircularRnaRun() : LetterRun(kGenome) {}
    std::string reportPath() const { return prefix + "reads_RCircular.txt"; }

    bool run(const std::string& reads, const std::string& minSz = "8", const std::string& maxSz = "60",
             const std::vector<std::pair<std::string, std::string>>& more = {}) {
        test::writeFile(readsPath(), reads);
        RunContext context(rec.console());
        std::vector<std::pair<std::string, std::string>> records = {
            {"diRes", dir.path().string()}, {"pthGnm", genomePath()}, {"pthReads", readsPath()},
            {"rMinSz", minSz}, {"rMaxSz", maxSz}};
        records.insert(records.end(), more.begin(), more.end());
        return test::runWithParameters(context, "fIdentifyCircularRna", dir.file("params.txt"), records);
    }
    std::string header(const std::string& bounds, const Counts& c) const {
        const auto n = [](long v) { return std::to_string(v); };
        return "program= Ruzovizu::fIdentifyCircularRna\ngenome= " + genomePath() +
               "\nreads= " + readsPath() + "\nreads size scope by user=" + bounds +
               "\nReads::input=" + n(c.input) + "\twirhin scope size=" + n(c.within) +
               "\ndefective=" + n(c.defective) + "\tin genome=" + n(c.inGenome) +
               "\tanalized=" + n(c.within - c.inGenome - c.defective) +
               "\ncircular on (+) strand=" + n(c.upper) +
               "; ncircular on (-) strand=" + n(c.lower) +
               "; circulars in total=" + n(c.upper + c.lower) + ";\npossible cycled Rna";
    }
    std::string echo() const {
        return "procedure  fIdentifyCircularRna\ngenome        " + genomePath() +
               "\nreads         " + readsPath() + "\nexecuting...";
    }
    static std::string scanned() { return "\nseaching permuted reads\nsorting...\nsaving..."; }
};

TEST_F(CircularRnaRun, EveryKindOfReadOnBothStrandsAndAcrossTheStart) {
    const std::string reads =
        R1 + "\n" +                // 2 (+) records under start 21
        R7 + "\r\n" +              // 1 (+) record, start 21; CR LF
        R2 + "\r\n" +              // 2 (-) records, start 52
        R3 + "\n" +                // (+) starts -5 and 95
        R5 + "\n" + R6 + "\n" +    // unmatched 2 and 3 bases: analysed, no record
        W1 + "\n" + W2 + "\n" +    // whole on the upper, on the lower strand
        "ACGTACGT\n"               // 8 bases: within scope, too short to seed
        "TTAGTTGTGCCG\n"           // 12 bases, whole at position 1
        "CCCTANGTAGGAGCGTATGCGCCCAGTAACTAGTGCTTGAAATATGCGAC\n"  // N: defective
        "ACGTNAC\n"                // 7 bases: out of scope, not defective
        "\n" +                     // empty: out of scope
        R1 + "ACGTACGTAAC\n" +     // 61 bases: out of scope
        "GATTACAGATTACAGATTACA";   // nowhere; last line without line feed
    ASSERT_TRUE(run(reads));
    EXPECT_EQ(test::readFile(reportPath()),
              header("[8,60]", {15, 12, 1, 3, 5, 2}) +
                  "\n+-5\tcgtaacttagttgtgCCGCAGCGAAGTagtgcttgaaata"
                  "\n+21\ttagtGCTTGAAATATGcgacccctaagtaggagcgtatgcgcccagtaac"
                  "\n+\t21\t" + kR1Tail +
                  "\n+\t21\t" + kR1Head +
                  "\n+95\tcgtAACTTAGTTGTGccgcagcgaagtagtgcttgaaata"
                  "\n-52\tagCGTATGCGCCCAgtaaccaatgcctgtt"
                  "\n-\t52\tagcgtatgcgcccaGTAACCAATGCCtgtt");
    EXPECT_EQ(rec.text(), echo() + scanned());
    EXPECT_EQ(rec.keyWaits(), 1);
    EXPECT_EQ(dir.listing(), (std::vector<std::string>{"genome.txt", "params.txt", "reads.txt",
                                                       "reads_RCircular.txt"}))
        << "no temporary file stays";
}

// The segments of the first test as a track. R1 and R7 are explained by
// 21..70, [20, 70), each read once though R1 gives two records; R3's
// records -5 and 95 are one segment, 95..100 + 1..34: [94, 100) and
// [0, 34); R2's (-) segment 52..81 is [51, 81) on "-".
TEST_F(CircularRnaRun, TracksGiveEachSegmentOnceWithTheReadsItExplains) {
    ASSERT_TRUE(run(R1 + "\n" + R7 + "\n" + R2 + "\n" + R3 + "\n" + W1 + "\n", "8", "60",
                    {{"tracks", "yes"}, {"seqName", "circ1"}}))
        << rec.text();
    EXPECT_EQ(test::readFile(prefix + "reads_RCircular.bed"),
              "track name=\"fIdentifyCircularRna segments reads\" description=\"fIdentifyCircularRna reads "
              "rMinSz=8 rMaxSz=60 on genome\" useScore=1\n"
              "circ1\t0\t34\t1\t500\t+\n"
              "circ1\t20\t70\t2\t1000\t+\n"
              "circ1\t51\t81\t1\t500\t-\n"
              "circ1\t94\t100\t1\t500\t+\n");
    EXPECT_EQ(rec.text(), echo() + scanned());
    EXPECT_EQ(dir.listing(), (std::vector<std::string>{"genome.txt", "params.txt", "reads.txt",
                                                       "reads_RCircular.bed", "reads_RCircular.txt"}));
}

TEST_F(CircularRnaRun, FlanksLongerThan127BasesKeepTheirLengths) {
    // A 400-base genome from a fixed generator; the segment 51..350 (300
    // bases) is cut after 160 bases: the read is 211..350 + 51..210. The
    // bases around the segment differ from the read's continuation. Head seed
    // 211..222: right 128, left 160. Tail seed 199..210: left 148, right 140.
    const test::FixedGenome fixed(400);
    const std::string& genome = fixed.bases;
    const auto span = [&fixed](int a, int b) { return fixed.span(a, b); };
    const auto lower = [&fixed](int a, int b) { return fixed.lower(a, b); };
    ASSERT_NE(span(50, 50), span(350, 350));
    ASSERT_NE(span(351, 351), span(51, 51));
    test::writeFile(genomePath(), genome);
    ASSERT_TRUE(run(span(211, 350) + span(51, 210) + "\n", "20", "300"));
    EXPECT_EQ(test::readFile(reportPath()), header("[20,300]", {1, 1, 0, 0, 2, 0}) + "\n+51\t" +
                                                lower(51, 198) + span(199, 210) + lower(211, 350) +
                                                "\n+\t51\t" + lower(51, 210) + span(211, 222) +
                                                lower(223, 350));
}

TEST_F(CircularRnaRun, AWholeMatchInALaterPassDropsTheRecordsOfTheRead) {
    // The genome gains R1's reverse complement at 101..150: passes 1 and 2
    // give R1's two records, pass 3 then finds the read whole.
    std::string rc;
    for (auto it = R1.rbegin(); it != R1.rend(); ++it)
        rc += *it == 'A' ? 'T' : *it == 'C' ? 'G' : *it == 'G' ? 'C' : 'A';
    test::writeFile(genomePath(), kGenome + rc);
    ASSERT_TRUE(run(R1 + "\n"));
    EXPECT_EQ(test::readFile(reportPath()), header("[8,60]", {1, 1, 0, 1, 0, 0}));
}

TEST_F(CircularRnaRun, ReadingStopsOnceThereAreMoreThan9995UpperRecords) {
    // R2 first (2 lower records), then R1 5000 times: after the 4998th R1
    // there are 9996 (+) records and the reading stops; the R2 at the end is
    // never read.
    std::string reads = R2 + "\n";
    for (int i = 0; i < 5000; ++i) reads += R1 + "\n";
    ASSERT_TRUE(run(reads + R2 + "\n", "20", "60"));
    std::string expected = header("[20,60]", {4999, 4999, 0, 0, 9996, 2}) + "\n+21\t" + kR1Tail;
    for (int i = 1; i < 4998; ++i) expected += "\n+\t21\t" + kR1Tail;
    for (int i = 0; i < 4998; ++i) expected += "\n+\t21\t" + kR1Head;
    expected += "\n-52\tagCGTATGCGCCCAgtaaccaatgcctgtt\n-\t52\tagcgtatgcgcccaGTAACCAATGCCtgtt";
    EXPECT_EQ(test::readFile(reportPath()), expected);
}

TEST_F(CircularRnaRun, ALongLineEndsTheReadingAndTheRunFailsWithTheReportOfTheReadsBefore) {
    EXPECT_FALSE(run(R7 + "\n" + std::string(5120, 'A') + "\n" + R1 + "\n"));
    EXPECT_EQ(test::readFile(reportPath()),
              header("[8,60]", {1, 1, 0, 0, 1, 0}) +
                  "\n+21\ttagtGCTTGAAATATGcgacccctaagtaggagcgtatgcgcccagtaac");
    EXPECT_EQ(rec.text(), echo() + "\nseaching permuted reads\nline 2 of " + readsPath() +
                              " is longer than 5119 characters: the reading stopped there"
                              "\nsorting...\nsaving...");
    EXPECT_EQ(rec.keyWaits(), 2);
}

TEST_F(CircularRnaRun, FailuresLeaveNoReportAndKeepAnEarlierOne) {
    struct Case {
        const char* what;
        std::string genome;  // genome file contents; "-" for no genome file
        std::string diRes;   // "" for the test directory
        const char* minSz;
        bool readsFile;
        std::string
            console;  // after the echo unless it begins with "!"; @ is the run's folder + separator
    };
    const std::string missingDir = "@no-such-dir";
    const Case cases[] = {
        {"letter N in the genome", "ACGTN" + kGenome, "", "8", true,
         "\ngenome: position = 6non{ACGT) symbol = N"},
        {"no genome", "-", "", "8", true, "\ni can't open @genome.txt"},
        {"no reads file", kGenome, "", "8", false, "\ni can't open\n@reads.txt"},
        {"report first: no result directory and no genome", "-", missingDir, "8", true,
         "\ni can't open @no-such-dir" + std::string(1, platform::kPathSeparator) +
             "reads_RCircular.txt"},
        {"size that is no number", kGenome, "", "x", true,
         "!\nparameter rMinSz = \"x\" is not a whole number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingConsole fresh;
        test::TempDir own;
        const std::string genome = own.file("genome.txt"), reads = own.file("reads.txt");
        if (c.genome != "-") test::writeFile(genome, c.genome);
        if (c.readsFile) test::writeFile(reads, R1 + "\n");
        const auto placed = [&own](std::string text) {
            for (auto at = text.find('@'); at != std::string::npos; at = text.find('@'))
                text.replace(at, 1, own.path().string() + platform::kPathSeparator);
            return text;
        };
        const std::string resultDir = c.diRes.empty() ? own.path().string() : placed(c.diRes);
        const std::string earlier = own.file("reads_RCircular.txt");
        test::writeFile(earlier, "an earlier report");
        test::writeFile(own.file("params.txt"),
                        test::record("diRes", resultDir) + test::record("pthGnm", genome) +
                            test::record("pthReads", reads) + test::record("rMinSz", c.minSz) +
                            test::record("rMaxSz", "60"));
        RunContext context(fresh.console());
        EXPECT_FALSE(test::runAnalysis(context, "fIdentifyCircularRna", own.file("params.txt")));
        const std::string shownEcho = "procedure  fIdentifyCircularRna\ngenome        " + genome +
                                      "\nreads         " + reads + "\nexecuting...";
        EXPECT_EQ(fresh.text(),
                  c.console[0] == '!' ? c.console.substr(1) : shownEcho + placed(c.console));
        EXPECT_EQ(test::readFile(earlier), "an earlier report");
        std::vector<std::string> expected = {"params.txt", "reads_RCircular.txt"};
        if (c.genome != "-") expected.push_back("genome.txt");
        if (c.readsFile) expected.push_back("reads.txt");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(own.listing(), expected) << "no temporary file stays";
    }
}

}  // namespace
}  // namespace ruz
