#include "core/kmer_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/genome.h"
#include "core/nucleotide.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace ruz {
namespace {

using Positions = std::vector<std::int32_t>;

constexpr char kUpperLetters[] = "ACGT";

// A strand holding `bases` (codes 0..3) in code or letter form, margins filled.
Strand makeStrand(const std::vector<std::uint8_t>& bases, std::int32_t backMargin,
                  GenomeForm form) {
    const auto length = static_cast<std::int32_t>(bases.size());
    Strand strand(length, 0, backMargin);
    for (std::int32_t i = 1; i <= length; ++i) {
        const std::uint8_t code = bases[i - 1];
        strand[i] = form == GenomeForm::Code ? code : static_cast<std::uint8_t>(kUpperLetters[code]);
    }
    strand.fillMargins();
    return strand;
}

std::vector<std::uint8_t> basesOf(const std::string& letters) {
    std::vector<std::uint8_t> bases;
    for (const char c : letters) bases.push_back(nucleotideCode[static_cast<std::uint8_t>(c)]);
    return bases;
}

std::vector<std::uint8_t> randomBases(std::mt19937& rng, std::size_t length) {
    std::uniform_int_distribution<int> base(0, 3);
    std::vector<std::uint8_t> bases(length);
    for (auto& b : bases) b = static_cast<std::uint8_t>(base(rng));
    return bases;
}

// Reverse complement in codes: A<->T, C<->G is 3 - code.
std::vector<std::uint8_t> reverseComplement(const std::vector<std::uint8_t>& bases) {
    std::vector<std::uint8_t> lower(bases.rbegin(), bases.rend());
    for (auto& b : lower) b = static_cast<std::uint8_t>(3 - b);
    return lower;
}

// The expected index, straight from the definition: the window of position p
// reads bases p..p+k-1 taken cyclically over the genome, without margins or
// rolling codes. Positions are listed highest first.
std::map<KmerCode, Positions> bruteForce(const std::vector<std::uint8_t>& bases, int k) {
    std::map<KmerCode, Positions> expected;
    const std::size_t length = bases.size();
    for (std::size_t p = length; p >= 1; --p) {
        std::uint64_t code = 0;
        for (int j = 0; j < k; ++j) code = code * 4 + bases[(p - 1 + j) % length];
        expected[static_cast<KmerCode>(code)].push_back(static_cast<std::int32_t>(p));
    }
    return expected;
}

Positions listOf(const KmerIndex& index, KmerCode code) {
    const auto span = index.positions(code);
    return {span.begin(), span.end()};
}

// Checks every code that occurs, the same codes with bits above the low 2k
// set, and random codes that do not occur.
void expectMatchesBruteForce(const KmerIndex& index, const std::vector<std::uint8_t>& bases,
                             std::mt19937& rng) {
    const int k = index.k();
    ASSERT_EQ(index.length(), static_cast<std::int32_t>(bases.size()));
    const auto expected = bruteForce(bases, k);
    for (const auto& [code, positions] : expected) {
        ASSERT_EQ(listOf(index, code), positions) << "k = " << k << ", code " << code;
        if (k < 16) {
            const KmerCode highBits = ~KmerCode{0} << (2 * k);
            ASSERT_EQ(listOf(index, code | highBits), positions) << "k = " << k << ", code " << code;
        }
    }
    const std::uint64_t codes = std::uint64_t{1} << (2 * k);
    std::uniform_int_distribution<std::uint64_t> anyCode(0, codes - 1);
    for (int i = 0; i < 200; ++i) {
        const auto code = static_cast<KmerCode>(anyCode(rng));
        if (!expected.contains(code)) {
            EXPECT_TRUE(index.positions(code).empty()) << "code " << code;
        }
    }
}

// Genome lengths for k: a single base, a few bases (both shorter than k, so
// windows run round the genome more than once), exactly k, and a few
// thousand. Every k of 12 and more builds a 64 MiB offset table, so those
// cases stay few; the 8-mer index gets a denser set.
std::vector<std::size_t> lengthsFor(int k) {
    if (k <= 8) return {1, 2, 5, 8, 9, 17, 200, 3000};
    return {1, 5, static_cast<std::size_t>(k), 3000};
}

// A back margin of at least k-1, sometimes much longer than the genome.
std::int32_t randomMargin(std::mt19937& rng, int k) {
    std::uniform_int_distribution<std::int32_t> extra(0, 40);
    return k - 1 + extra(rng);
}

// --- Every variant against the brute-force index ---------------------------

TEST(KmerIndexVariants, Root8MatchesBruteForceOnRandomGenomes) {
    std::mt19937 rng(801);
    for (const std::size_t length : lengthsFor(8)) {
        SCOPED_TRACE("L = " + std::to_string(length));
        const auto bases = randomBases(rng, length);
        RecordingConsole console;
        const auto index = buildRoot8(console.console(), makeStrand(bases, randomMargin(rng, 8), GenomeForm::Code));
        ASSERT_TRUE(index.has_value());
        EXPECT_EQ(index->k(), 8);
        expectMatchesBruteForce(*index, bases, rng);
        EXPECT_EQ(console.text(), "");
    }
}

TEST(KmerIndexVariants, TwelveUpperMatchesBruteForceOnRandomGenomes) {
    std::mt19937 rng(1201);
    for (const std::size_t length : lengthsFor(12)) {
        SCOPED_TRACE("L = " + std::to_string(length));
        const auto bases = randomBases(rng, length);
        RecordingConsole console;
        const auto index = build12Upper(console.console(), makeStrand(bases, randomMargin(rng, 12), GenomeForm::Code));
        ASSERT_TRUE(index.has_value());
        EXPECT_EQ(index->k(), 12);
        expectMatchesBruteForce(*index, bases, rng);
    }
}

TEST(KmerIndexVariants, SixteenChainMatchesBruteForceOnRandomGenomes) {
    std::mt19937 rng(1601);
    for (const std::size_t length : lengthsFor(16)) {
        SCOPED_TRACE("L = " + std::to_string(length));
        const auto bases = randomBases(rng, length);
        RecordingConsole console;
        const auto index = build16Chain(console.console(), makeStrand(bases, randomMargin(rng, 16), GenomeForm::Code));
        ASSERT_TRUE(index.has_value());
        EXPECT_EQ(index->k(), 16);
        expectMatchesBruteForce(*index, bases, rng);
    }
}

TEST(KmerIndexVariants, TwelveRootChainIndexesBothStrandsOfALetterGenome) {
    std::mt19937 rng(1202);
    // Two indexes per genome: the lengths of 12-Upper less the few-base one.
    for (const std::size_t length : {std::size_t{1}, std::size_t{12}, std::size_t{3000}}) {
        SCOPED_TRACE("L = " + std::to_string(length));
        const auto upperBases = randomBases(rng, length);
        const auto lowerBases = reverseComplement(upperBases);
        Genome genome;
        genome.length = static_cast<std::int32_t>(length);
        genome.upper = makeStrand(upperBases, randomMargin(rng, 12), GenomeForm::Letter);
        genome.lower = makeStrand(lowerBases, randomMargin(rng, 12), GenomeForm::Letter);
        RecordingConsole console;
        const auto chain = build12RootChain(console.console(), genome);
        ASSERT_TRUE(chain.has_value());
        {
            SCOPED_TRACE("upper strand");
            expectMatchesBruteForce(chain->upper, upperBases, rng);
        }
        {
            SCOPED_TRACE("lower strand");
            expectMatchesBruteForce(chain->lower, lowerBases, rng);
        }
    }
}

// Letter form through nucleotideCode and code form through codeOfCode must
// give the same index, for k with and without suffixes. (Letter form with
// k = 12 is 12-RootChain, checked above.)
TEST(KmerIndexForms, LetterAndCodeFormsGiveTheSameIndex) {
    std::mt19937 rng(77);
    const auto bases = randomBases(rng, 700);
    for (const int k : {1, 2, 3, 5, 8, 10, 14}) {
        SCOPED_TRACE("k = " + std::to_string(k));
        const std::int32_t margin = randomMargin(rng, k);
        const KmerIndex byCode(makeStrand(bases, margin, GenomeForm::Code), k, GenomeForm::Code);
        const KmerIndex byLetter(makeStrand(bases, margin, GenomeForm::Letter), k, GenomeForm::Letter);
        for (const auto& [code, positions] : bruteForce(bases, k)) {
            ASSERT_EQ(listOf(byLetter, code), listOf(byCode, code)) << "code " << code;
            ASSERT_EQ(listOf(byCode, code), positions) << "code " << code;
        }
    }
}

// k = 16 on a genome whose windows share their first 12 bases in bulk: blocks
// of twelve A followed by four random bases put hundreds of positions with
// different last bases into one bucket, which the build orders by counting.
TEST(KmerIndexRepeats, LargeBucketsWithManySuffixesKeepExactOrder) {
    std::mt19937 rng(1603);
    std::vector<std::uint8_t> bases;
    for (int block = 0; block < 400; ++block) {
        bases.insert(bases.end(), 12, 0);
        const auto tail = randomBases(rng, 4);
        bases.insert(bases.end(), tail.begin(), tail.end());
    }
    const KmerIndex index(makeStrand(bases, 15, GenomeForm::Code), 16, GenomeForm::Code);
    expectMatchesBruteForce(index, bases, rng);
}

TEST(KmerIndexRepeats, HomopolymerListsEveryPositionHighestFirst) {
    const std::int32_t length = 5000;
    const std::vector<std::uint8_t> bases(length, 0);
    for (const int k : {8, 16}) {
        SCOPED_TRACE("k = " + std::to_string(k));
        const KmerIndex index(makeStrand(bases, k - 1, GenomeForm::Code), k, GenomeForm::Code);
        Positions all;
        for (std::int32_t p = length; p >= 1; --p) all.push_back(p);
        EXPECT_EQ(listOf(index, 0), all);
        EXPECT_TRUE(index.positions(1).empty());
        const KmerCode allT = static_cast<KmerCode>((std::uint64_t{1} << (2 * k)) - 1);
        EXPECT_TRUE(index.positions(allT).empty());
    }
}

// An unchecked coded genome may hold bytes above 3. They give wrong codes
// but never codes outside the index: each counts as its table entry's low
// 2 bits, 255 & 3 = T.
TEST(KmerIndexForms, BytesThatAreNotBasesCountAsT) {
    std::mt19937 rng(255);
    auto bases = randomBases(rng, 300);
    Strand strand = makeStrand(bases, 15, GenomeForm::Code);
    for (const std::int32_t p : {1, 7, 150, 299, 300}) {
        strand[p] = static_cast<std::uint8_t>(4 + p % 250);
        bases[static_cast<std::size_t>(p) - 1] = 3;
    }
    strand.fillMargins();
    for (const int k : {8, 16}) {
        SCOPED_TRACE("k = " + std::to_string(k));
        const KmerIndex index(strand, k, GenomeForm::Code);
        expectMatchesBruteForce(index, bases, rng);
    }
}

// --- Hand-computed cases ---------------------------------------------------

KmerCode codeOfLetters(const std::string& letters) {
    return kmerCode(reinterpret_cast<const std::uint8_t*>(letters.data()),
                    static_cast<int>(letters.size()), nucleotideCode);
}

TEST(KmerIndexByHand, RepeatedAcgtSharesOneTwelveMerAcrossTheWrap) {
    const auto bases = basesOf("ACGTACGTACGTACGT");
    for (const std::int32_t margin : {11, 40}) {
        SCOPED_TRACE("margin " + std::to_string(margin));
        const KmerIndex index(makeStrand(bases, margin, GenomeForm::Code), 12, GenomeForm::Code);
        // 13's window is ACGT (13..16) then ACGTACGT from the genome's start.
        EXPECT_EQ(listOf(index, codeOfLetters("ACGTACGTACGT")), (Positions{13, 9, 5, 1}));
        EXPECT_EQ(listOf(index, codeOfLetters("CGTACGTACGTA")), (Positions{14, 10, 6, 2}));
        EXPECT_EQ(listOf(index, codeOfLetters("TACGTACGTACG")), (Positions{16, 12, 8, 4}));
        EXPECT_TRUE(index.positions(codeOfLetters("AAAAAAAAAAAA")).empty());
        EXPECT_TRUE(index.positions(codeOfLetters("ACGTACGTACGA")).empty());
    }
}

TEST(KmerIndexByHand, SingleBaseGenomeHasOneEntry) {
    const KmerIndex index(makeStrand(basesOf("G"), 11, GenomeForm::Code), 12, GenomeForm::Code);
    EXPECT_EQ(listOf(index, codeOfLetters("GGGGGGGGGGGG")), Positions{1});
    EXPECT_TRUE(index.positions(codeOfLetters("GGGGGGGGGGGA")).empty());
    // The offset table and exactly one slot.
    EXPECT_EQ(index.memoryBytes(), ((std::size_t{1} << 24) + 1) * 4 + 4);
}

TEST(KmerIndexByHand, WindowsOfAGenomeShorterThanKRepeatIt) {
    const KmerIndex index(makeStrand(basesOf("ACG"), 7, GenomeForm::Code), 8, GenomeForm::Code);
    EXPECT_EQ(listOf(index, codeOfLetters("ACGACGAC")), Positions{1});
    EXPECT_EQ(listOf(index, codeOfLetters("CGACGACG")), Positions{2});
    EXPECT_EQ(listOf(index, codeOfLetters("GACGACGA")), Positions{3});
}

// The sixteen-base index must not grow with 4^16: its cost is the 4^12
// offset table plus five bytes a position; the 8-mer one takes its 4^8 table
// and four bytes a position (the 12-mer one: see the single-base genome).
TEST(KmerIndexByHand, MemoryIsTheOffsetTablePlusBytesPerPosition) {
    std::mt19937 rng(5);
    const auto bases = randomBases(rng, 1000);
    const Strand strand = makeStrand(bases, 15, GenomeForm::Code);
    const std::size_t table12 = ((std::size_t{1} << 24) + 1) * 4;
    EXPECT_EQ(KmerIndex(strand, 16, GenomeForm::Code).memoryBytes(), table12 + 5 * 1000);
    EXPECT_EQ(KmerIndex(strand, 8, GenomeForm::Code).memoryBytes(), (65536 + 1) * 4 + 4 * 1000);
}

// --- Codes and their text ---------------------------------------------------

TEST(KmerText, DecodeWritesLowestBitsLastWithoutTerminator) {
    std::string text(6, 'x');
    decodeKmer(27, 3, text.data());
    EXPECT_EQ(text, "cgtxxx");
    decodeKmer(27, 4, text.data());
    EXPECT_EQ(text, "acgtxx");
    decodeKmer(0xFFFFFFFFu, 5, text.data());
    EXPECT_EQ(text, "tttttx");
}

TEST(KmerText, KmerCodeOfLettersAndCodesAgree) {
    const std::uint8_t codes[] = {1, 2, 3};
    EXPECT_EQ(kmerCode(codes, 3, codeOfCode), 27u);
    EXPECT_EQ(codeOfLetters("CGT"), 27u);
    EXPECT_EQ(codeOfLetters("cgt"), 27u);
    EXPECT_EQ(codeOfLetters("TTTTTTTTTTTTTTTT"), 0xFFFFFFFFu);
}

TEST(KmerText, DecodeThenCodeRoundTripsForEveryLength) {
    std::mt19937 rng(16);
    std::uniform_int_distribution<KmerCode> anyCode;
    for (int k = 1; k <= 16; ++k) {
        const KmerCode mask = k == 16 ? ~KmerCode{0} : (KmerCode{1} << (2 * k)) - 1;
        for (int i = 0; i < 50; ++i) {
            const KmerCode code = anyCode(rng) & mask;
            std::string text(static_cast<std::size_t>(k), '?');
            decodeKmer(code, k, text.data());
            EXPECT_EQ(codeOfLetters(text), code) << "k = " << k << ", text " << text;
        }
    }
}

// --- Preconditions ----------------------------------------------------------

// A margin of exactly k-1 is accepted: the hand-computed and homopolymer
// cases above use it.
TEST(KmerIndexPreconditions, BackMarginShorterThanKMinusOneThrows) {
    const auto bases = basesOf("ACGTACGTACGTACGTACGT");
    RecordingConsole console;
    EXPECT_THROW(buildRoot8(console.console(), makeStrand(bases, 6, GenomeForm::Code)),
                 std::invalid_argument);
    EXPECT_THROW(build12Upper(console.console(), makeStrand(bases, 10, GenomeForm::Code)),
                 std::invalid_argument);
    EXPECT_THROW(build16Chain(console.console(), makeStrand(bases, 14, GenomeForm::Code)),
                 std::invalid_argument);

    Genome genome;
    genome.length = static_cast<std::int32_t>(bases.size());
    genome.upper = makeStrand(bases, 11, GenomeForm::Letter);
    genome.lower = makeStrand(reverseComplement(bases), 10, GenomeForm::Letter);
    EXPECT_THROW(build12RootChain(console.console(), genome), std::invalid_argument);
    EXPECT_EQ(console.text(), "");
}

TEST(KmerIndexPreconditions, KOutsideOneToSixteenThrows) {
    const Strand strand = makeStrand(basesOf("ACGT"), 20, GenomeForm::Code);
    EXPECT_THROW(KmerIndex(strand, 0, GenomeForm::Code), std::invalid_argument);
    EXPECT_THROW(KmerIndex(strand, 17, GenomeForm::Code), std::invalid_argument);
}

// --- Running out of memory --------------------------------------------------
//
// Each case runs in a child process whose address space is capped a little
// above what it already uses, so the index arrays cannot be allocated. The
// child exits 0 when the variant printed exactly its message and did not
// wait for a key; 1 for another text, 2 when it built an index anyway.

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
constexpr bool kCanCapMemory = true;

// Caps the address space at its current size plus `headroom` bytes.
void capAddressSpace(std::size_t headroom) {
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + headroom;
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_AS, &cap);
}
#else
constexpr bool kCanCapMemory = false;
void capAddressSpace(std::size_t) {}
#endif

template <typename Build>
[[noreturn]] void buildUnderCapAndExit(std::size_t headroom, const std::string& message, Build build) {
    RecordingConsole console;
    capAddressSpace(headroom);
    const bool built = build(console.console());
    if (built) std::_Exit(2);
    std::_Exit(console.text() == message && console.keyWaits() == 0 ? 0 : 1);
}

constexpr std::size_t kMiB = std::size_t{1} << 20;

class KmerIndexMemoryDeathTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!kCanCapMemory) GTEST_SKIP() << "needs Linux address-space limits, without sanitizers";
    }
};

TEST_F(KmerIndexMemoryDeathTest, Root8PrintsItsMessage) {
    // Four million positions need 16 MiB of slots.
    const Strand strand(4'000'000, 0, 7);
    EXPECT_EXIT(buildUnderCapAndExit(4 * kMiB, "\nno memory_Root8",
                                     [&](Console& c) { return buildRoot8(c, strand).has_value(); }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(KmerIndexMemoryDeathTest, SixteenChainPrintsTheMessageItIsGiven) {
    const Strand strand = makeStrand(basesOf("ACGTTGCA"), 15, GenomeForm::Code);
    EXPECT_EXIT(buildUnderCapAndExit(16 * kMiB, "\nno memory_16-Chain",
                                     [&](Console& c) { return build16Chain(c, strand).has_value(); }),
                ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(buildUnderCapAndExit(16 * kMiB, "\nno memory_Chain",
                                     [&](Console& c) {
                                         return build16Chain(c, strand, "\nno memory_Chain").has_value();
                                     }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(KmerIndexMemoryDeathTest, TwelveUpperPrintsTheMessageItIsGiven) {
    const Strand strand = makeStrand(basesOf("ACGTTGCA"), 11, GenomeForm::Code);
    EXPECT_EXIT(buildUnderCapAndExit(16 * kMiB, "\nno memory_PARTED",
                                     [&](Console& c) { return build12Upper(c, strand).has_value(); }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(KmerIndexMemoryDeathTest, TwelveRootChainPrintsItsMessageWhicheverStrandFails) {
    const auto bases = basesOf("ACGTTGCA");
    Genome genome;
    genome.length = static_cast<std::int32_t>(bases.size());
    genome.upper = makeStrand(bases, 11, GenomeForm::Letter);
    genome.lower = makeStrand(reverseComplement(bases), 11, GenomeForm::Letter);
    const auto build = [&](Console& c) { return build12RootChain(c, genome).has_value(); };
    // No room for the upper strand's offset table.
    EXPECT_EXIT(buildUnderCapAndExit(16 * kMiB, "\nno memory_12-RootChain", build),
                ::testing::ExitedWithCode(0), "");
    // Room for the upper strand's index but not for the lower one's.
    EXPECT_EXIT(buildUnderCapAndExit(100 * kMiB, "\nno memory_12-RootChain", build),
                ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace ruz
