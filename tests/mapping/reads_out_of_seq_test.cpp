// fReadsOutOfSeq end to end on a coded 40-base genome, with the output and
// the log worked out by hand.
//
// Genome (L = 40):   GATTACAGGCTTCAAGTCCGATGGCATTACGGATCCTAGC
// reverse complement GCTAGGATCCGTAATGCCATCGGACTTGAAGCCTGTAATC
// Reads that occur, upper strand: TTACAGGCTTCAAGTCCGAT at 3,
// CAAGTCCGATGGCATT at 13, ATTACAGGCTTCAAGTCCGATGGC at 2, and
// GGATCCTAGCGATTACAG at 31, across the end (GGATCCTAGC + GATTACAG); lower
// strand only: TAATGCCATCGGACTTGAAG (the reverse complement of 10..29).
// The genome holds no AAA, no TTT, no CCC and no GGG.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/context.h"
#include "core/platform.h"
#include "support/run_analysis.h"
#include "support/test_files.h"

namespace ruz {
namespace {

const std::string kGenome(test::kTestGenome);

class ReadsOutOfSeqRun : public ::testing::Test {
protected:
    void SetUp() override {
        prefix = dir.path().string() + platform::kPathSeparator;
        genomePath = dir.file("genome.cod");
        readsPath = dir.file("reads.bin");
        test::writeFile(genomePath, test::coded(kGenome));
    }
    bool run(const std::string& reads, int threads = 1,
             const std::vector<std::pair<std::string, std::string>>& more = {}) {
        test::writeFile(readsPath, reads);
        RunContext context(rec.console());
        context.threads = threads;
        std::vector<std::pair<std::string, std::string>> records = {
            {"diRes", dir.path().string()}, {"pthReads", readsPath}, {"pthGnm", genomePath},
            {"rMinSz", "10"}, {"rMaxSz", "24"}};
        records.insert(records.end(), more.begin(), more.end());
        return test::runWithParameters(context, "fReadsOutOfSeq", dir.file("params.txt"), records);
    }
    std::string log(int input, int out) const {
        return "program= Ruzovizu::fReadsOutOfSeq\ngenome= " + genomePath +
               "\ninput reads= " + std::to_string(input) +
               "\nread size scope=[10,24]\nresult:\nreads nout of genome= " + std::to_string(out) +
               "\nOutOfSeq reads size by user =[10,24]";
    }
    std::string output() const { return test::readFile(prefix + "reads_Out.bin"); }
    std::string logFile() const { return test::readFile(prefix + "reads_Outgenome_Log.txt"); }

    test::TempDir dir;
    RecordingConsole rec;
    std::string prefix, genomePath, readsPath;
};

TEST_F(ReadsOutOfSeqRun, WritesTheReadsOfTheBoundsFoundOnNeitherStrand) {
    const std::string notACode(1, '\x07');
    const std::string reads = test::coded("TTACAGGCTTCAAGTCCGAT") + "\n" +        // upper 3
                              test::coded("TAATGCCATCGGACTTGAAG") + "\n" +        // lower strand only
                              test::coded("GGATCCTAGCGATTACAG") + "\n" +          // across the end
                              test::coded("AAAAAAAAAAAAAAAAAAAA") + "\n" +        // nowhere: written
                              test::coded("TTACAGGCTTCA") + "\n" +                // 12 < 16: written
                              test::coded("TTACAGGCT") + "\n" +                   // 9: below the bounds
                              test::coded("TTACAGGCTTCAAGTCCGATGGCAT") + "\n" +   // 25: above them
                              test::coded("CAAGTCCGATGGCATT") + "\n" +            // 16 at 13
                              test::coded("ATTACAGGCTTCAAGTCCGATGGC") + "\n" +    // 24 at 2
                              test::coded("TTACAGGCTTCAAGTCCGAA") + "\n" +        // last differs: written
                              notACode + test::coded("TACAGGCTTCAAGTCCGAT") + "\n" +  // 7: written as is
                              "\n" +                                        // empty
                              test::coded("GATTACAGGC") + "\n" +                  // 10 < 16: written
                              test::coded("CCCCCCCCCCCCCCCCC");                   // nowhere, no line feed
    ASSERT_TRUE(run(reads));
    EXPECT_EQ(output(), test::coded("AAAAAAAAAAAAAAAAAAAA") + "\n" + test::coded("TTACAGGCTTCA") + "\n" +
                            test::coded("TTACAGGCTTCAAGTCCGAA") + "\n" + notACode +
                            test::coded("TACAGGCTTCAAGTCCGAT") + "\n" + test::coded("GATTACAGGC") + "\n" +
                            test::coded("CCCCCCCCCCCCCCCCC") + "\n");
    EXPECT_EQ(logFile(), log(14, 6));
    EXPECT_EQ(rec.text(), "\nsaving the result");
    EXPECT_EQ(rec.keyWaits(), 0);
    EXPECT_EQ(dir.listing(),
              (std::vector<std::string>{"genome.cod", "params.txt", "reads.bin", "reads_Out.bin",
                                        "reads_Outgenome_Log.txt"}));
}

// With tracks the reads written go to a FASTA too, titled by their line
// numbers; a byte that is no base code reads N.
TEST_F(ReadsOutOfSeqRun, TracksGiveTheReadsWrittenAsFastaTitledByTheirLines) {
    const std::string reads = test::coded("TTACAGGCTTCAAGTCCGAT") + "\n" +   // line 1: upper 3
                              test::coded("AAAAAAAAAAAAAAAAAAAA") + "\n" +   // line 2: nowhere
                              test::coded("TTACAGGCT") + "\n" +              // line 3: below the bounds
                              "\x07" + test::coded("TACAGGCTTCAAGTCCGAT") + "\n" +  // line 4: as is
                              test::coded("GATTACAGGC");                     // line 5, no line feed
    ASSERT_TRUE(run(reads, 2, {{"tracks", "yes"}}));
    EXPECT_EQ(test::readFile(prefix + "reads_Outgenome.fa"),
              ">2\nAAAAAAAAAAAAAAAAAAAA\n>4\nNTACAGGCTTCAAGTCCGAT\n>5\nGATTACAGGC\n");
    EXPECT_EQ(output(), test::coded("AAAAAAAAAAAAAAAAAAAA") + "\n\x07" + test::coded("TACAGGCTTCAAGTCCGAT") + "\n" +
                            test::coded("GATTACAGGC") + "\n");
}

TEST_F(ReadsOutOfSeqRun, ManyReadsOnSeveralThreadsKeepTheirOrder) {
    // Windows of the genome (circular) and their reverse complements occur;
    // reads holding AAA occur on neither strand (no AAA, no TTT).
    std::string reads, absent;
    const std::string twice = kGenome + kGenome;
    for (int i = 0; i < 12000; ++i) {
        std::string read =
            twice.substr(static_cast<std::size_t>(i % 40), 16 + static_cast<std::size_t>(i % 9));
        if (i % 3 == 1) {
            read = std::string(read.rbegin(), read.rend());
            for (char& c : read) c = "TGCA"[std::string("ACGT").find(c)];
        } else if (i % 3 == 2) {
            read[static_cast<std::size_t>(i % 7)] = read[static_cast<std::size_t>(i % 7) + 1] =
                read[static_cast<std::size_t>(i % 7) + 2] = 'A';
            absent += test::coded(read) + "\n";
        }
        reads += test::coded(read) + "\n";
    }
    for (const int threads : {1, 3}) {
        ASSERT_TRUE(run(reads, threads)) << threads;
        EXPECT_EQ(output(), absent) << threads;
        EXPECT_EQ(logFile(), log(12000, 4000)) << threads;
    }
}

TEST_F(ReadsOutOfSeqRun, AnEmptyReadsFileGivesAnEmptyOutput) {
    ASSERT_TRUE(run(""));
    EXPECT_EQ(output(), "");
    EXPECT_EQ(logFile(), log(0, 0));
}

TEST_F(ReadsOutOfSeqRun, ALineTooLongEndsTheReadsWithTheResultsBeforeIt) {
    const std::string reads = test::coded("AAAAAAAAAAAAAAAAAAAA") + "\n" + test::coded("TTACAGGCTTCAAGTCCGAT") +
                              "\n" + std::string(5120, '\x02') + "\n" + test::coded("CCCCCCCCCCCCCCCCC") +
                              "\n";
    EXPECT_FALSE(run(reads));
    EXPECT_EQ(output(), test::coded("AAAAAAAAAAAAAAAAAAAA") + "\n");
    EXPECT_EQ(logFile(), log(2, 1));
    EXPECT_EQ(rec.text(), "\nline 3 of " + readsPath +
                              " is longer than 5119 characters: the reading stopped there"
                              "\nsaving the result");
}

TEST_F(ReadsOutOfSeqRun, ALogThatCannotLandKeepsTheOutputFromLandingAlone) {
    std::filesystem::create_directory(prefix + "reads_Outgenome_Log.txt");
    EXPECT_FALSE(run(test::coded("AAAAAAAAAAAAAAAAAAAA") + "\n"));
    EXPECT_FALSE(test::exists(prefix + "reads_Out.bin"));
    EXPECT_EQ(rec.text(),
              "\nsaving the result\ni can't write " + prefix + "reads_Outgenome_Log.txt");
    EXPECT_EQ(rec.keyWaits(), 1);
    EXPECT_EQ(dir.listing().size(), 4u) << "no output, no temporary file";
}

}  // namespace
}  // namespace ruz
