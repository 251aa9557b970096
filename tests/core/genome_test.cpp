#include "core/genome.h"

#include "core/console.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_files.h"

namespace ruz {
namespace {

std::string bytesOf(const Strand& s, std::int64_t from, std::int64_t to) {
    std::string out;
    for (std::int64_t i = from; i <= to; ++i) out.push_back(static_cast<char>(s[i]));
    return out;
}

std::string codesOf(const Strand& s, std::int64_t from, std::int64_t to) {
    std::string out;
    for (std::int64_t i = from; i <= to; ++i) out.push_back(static_cast<char>('0' + s[i]));
    return out;
}

class GenomeLoading : public ::testing::Test {
protected:
    // Loads `bytes` as g.txt; a failure is printed on `rec`.
    Outcome<Genome> load(const std::string& bytes, const GenomeLoadOptions& options) {
        test::writeFile(dir.file("g.txt"), bytes);
        return loadPath(dir.file("g.txt"), options);
    }
    Outcome<Genome> loadPath(const std::string& path, const GenomeLoadOptions& options) {
        auto genome = loadGenome(path, options);
        if (!genome) rec.console().report(genome.failure());
        return genome;
    }
    test::TempDir dir;
    RecordingConsole rec;
};

TEST_F(GenomeLoading, LettersOfEitherCaseGiveCodesOrUppercaseWithLowerStrand) {
    GenomeLoadOptions code;
    auto g = load("acgtACGT", code);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->length, 8);
    EXPECT_EQ(codesOf(g->upper, 1, 8), "01230123");

    GenomeLoadOptions letter;
    letter.form = GenomeForm::Letter;
    letter.check = GenomeCheck::KindB;
    letter.lowerStrand = true;
    g = load("acgtACGT", letter);
    ASSERT_TRUE(g);
    EXPECT_EQ(bytesOf(g->upper, 1, 8), "ACGTACGT");
    EXPECT_EQ(bytesOf(g->lower, 1, 8), "ACGTACGT");  // its own reverse complement

    g = load("aacGTT", letter);
    ASSERT_TRUE(g);
    EXPECT_EQ(bytesOf(g->lower, 1, 6), "AACGTT");
    g = load("AAACG", letter);
    ASSERT_TRUE(g);
    EXPECT_EQ(bytesOf(g->lower, 1, 5), "CGTTT");
    EXPECT_EQ(rec.text(), "");
}

TEST_F(GenomeLoading, MarginsWrapRoundAndRepeatCyclicallyWhenLongerThanTheGenome) {
    GenomeLoadOptions o;
    o.form = GenomeForm::Letter;
    o.backMargin = 3;
    o.frontMargin = 3;
    auto g = load("ACGTTGCAAC", o);  // L = 10
    ASSERT_TRUE(g);
    EXPECT_EQ(bytesOf(g->upper, 11, 13), "ACG");  // positions 1, 2, 3
    EXPECT_EQ(bytesOf(g->upper, -2, 0), "AAC");   // positions 8, 9, 10

    o.backMargin = 7;
    o.frontMargin = 6;
    o.lowerStrand = true;
    g = load("ACG", o);  // L = 3
    ASSERT_TRUE(g);
    EXPECT_EQ(bytesOf(g->upper, 1, 10), "ACGACGACGA");
    EXPECT_EQ(bytesOf(g->upper, -5, 0), "ACGACG");
    EXPECT_EQ(bytesOf(g->lower, 1, 10), "CGTCGTCGTC");
}

TEST_F(GenomeLoading, KindAReportsTheHeaderAtItsFirstByteAsNumberTwo) {
    auto g = load(">chr1\nACGT", GenomeLoadOptions{});
    EXPECT_FALSE(g);
    EXPECT_EQ(rec.text(), "\ngenome: position = 2non{ACGT) symbol = >");
    EXPECT_EQ(rec.keyWaits(), 1);
}

TEST_F(GenomeLoading, KindBReportsATrailingLineFeedAtLPlusOne) {
    GenomeLoadOptions o;
    o.form = GenomeForm::Letter;
    o.check = GenomeCheck::KindB;
    o.lowerStrand = true;
    EXPECT_FALSE(load("ACGTA\n", o));
    EXPECT_EQ(rec.text(), "\ngenome: in seq position = 7 is non{ACGT)-symbol = \\x0a");
}

TEST_F(GenomeLoading, CodedGenomeIsCheckedByteByByte) {
    GenomeLoadOptions o;
    o.check = GenomeCheck::Coded;
    o.backMargin = 2;
    auto g = load(std::string("\0\1\2\3", 4), o);
    ASSERT_TRUE(g);
    EXPECT_EQ(codesOf(g->upper, 1, 6), "012301");

    EXPECT_FALSE(load(std::string("\0\1\2\3\4\0", 6), o));
    EXPECT_FALSE(load("ACGT", o));  // a letter file given as coded
    EXPECT_EQ(rec.text(),
              "\ngenome: position = 5 non-code byte = 4"
              "\ngenome: position = 1 non-code byte = 65");
}

TEST_F(GenomeLoading, EmptyMissingAndUnreadableFilesAreReported) {
    EXPECT_FALSE(load("", GenomeLoadOptions{}));
    EXPECT_EQ(rec.text(), "\ngenome: empty file " + dir.file("g.txt"));
    EXPECT_FALSE(loadPath(dir.file("none.txt"), GenomeLoadOptions{}));
    EXPECT_FALSE(loadPath(dir.path().string(), GenomeLoadOptions{}));
    EXPECT_EQ(rec.text(), "\ngenome: empty file " + dir.file("g.txt") + "\ni can't open " +
                              dir.file("none.txt") + "\ni can't open " + dir.path().string());
    EXPECT_EQ(rec.keyWaits(), 3);
}

}  // namespace
}  // namespace ruz
