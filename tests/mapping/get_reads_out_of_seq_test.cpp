// fGetReadsThatOutOfSeq end to end on a 40-letter genome (some letters
// lowercase), with the output and the log worked out by hand.
//
// Genome (L = 40):   GATTACAGGCTTCAAGTCCGATGGCATTACGGATCCTAGC
// reverse complement GCTAGGATCCGTAATGCCATCGGACTTGAAGCCTGTAATC
// TTACAGGCTTCAAGTCCGAT lies at 3, GGATCCTAGCGATTACAG at 31 across the end,
// TAATGCCATCGGACTTGAAG on the lower strand only. The genome holds no AAA
// and no CCC, nor their reverse complements TTT and GGG.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/context.h"
#include "core/platform.h"
#include "support/run_analysis.h"
#include "support/test_files.h"

namespace ruz {
namespace {

const std::string kGenome = "gattacaggcTTCAAGTCCGATGGCATTACGGATCCTAGC";

// Letters of either case as coded bytes 0..3.
class GetReadsOutOfSeqRun : public ::testing::Test {
protected:
    void SetUp() override {
        prefix = dir.path().string() + platform::kPathSeparator;
        genomePath = dir.file("chr.fna");
        readsPath = dir.file("s1.txt");
        test::writeFile(genomePath, kGenome);
    }
    bool run(const std::string& reads, const std::vector<std::pair<std::string, std::string>>& more = {}) {
        test::writeFile(readsPath, reads);
        rec = std::make_unique<RecordingConsole>();
        RunContext context(rec->console());
        std::vector<std::pair<std::string, std::string>> records = {
            {"diRes", dir.path().string()}, {"pthReads", readsPath}, {"pthGnm", genomePath},
            {"rMinSz", "10"}, {"rMaxSz", "24"}};
        records.insert(records.end(), more.begin(), more.end());
        return test::runWithParameters(context, "fGetReadsThatOutOfSeq", dir.file("params.txt"), records);
    }
    std::string log(int input, int defective, int out) const {
        return "program= Ruzovizu::fGetReadsThatOutOfSeq\ngenome= " + genomePath +
               "\ninput reads= " + std::to_string(input) +
               "\ndfective= " + std::to_string(defective) +
               "\nread size scope (parameters by user)=[10,24]\nresult:\nreads out of genome= " +
               std::to_string(out);
    }

    test::TempDir dir;
    std::unique_ptr<RecordingConsole> rec;
    std::string prefix, genomePath, readsPath;
};

TEST_F(GetReadsOutOfSeqRun, LfAndCrLfReadsGiveTheSameCodedOutputAndCounts) {
    for (const std::string eol : {"\n", "\r\n"}) {
        const std::string lastEnd = eol == "\n" ? "" : "\r";  // the last line has no line feed
        const std::string reads = "TTACAGGCTTCAAGTCCGAT" + eol +  // upper 3
                                  "taatgccatcggacttgaag" + eol +  // lower strand only, lowercase
                                  "GGATCCTAGCGATTACAG" + eol +    // across the end
                                  "AAAAAAAAAAAAAAAAAAAA" + eol +  // nowhere: written
                                  "TTACAGGCTTCANNNNNNNN" + eol +  // defective
                                  "NNNNNNNNN" + eol +             // 9: below the bounds, not examined
                                  "ttacaggcttca" + eol +          // 12 < 16: written
                                  "TTACAGGCTTCAAGTCCGAA" + eol +  // last letter differs: written
                                  ">read_number" + eol +          // a header line of 12: defective
                                  eol +                           // empty
                                  "CCCCCCCCCCCCCCCCC" + lastEnd;  // nowhere
        ASSERT_TRUE(run(reads)) << "line end " << eol.size();
        EXPECT_EQ(test::readFile(prefix + "s1_Outchr.txt"),
                  test::coded("AAAAAAAAAAAAAAAAAAAA") + "\n" + test::coded("ttacaggcttca") + "\n" +
                      test::coded("TTACAGGCTTCAAGTCCGAA") + "\n" + test::coded("CCCCCCCCCCCCCCCCC") + "\n")
            << "line end " << eol.size();
        EXPECT_EQ(test::readFile(prefix + "s1_Outchr_Log.txt"), log(11, 2, 4))
            << "line end " << eol.size();
        EXPECT_EQ(rec->text(), "\nsaving the result");
        EXPECT_EQ(rec->keyWaits(), 0);
    }
    EXPECT_EQ(dir.listing(), (std::vector<std::string>{"chr.fna", "params.txt", "s1.txt",
                                                       "s1_Outchr.txt", "s1_Outchr_Log.txt"}));
}

// With tracks the reads written go to a FASTA too, in capitals, titled by
// their line numbers; CR LF lines lose their CR.
TEST_F(GetReadsOutOfSeqRun, TracksGiveTheReadsWrittenAsFastaTitledByTheirLines) {
    const std::string reads = "TTACAGGCTTCAAGTCCGAT\r\n"   // line 1: upper 3
                              "aaaaaaaaaaaaaaaaaaaa\r\n"   // line 2: nowhere
                              "TTACANGCTTCAAGTCCGAT\r\n"   // line 3: defective
                              "taatgccatcggacttgaag\r\n"   // line 4: lower strand only
                              "GATTACAGGC\r\n";            // line 5: 10 < 16
    ASSERT_TRUE(run(reads, {{"tracks", "yes"}}));
    EXPECT_EQ(test::readFile(prefix + "s1_Outchr.fa"), ">2\nAAAAAAAAAAAAAAAAAAAA\n>5\nGATTACAGGC\n");
}

TEST_F(GetReadsOutOfSeqRun, ALetterOtherThanABaseInTheGenomeStopsTheRunBeforeAnyFile) {
    test::writeFile(genomePath, "GATTNCAGGC" + kGenome);
    EXPECT_FALSE(run("AAAAAAAAAAAAAAAAAAAA\n"));
    EXPECT_EQ(rec->text(), "\ngenome: position = 6non{ACGT) symbol = N");
    EXPECT_EQ(rec->keyWaits(), 1);
    EXPECT_EQ(dir.listing(), (std::vector<std::string>{"chr.fna", "params.txt", "s1.txt"}));
}

}  // namespace
}  // namespace ruz
