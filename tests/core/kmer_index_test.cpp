#include "core/kmer_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
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
using Bases = std::vector<std::uint8_t>;

// A byte that is neither a code nor a letter: both tables map it to 255, so
// the index must count it as T (255 & 3) and never leave the code range.
constexpr std::uint8_t kNotABase = 'N';

// A strand holding `bases` (codes 0..3, or kNotABase as is) in code or
// uppercase letter form, margins filled.
Strand makeStrand(const Bases& bases, std::int32_t backMargin, GenomeForm form) {
    Strand strand(static_cast<std::int32_t>(bases.size()), 0, backMargin);
    for (std::int32_t p = 1; p <= strand.length(); ++p) {
        const std::uint8_t b = bases[p - 1];
        strand[p] = b > 3 || form == GenomeForm::Code ? b : static_cast<std::uint8_t>("ACGT"[b]);
    }
    strand.fillMargins();
    return strand;
}

Bases basesOf(const std::string& letters) {
    Bases bases;
    for (const char c : letters) bases.push_back(nucleotideCode[static_cast<std::uint8_t>(c)]);
    return bases;
}

// Random bases with about one byte in 64 that is not a base.
Bases randomBases(std::mt19937& rng, std::size_t length) {
    std::uniform_int_distribution<int> pick(0, 63);
    Bases bases(length);
    for (auto& b : bases) b = static_cast<std::uint8_t>(pick(rng));
    for (auto& b : bases) b = b == 0 ? kNotABase : b % 4;
    return bases;
}

Bases reverseComplement(const Bases& bases) {
    Bases lower(bases.rbegin(), bases.rend());
    for (auto& b : lower) b = b > 3 ? b : static_cast<std::uint8_t>(3 - b);
    return lower;
}

// Both strands of `upper` in letter form.
Genome letterGenome(const Bases& upper, std::int32_t upperMargin, std::int32_t lowerMargin) {
    Genome genome;
    genome.length = static_cast<std::int32_t>(upper.size());
    genome.upper = makeStrand(upper, upperMargin, GenomeForm::Letter);
    genome.lower = makeStrand(reverseComplement(upper), lowerMargin, GenomeForm::Letter);
    return genome;
}

Positions listOf(const KmerIndex& index, KmerCode code) {
    const auto span = index.positions(code);
    return {span.begin(), span.end()};
}

// The expected index straight from the definition, without margins or
// rolling codes: the window of p reads bases p..p+k-1 cyclically over the
// genome. `lookup` must list the same positions, highest first, for every
// code that occurs (also with bits above the low 2k set), none for others.
void expectLookupMatchesBruteForce(const std::function<Positions(KmerCode)>& lookup, const Bases& bases, int k,
                                   std::mt19937& rng) {
    std::map<KmerCode, Positions> expected;
    const std::size_t n = bases.size();
    for (std::size_t p = n; p >= 1; --p) {
        std::uint64_t code = 0;
        for (int j = 0; j < k; ++j) code = 4 * code + std::min<std::uint8_t>(bases[(p - 1 + j) % n], 3);
        expected[static_cast<KmerCode>(code)].push_back(static_cast<std::int32_t>(p));
    }
    const KmerCode highBits = k < 16 ? ~KmerCode{0} << (2 * k) : 0;
    for (const auto& [code, positions] : expected) {
        ASSERT_EQ(lookup(code), positions) << "code " << code;
        ASSERT_EQ(lookup(code | highBits), positions) << "code " << code << " with high bits";
    }
    std::uniform_int_distribution<std::uint64_t> anyCode(0, (std::uint64_t{1} << (2 * k)) - 1);
    for (int i = 0; i < 200; ++i) {
        const auto code = static_cast<KmerCode>(anyCode(rng));
        ASSERT_TRUE(expected.contains(code) || lookup(code).empty()) << "code " << code;
    }
}

void expectMatchesBruteForce(const KmerIndex& index, const Bases& bases, int k, std::mt19937& rng) {
    expectLookupMatchesBruteForce([&index](KmerCode code) { return listOf(index, code); }, bases, k, rng);
}

Positions listOf(const StrandPositions& positions) {
    Positions list;
    for (const std::int32_t p : positions) list.push_back(p);
    return list;
}

// The analyses' variants, and the index itself for k that they do not use,
// letter form with suffixes among them (12-RootChain covers letters at
// k = 12). Every k of 12 and more builds a 64 MiB offset table, so those
// rows get few genomes; shorter than k means windows wrap more than once.
// Genomes of 50000 bases are built in several chunks when threads are
// given; the index must not depend on them.
struct Variant {
    const char* name;
    int k;
    GenomeForm form;
    Outcome<KmerIndex> (*build)(const Strand&, int threads);
    std::vector<std::size_t> lengths;
};

Outcome<KmerIndex> upper12(const Strand& s, int threads) { return build12Upper(s, "\nno memory_PARTED", threads); }
Outcome<KmerIndex> chain16(const Strand& s, int threads) { return build16Chain(s, "\nno memory_16-Chain", threads); }
template <int K>
Outcome<KmerIndex> letters(const Strand& s, int threads) {
    return KmerIndex(s, K, GenomeForm::Letter, threads);
}

const std::vector<Variant> kVariants = {
    {"Root8", 8, GenomeForm::Code, buildRoot8, {1, 2, 5, 8, 9, 17, 200, 3000, 50000}},
    {"12-Upper", 12, GenomeForm::Code, upper12, {3000, 50000}},
    {"16-Chain", 16, GenomeForm::Code, chain16, {5, 3000, 50000}},
    {"k = 1, letters", 1, GenomeForm::Letter, letters<1>, {1, 3, 200}},
    {"k = 14, letters", 14, GenomeForm::Letter, letters<14>, {3000}},
};

TEST(KmerIndexVariants, EveryVariantMatchesBruteForceOnRandomGenomes) {
    std::mt19937 rng(801);
    std::uniform_int_distribution<std::int32_t> extraMargin(0, 40);
    for (const Variant& variant : kVariants) {
        for (const std::size_t length : variant.lengths) {
            auto bases = randomBases(rng, length);
            // The first window, coded apart from the rolling ones, starts with a non-base.
            if (length >= 8) bases.front() = kNotABase;
            const Strand strand = makeStrand(bases, variant.k - 1 + extraMargin(rng), variant.form);
            for (const int threads : {1, 3}) {
                SCOPED_TRACE(std::string(variant.name) + ", L = " + std::to_string(length) + ", " +
                             std::to_string(threads) + " threads");
                const auto index = variant.build(strand, threads);
                ASSERT_TRUE(index);
                expectMatchesBruteForce(*index, bases, variant.k, rng);
            }
        }
    }
    SCOPED_TRACE("12-RootChain, both strands of a letter genome");
    const auto bases = randomBases(rng, 3000);
    const auto chain = build12RootChain(letterGenome(bases, 11, 40));
    ASSERT_TRUE(chain);
    expectMatchesBruteForce(chain->upper, bases, 12, rng);
    expectMatchesBruteForce(chain->lower, reverseComplement(bases), 12, rng);
}

// Genomes of bases only that put many windows round the end (short ones)
// and many positions, wrapped ones among them, into each bucket (a periodic
// one).
std::vector<Bases> genomesOfBasesRoundTheEnd(std::mt19937& rng) {
    Bases periodic;
    for (int i = 0; i < 100; ++i) periodic.insert(periodic.end(), {0, 1, 2, 3, 3, 2});
    std::vector<Bases> genomes = {periodic};
    for (const std::size_t length : {12, 13, 40, 3000}) {
        Bases bases = randomBases(rng, length);
        for (auto& b : bases) b &= 3;
        genomes.push_back(bases);
    }
    return genomes;
}

// The lower strand's index made from the upper one's, as for large
// genomes of bases only. Short genomes put many windows round the end; a
// periodic one puts many positions, wrapped ones among them, into each
// bucket.
TEST(KmerIndexVariants, ReverseComplementIndexMatchesBruteForce) {
    std::mt19937 rng(1207);
    std::vector<Bases> genomes = genomesOfBasesRoundTheEnd(rng);
    for (std::size_t g = 0; g < genomes.size(); ++g) {
        const Bases& bases = genomes[g];
        const int threads = g % 2 == 0 ? 3 : 1;
        SCOPED_TRACE("L = " + std::to_string(bases.size()) + ", " + std::to_string(threads) + " threads");
        const KmerIndex upper(makeStrand(bases, 11, GenomeForm::Letter), 12, GenomeForm::Letter, threads);
        expectMatchesBruteForce(upper.reverseComplement(threads), reverseComplement(bases), 12, rng);
    }
}

// Both strands from one index over the upper strand, the lower one's
// positions mirrored from the reverse complement's: the same positions in
// the same order as an index of each strand. Short genomes put many windows
// round the end, the periodic one many positions into each bucket. A genome
// with bytes that are no bases gets an index of each strand.
TEST(KmerIndexVariants, BothStrandsFromTheUpperIndexMatchBruteForce) {
    std::mt19937 rng(2911);
    std::vector<Bases> genomes = genomesOfBasesRoundTheEnd(rng);
    genomes.push_back(randomBases(rng, 3000));  // with N
    for (std::size_t g = 0; g < genomes.size(); ++g) {
        const Bases& bases = genomes[g];
        const int threads = g % 2 == 0 ? 2 : 1;
        const bool onlyBases = std::all_of(bases.begin(), bases.end(), [](std::uint8_t b) { return b <= 3; });
        SCOPED_TRACE("L = " + std::to_string(bases.size()) + (onlyBases ? "" : " with N"));
        const auto pair = build12StrandPair(letterGenome(bases, 11, 11), threads);
        ASSERT_TRUE(pair);
        EXPECT_EQ(pair->mirrored(), onlyBases);
        expectLookupMatchesBruteForce([&](KmerCode code) { return listOf(pair->upper(code)); }, bases, 12, rng);
        expectLookupMatchesBruteForce([&](KmerCode code) { return listOf(pair->lower(code)); },
                                      reverseComplement(bases), 12, rng);
    }
}

// k = 16 where windows share their first 12 bases in bulk: blocks of twelve A
// and four random bases, then a run of A, put over a thousand positions into
// one bucket, which the build orders by counting sort (stable, so equal
// suffixes stay highest first); the smaller shared buckets go by insertion.
TEST(KmerIndexRepeats, LargeBucketsKeepExactOrder) {
    std::mt19937 rng(1603);
    Bases bases;
    for (int block = 0; block < 400; ++block) {
        bases.insert(bases.end(), 12, 0);
        for (const std::uint8_t b : randomBases(rng, 4)) bases.push_back(b);
    }
    bases.insert(bases.end(), 1000, 0);
    const KmerIndex index(makeStrand(bases, 15, GenomeForm::Code), 16, GenomeForm::Code);
    expectMatchesBruteForce(index, bases, 16, rng);
}

KmerCode codeOfLetters(const std::string& s) {
    const auto* window = reinterpret_cast<const std::uint8_t*>(s.data());
    return kmerCode(window, static_cast<int>(s.size()), nucleotideCode);
}

// Windows near the end wrap round to the genome's start, as often as needed.
TEST(KmerIndexByHand, WindowsWrapRoundTheGenome) {
    const Strand repeats = makeStrand(basesOf("ACGTACGTACGTACGT"), 11, GenomeForm::Code);
    const KmerIndex acgt(repeats, 12, GenomeForm::Code);
    // 13's window is ACGT (13..16) then ACGTACGT from the genome's start.
    EXPECT_EQ(listOf(acgt, codeOfLetters("ACGTACGTACGT")), (Positions{13, 9, 5, 1}));
    EXPECT_EQ(listOf(acgt, codeOfLetters("TACGTACGTACG")), (Positions{16, 12, 8, 4}));
    EXPECT_TRUE(acgt.positions(codeOfLetters("ACGTACGTACGA")).empty());
    const KmerIndex single(makeStrand(basesOf("G"), 11, GenomeForm::Code), 12, GenomeForm::Code);
    EXPECT_EQ(listOf(single, codeOfLetters("GGGGGGGGGGGG")), Positions{1});
    EXPECT_TRUE(single.positions(codeOfLetters("GGGGGGGGGGGA")).empty());
    const KmerIndex three(makeStrand(basesOf("ACG"), 7, GenomeForm::Code), 8, GenomeForm::Code);
    EXPECT_EQ(listOf(three, codeOfLetters("ACGACGAC")), Positions{1});
    EXPECT_EQ(listOf(three, codeOfLetters("GACGACGA")), Positions{3});
}

TEST(KmerText, DecodeWritesWindowOrderWithoutTerminator) {
    std::string text(6, 'x');
    decodeKmer(27, 3, text.data());
    EXPECT_EQ(text, "cgtxxx");
    decodeKmer(27, 4, text.data());
    EXPECT_EQ(text, "acgtxx");
}

// A margin of exactly k-1 is accepted (the cases above use it); one base less
// throws before any allocation, so nothing is printed, on either strand too.
TEST(KmerIndexPreconditions, BackMarginShorterThanKMinusOneThrows) {
    const auto bases = basesOf("ACGTACGTACGTACGTACGT");
    for (const Variant& variant : kVariants) {
        if (variant.k < 2) continue;
        SCOPED_TRACE(variant.name);
        EXPECT_THROW((void)variant.build(makeStrand(bases, variant.k - 2, variant.form), 1), std::invalid_argument);
    }
    EXPECT_THROW((void)build12RootChain(letterGenome(bases, 11, 10)), std::invalid_argument);
}

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

// Builds in a child whose address space is capped a little above what it
// uses, so the index arrays cannot be allocated. Exits 0 when nothing was
// built and the failure is exactly `message`, without a key wait.
[[noreturn]] void buildUnderCap(std::size_t headroom, const std::string& message,
                                const std::function<std::optional<Failure>()>& build) {
    capAddressSpace(headroom);
    const std::optional<Failure> failed = build();
    std::_Exit(failed && failed->message == message && !failed->waitsForKey ? 0 : 1);
}

TEST(KmerIndexMemoryDeathTest, VariantsPrintTheirMessageWithoutAKeyWait) {
    if (!kCanCapMemory) GTEST_SKIP() << "needs Linux address-space limits, without sanitizers";
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const Strand strand = makeStrand(basesOf("ACGTTGCA"), 15, GenomeForm::Code);
    const Genome genome = letterGenome(basesOf("ACGTTGCA"), 11, 11);
    const auto failureOf = [](const auto& built) -> std::optional<Failure> {
        if (built) return std::nullopt;
        return built.failure();
    };
    const auto chain = [&] { return failureOf(build16Chain(strand, "\nno memory_Chain")); };
    const auto rootChain = [&] { return failureOf(build12RootChain(genome)); };
    const auto succeeds = ::testing::ExitedWithCode(0);
    EXPECT_EXIT(buildUnderCap(16 * kMiB, "\nno memory_Chain", chain), succeeds, "");
    // No room for the upper strand's offset table; then room for the upper index only.
    EXPECT_EXIT(buildUnderCap(16 * kMiB, "\nno memory_12-RootChain", rootChain), succeeds, "");
    EXPECT_EXIT(buildUnderCap(100 * kMiB, "\nno memory_12-RootChain", rootChain), succeeds, "");
}

}  // namespace
}  // namespace ruz
