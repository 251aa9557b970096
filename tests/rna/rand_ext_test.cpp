// RandExt end to end on a 40-letter genome, with reports worked out by hand.
//
// Genome (L = 40; the file holds some lowercase letters):
//   upper  GATTACAGGCTTCAAGTCCGATGGCATTACGGATCCTAGC
//   lower  GCTAGGATCCGTAATGCCATCGGACTTGAAGCCTGTAATC  (reverse complement)
// Keys used (each occurs once, on one strand only):
//   TTACAGGCTTCA upper 3   (genome tip AGTC)
//   CCTAGCGATTAC upper 35  (crosses the end: CCTAGC + GATTAC; genome tip AGGC)
//   GATGGCATTACG upper 20  (genome tip GATC)
//   CCGTAATGCCAT lower 9   (genome tip CGGA), reported at 40 - 9 + 1 = 32
// Tip codes: acgt 27, ttga 248, catg 78, tttg 254.
#include <gtest/gtest.h>

#include <filesystem>
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

const std::string kGenome = "gattacaggcTTCAAGTCCGATGGCATTACGGATCCTAGC";
const std::string kHeader = "posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu";

class RandExtRun : public test::LetterRun {
protected:
    RandExtRun() : LetterRun(kGenome) {}

    bool run(const std::string& reads, const std::string& immut = "12",
             const std::string& tip = "4", const std::string& mis = "1",
             const std::string& experimentId = "exp.1",
             const std::vector<std::pair<std::string, std::string>>& more = {}) {
        test::writeFile(readsPath(), reads);
        RunContext context(rec.console());
        std::vector<std::pair<std::string, std::string>> records = {
            {"pthGnm", genomePath()}, {"pthReads", readsPath()}, {"diRes", dir.path().string()},
            {"experimentId", experimentId}, {"immutSz", immut}, {"mutTipSz", tip}, {"misNu", mis}};
        records.insert(records.end(), more.begin(), more.end());
        return test::runWithParameters(context, "RandExt", dir.file("params.txt"), records);
    }
    std::string log(const std::string& counts, const std::string& statistics) const {
        return "proc=Ruzovizu::fCutRnaWithReplacedEnd\ngenome=" + genomePath() +
               "\nreads=" + readsPath() + counts + "\nentropy statistic report:\n" + statistics;
    }
    std::string echo(const std::string& immut, const std::string& tip, const std::string& mis,
                     const std::string& size, const std::string& id) const {
        return "procedure  RandExt\ngenome        " + genomePath() + "\nreads         " +
               readsPath() + "\n\nimmutable Sz  =" + immut + "\n  mutable Sz  =" + tip +
               "\nmismatches    =" + mis + "\naimed reads Sz=" + size + "\nexperimentId=" + id +
               "\nexecuting...";
    }
};

TEST_F(RandExtRun, SitesOnBothStrandsAcrossTheEndWithEveryKindOfRead) {
    const std::string reads =
        "TTACAGGCTTCAACGT\n"     // upper 3, tip acgt
        "TTACAGGCTTCAACGT\r\n"   // the same, CR LF
        "TTACAGGCTTCATTGA\n"     // upper 3, tip ttga
        "ttacaggcttcaacgt\n"     // lowercase: upper 3, tip acgt
        "CCTAGCGATTACTTTG\n"     // upper 35 across the end, tip tttg
        "CCTAGCGATTACCATG\r\n"   // upper 35, tip catg
        "CCGTAATGCCATGCAT\n"     // lower 9, tip gcat
        "CCGTAATGCCATGCAT\n"     // lower 9, tip gcat
        "TTACAGGCTTCAAGTC\n"     // matches whole: no mismatch, not placed
        "TTACAGGCTTCAGGGG\n"     // long track
        "GATGGCATTACGGGGg\n"     // not a long track (case): alone at upper 20
        "TTACAGGCNTCAACGT\n"     // defective
        "TTACAGGCTTCANNNN\n"     // long track, not defective
        "ACGT\n"                 // another size
        "\n"                     // empty
        "AAAAAAAAAAAAACGT";      // nowhere; last line without line feed
    ASSERT_TRUE(run(reads));

    EXPECT_EQ(test::readFile(prefix + "exp_1_12!4!1!.txt"),
              kHeader +
                  "\n3\t4\t0.5623\t+\tTTACAGGCTTCAacgt\t3"
                  "\n3\t4\t0.5623\t+\tTTACAGGCTTCAttga\t1"
                  "\n35\t2\t0.6931\t+\tCCTAGCGATTACcatg\t1"
                  "\n35\t2\t0.6931\t+\tCCTAGCGATTACtttg\t1"
                  "\n32\t2\t0.0000\t-\tCCGTAATGCCATgcat\t2");
    EXPECT_EQ(test::readFile(prefix + "exp_1_12!4!1!Log.txt"),
              log("\ninput=16; required read size=16; these reads=12: defected=1, longTracks=2"
                  "\nanalyzed=11, fell into genome=9;"
                  "\noccupied sites in strand:: inUpper(+)=2; inLower(-)=1; on both strand=3.",
                  "range=[0.0000,0.6931];\tmean=0.4185;\tsigma=0.3683;\nmean+3sigma=1.5233;"));
    EXPECT_EQ(rec.text(), echo("12", "4", "1", "16", "exp_1") + "\nsaving the result");
    EXPECT_EQ(rec.keyWaits(), 1);
    EXPECT_EQ(dir.listing(), (std::vector<std::string>{"exp_1_12!4!1!.txt", "exp_1_12!4!1!Log.txt",
                                                       "genome.txt", "params.txt", "reads.txt"}))
        << "no temporary file stays";
}

// The sites of the first test as tracks, on a sequence named by the
// genome's chrom.sizes. Upper 3 (4 reads) holds [2, 18); upper 35 (2 reads)
// runs over the end: [34, 40) and [0, 10); lower 9 (2 reads, reported at
// 32) holds lower 9..24, the upper strand's 32 down to 17: [16, 32) on "-".
// The entropy stands on each site's first base: 3 -> [2, 3), 35 -> [34, 35),
// lower 9 -> the upper strand's 32 -> [31, 32).
TEST_F(RandExtRun, TracksGiveTheSitesOnTheUpperStrandSplitAtTheOrigin) {
    const std::string reads =
        "TTACAGGCTTCAACGT\nTTACAGGCTTCAACGT\nTTACAGGCTTCATTGA\nTTACAGGCTTCAACGT\n"
        "CCTAGCGATTACTTTG\nCCTAGCGATTACCATG\nCCGTAATGCCATGCAT\nCCGTAATGCCATGCAT\n";
    test::writeFile(dir.file("genome.chrom.sizes"), "phiX\t40\n");
    ASSERT_TRUE(run(reads, "12", "4", "1", "exp.1", {{"tracks", "yes"}})) << rec.text();
    const std::string description =
        "description=\"RandExt exp_1_12!4!1! immutSz=12 mutTipSz=4 misNu=1 reads reads on genome\"";
    EXPECT_EQ(test::readFile(prefix + "exp_1_12!4!1!.bed"),
              "track name=\"RandExt sites exp_1_12!4!1!\" " + description + " useScore=1\n"
              "phiX\t0\t10\t2\t500\t+\n"
              "phiX\t2\t18\t4\t1000\t+\n"
              "phiX\t16\t32\t2\t500\t-\n"
              "phiX\t34\t40\t2\t500\t+\n");
    EXPECT_EQ(test::readFile(prefix + "exp_1_12!4!1!EntropyUp.bedGraph"),
              "track type=bedGraph name=\"RandExt entropy(+) exp_1_12!4!1!\" " + description + "\n"
              "phiX\t2\t3\t0.5623\n"
              "phiX\t34\t35\t0.6931\n");
    EXPECT_EQ(test::readFile(prefix + "exp_1_12!4!1!EntropyLw.bedGraph"),
              "track type=bedGraph name=\"RandExt entropy(-) exp_1_12!4!1!\" " + description + "\n"
              "phiX\t31\t32\t0.0000\n");
    EXPECT_EQ(rec.text(), echo("12", "4", "1", "16", "exp_1") + "\nsaving the result") << "the name is recorded";
}

TEST_F(RandExtRun, TrackSettingsAreCheckedAndTheSequenceNamedByTheBestSource) {
    const std::string reads = "TTACAGGCTTCAACGT\nTTACAGGCTTCATTGA\n";
    struct Case {
        const char* what;
        std::string sizes;  // the genome's chrom.sizes; empty: none
        std::vector<std::pair<std::string, std::string>> more;
        bool runs;
        std::string firstLine, console;
    };
    const std::string named = "\ntracks: the sequence is named genome after the genome file; give seqName, or "
                              "prepare the genome with fPrepGenome, to name it as its FASTA record";
    const std::vector<Case> cases = {
        {"seqName given: taken over the recorded name", "phiX\t40\n", {{"tracks", "yes"}, {"seqName", "NC_1"}},
         true, "NC_1\t2\t18\t2\t1000\t+", ""},
        {"no record: the genome's base name, said", "", {{"tracks", "yes"}}, true,
         "genome\t2\t18\t2\t1000\t+", named},
        {"a recorded length that differs: passed over", "phiX\t41\n", {{"tracks", "yes"}}, true,
         "genome\t2\t18\t2\t1000\t+",
         "\ntracks: " + dir.file("genome.chrom.sizes") + " gives 41 bases for phiX, the genome holds 40; "
         "the name is not taken" + named},
        {"tracks neither yes nor no", "", {{"tracks", "true"}}, false, "",
         "\nparameter tracks = \"true\": write yes or no"},
        {"a seqName with a blank", "", {{"tracks", "yes"}, {"seqName", "chr 1"}}, false, "",
         "\nparameter seqName = \"chr 1\": a sequence name holds no blank or control character"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(dir.file("genome.chrom.sizes"));
        if (!c.sizes.empty()) test::writeFile(dir.file("genome.chrom.sizes"), c.sizes);
        const std::size_t before = rec.text().size();
        EXPECT_EQ(run(reads, "12", "4", "1", "exp.1", c.more), c.runs);
        const std::string said = rec.text().substr(before);
        if (c.runs) {
            const std::string bed = test::readFile(prefix + "exp_1_12!4!1!.bed");
            EXPECT_EQ(bed.substr(bed.find('\n') + 1), c.firstLine + "\n");
            EXPECT_EQ(said, echo("12", "4", "1", "16", "exp_1") + "\nsaving the result" + c.console);
        } else {
            EXPECT_NE(said.find(c.console), std::string::npos) << said;
        }
    }
}

TEST_F(RandExtRun, ZeroMismatchesAcceptsWholeMatchesAndLongerImmutablePartsAreCompared) {
    // immutSz 14: letters 13 and 14 must match too. At upper 3 the genome
    // reads TTACAGGCTTCAAG + TC; at lower 9 CCGTAATGCCATCG + GA.
    const std::string reads =
        "TTACAGGCTTCAAGTC\n"   // whole match, tip tc
        "TTACAGGCTTCAAGTC\n"   // again
        "TTACAGGCTTCAAGGA\n"   // tip ga: 2 mismatches, accepted too
        "TTACAGGCTTCATGTC\n"   // letter 13 differs: rejected
        "CCGTAATGCCATCGGA\n"   // whole match on the lower strand: alone there
        "CCGTAATGCCATCCGA\n";  // letter 14 differs: rejected
    ASSERT_TRUE(run(reads, "14", "2", "0", "blank"));
    EXPECT_EQ(test::readFile(prefix + "RnaCut_reads_14!2!0!.txt"),
              kHeader +
                  "\n3\t3\t0.6365\t+\tTTACAGGCTTCAAGga\t1"
                  "\n3\t3\t0.6365\t+\tTTACAGGCTTCAAGtc\t2");
    EXPECT_EQ(test::readFile(prefix + "RnaCut_reads_14!2!0!Log.txt"),
              log("\ninput=6; required read size=16; these reads=6: defected=0, longTracks=0"
                  "\nanalyzed=6, fell into genome=4;"
                  "\noccupied sites in strand:: inUpper(+)=1; inLower(-)=0; on both strand=1.",
                  "range=[0.6365,0.6365];\tmean=0.6365;\tsigma=0.0000;\nmean+3sigma=0.6365;"));
    EXPECT_EQ(rec.text(), echo("14", "2", "0", "16", "blank") + "\nsaving the result");
}

TEST_F(RandExtRun, ImmutablePartShorterThanTheKeyStillMatchesTwelveLetters) {
    // immutSz 10, mutTipSz 6: the tip starts inside the key, whose letters
    // always agree, so only tip letters 3 to 6 can differ (genome: CA AGTC).
    const std::string reads =
        "TTACAGGCTTCAAGTA\n"   // one mismatch in the tip
        "TTACAGGCTTCAAGTA\n"   // the same
        "TTACAGGCTTCAAGTC\n";  // whole match: 0 mismatches < 1
    ASSERT_TRUE(run(reads, "10", "6", "1", ""));
    EXPECT_EQ(test::readFile(prefix + "_10!6!1!.txt"),
              kHeader + "\n3\t2\t0.0000\t+\tTTACAGGCTTcaagta\t2");
    EXPECT_EQ(rec.text(), echo("10", "6", "1", "16", "") + "\nsaving the result");
}

TEST_F(RandExtRun, NoPlacedReadEndsWithFailureAndKeepsAnEarlierResult) {
    test::writeFile(prefix + "exp_1_12!4!1!.txt", "an earlier table");
    EXPECT_FALSE(run("TTACAGGCTTCAAGTC\nTTACAGGCTTCAGGGG\n"));
    EXPECT_EQ(rec.text(), echo("12", "4", "1", "16", "exp_1") + "\nno detected reads");
    EXPECT_EQ(rec.keyWaits(), 2);
    EXPECT_EQ(test::readFile(prefix + "exp_1_12!4!1!.txt"), "an earlier table");
    EXPECT_FALSE(test::exists(prefix + "exp_1_12!4!1!Log.txt"));
    EXPECT_EQ(dir.listing().size(), 4u) << "no temporary file stays";
}

TEST_F(RandExtRun, TipsOfOneOrNoLetterAreAllLongTracks) {
    EXPECT_FALSE(run("TTACAGGCTTCA\nTTACAGGCTTCA\n", "12", "0", "0"));
    EXPECT_EQ(rec.text(), echo("12", "0", "0", "12", "exp_1") + "\nno detected reads");
}

TEST_F(RandExtRun, MissingReadsFileEndsTheRunWithoutTemporaryFiles) {
    test::writeFile(dir.file("params.txt"),
                    test::record("pthGnm", genomePath()) + test::record("pthReads", "/no/reads.txt") +
                        test::record("diRes", dir.path().string()) +
                        test::record("experimentId", "e") + test::record("immutSz", "12") +
                        test::record("mutTipSz", "4") + test::record("misNu", "1"));
    RunContext context(rec.console());
    EXPECT_FALSE(test::runAnalysis(context, "RandExt", dir.file("params.txt")));
    EXPECT_EQ(rec.text().substr(rec.text().size() - 27), "\ni can't open\n/no/reads.txt");
    EXPECT_EQ(dir.listing(), (std::vector<std::string>{"genome.txt", "params.txt"}));
}

TEST_F(RandExtRun, EmptyResultDirectoryIsRefusedRatherThanTheRoot) {
    test::writeFile(dir.file("params.txt"),
                    test::record("pthGnm", genomePath()) + test::record("pthReads", readsPath()) +
                        test::record("diRes", "") + test::record("experimentId", "e") +
                        test::record("immutSz", "12") + test::record("mutTipSz", "4") +
                        test::record("misNu", "1"));
    RunContext context(rec.console());
    EXPECT_FALSE(test::runAnalysis(context, "RandExt", dir.file("params.txt")));
    EXPECT_EQ(rec.text(), "\nparameter diRes is empty: no result directory is given");
    EXPECT_FALSE(test::exists(std::string(1, platform::kPathSeparator) + "e_12!4!1!.txt"));
}

TEST_F(RandExtRun, BadGenomeLetterLeavesNoReport) {
    test::writeFile(genomePath(), "ACGTN" + kGenome);
    EXPECT_FALSE(run("TTACAGGCTTCAACGT\n"));
    EXPECT_EQ(rec.text(), echo("12", "4", "1", "16", "exp_1") +
                              "\ngenome: in seq position = 6 is non{ACGT)-symbol = N");
    EXPECT_EQ(dir.listing().size(), 3u) << "no report, no temporary file stays";
}

TEST_F(RandExtRun, EmptyGenomeLeavesNoReportBehind) {
    test::writeFile(genomePath(), "");
    EXPECT_FALSE(run("TTACAGGCTTCAACGT\n"));
    EXPECT_EQ(rec.text(),
              echo("12", "4", "1", "16", "exp_1") + "\ngenome: empty file " + genomePath());
    EXPECT_EQ(dir.listing(), (std::vector<std::string>{"genome.txt", "params.txt", "reads.txt"}));
}

TEST_F(RandExtRun, SizesTheReadModelCannotHoldAreRefusedBeforeAnyFile) {
    struct Case {
        const char* immut;
        const char* tip;
        const char* mis;
        const char* message;
    };
    const Case cases[] = {
        {"12", "17", "1", "\nparameter mutTipSz = 17 is above 16, the longest tip a tip code can hold"},
        {"6", "5", "1", "\nread size immutSz + mutTipSz = 11 is below 12, the length of the genome keys"},
        {"-2", "16", "1", "\nparameter immutSz = -2 must not be negative"},
        {"20", "-1", "1", "\nparameter mutTipSz = -1 must not be negative"},
        {"5200", "6", "1",
         "\nread size immutSz + mutTipSz = 5206 is above 5119, the longest line a reads file may hold"},
        {"twenty", "6", "1", "\nparameter immutSz = \"twenty\" is not a whole number"},
        {"20", "6", "", "\nparameter misNu = \"\" is not a whole number"},
    };
    for (const Case& c : cases) {
        RecordingConsole fresh;
        test::writeFile(dir.file("params.txt"),
                        test::record("pthGnm", genomePath()) + test::record("pthReads", readsPath()) +
                            test::record("diRes", dir.path().string()) +
                            test::record("experimentId", "e") + test::record("immutSz", c.immut) +
                            test::record("mutTipSz", c.tip) + test::record("misNu", c.mis));
        RunContext context(fresh.console());
        EXPECT_FALSE(test::runAnalysis(context, "RandExt", dir.file("params.txt")));
        EXPECT_EQ(fresh.text(), c.message);
        EXPECT_EQ(dir.listing(), (std::vector<std::string>{"genome.txt", "params.txt"}));
    }
}

}  // namespace
}  // namespace ruz
