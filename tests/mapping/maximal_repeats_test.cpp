// The repeat step against its definition, computed by brute force over all
// pairs of circular suffixes, on hand-made, periodic and random genomes; the
// sweep on repeat tables worked out by hand.
#include "mapping/maximal_repeats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/genome.h"
#include "core/nucleotide.h"

namespace ruz {
namespace {

using Lengths = std::vector<std::int32_t>;

// A code-form strand of `letters` with the margin the repeat step reads.
Strand strandOf(const std::string& letters) {
    const auto n = static_cast<std::int32_t>(letters.size());
    Strand strand(n, 0, repeatStepMargin(n));
    for (std::int32_t p = 1; p <= n; ++p)
        strand[p] = nucleotideCode[static_cast<std::uint8_t>(letters[p - 1])];
    strand.fillMargins();
    return strand;
}

// R by its definition: the longest prefix the circular suffix at p shares
// with the circular suffix at another position, counted up to n (a prefix of
// n bases is shared for ever), and at least 1.
Lengths bruteForce(const std::string& letters) {
    const std::size_t n = letters.size();
    Lengths lengths(n + 1, 0);
    for (std::size_t p = 0; p < n; ++p) {
        std::int32_t best = 1;
        for (std::size_t q = 0; q < n; ++q) {
            if (q == p) continue;
            std::int32_t shared = 0;
            while (static_cast<std::size_t>(shared) < n &&
                   letters[(p + shared) % n] == letters[(q + shared) % n])
                ++shared;
            best = std::max(best, shared);
        }
        lengths[p + 1] = best;
    }
    return lengths;
}

std::string randomLetters(std::mt19937& rng, std::size_t length, int alphabet) {
    std::uniform_int_distribution<int> pick(0, alphabet - 1);
    std::string letters(length, 'A');
    for (char& c : letters) c = "ACGT"[pick(rng)];
    return letters;
}

TEST(RepeatStep, TheHandExampleGivesItsRepeatLengths) {
    EXPECT_EQ(repeatLengths(strandOf("ACGTTGCAAC")), (Lengths{0, 2, 1, 1, 1, 1, 1, 2, 1, 2, 2}));
}

TEST(RepeatStep, SmallAndPeriodicGenomesMatchTheDefinition) {
    struct Case {
        const char* genome;
        Lengths lengths;
    };
    const Case cases[] = {
        {"A", {0, 1}},
        {"AC", {0, 1, 1}},
        {"AA", {0, 2, 2}},
        {"AAC", {0, 1, 1, 1}},          // C occurs once and still gets 1
        {"AAAAA", {0, 5, 5, 5, 5, 5}},  // every suffix equals every other: n
        {"ACACAC", {0, 6, 6, 6, 6, 6, 6}},
        {"ACGACG", {0, 6, 6, 6, 6, 6, 6}},
        {"ACACA", {0, 3, 2, 3, 2, 1}},  // one base short of a period: never endless
        {"GGGGT", {0, 3, 3, 2, 1, 1}},  // two codes missing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(repeatLengths(strandOf(c.genome)), c.lengths) << c.genome;
        EXPECT_EQ(bruteForce(c.genome), c.lengths) << c.genome << " (the definition itself)";
    }
}

TEST(RepeatStep, RandomGenomesMatchTheDefinition) {
    std::mt19937 rng(20240611);
    // Lengths from 1 up past the sizes where the first level takes 2, 3
    // and 4 bases; alphabets of 1 to 4 bases make deep groups and periods.
    for (int trial = 0; trial < 400; ++trial) {
        const bool small = trial < 350;
        const std::size_t length = 1 + rng() % (small ? 80 : 1300);
        const int alphabet =
            small ? 1 + static_cast<int>(rng() % 4) : 2 + static_cast<int>(rng() % 3);
        const std::string genome = randomLetters(rng, length, alphabet);
        const Strand strand = strandOf(genome);
        const Lengths expected = bruteForce(genome);
        ASSERT_EQ(repeatLengths(strand), expected) << genome;
        ASSERT_EQ(repeatLengths(strand, 3), expected) << genome << " on 3 threads";
    }
}

TEST(RepeatStep, GenomesBuiltFromRepeatedWordsMatchTheDefinition) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 200; ++trial) {
        const std::string word =
            randomLetters(rng, 1 + rng() % 40, 2 + static_cast<int>(rng() % 3));
        const int copies = 2 + static_cast<int>(rng() % 5);
        std::string genome;
        for (int i = 0; i < copies; ++i) {
            genome += word;
            // Most copies are followed by a short random spacer or changed in
            // one place; some genomes stay exact powers of the word.
            if (trial % 4 != 0) genome += randomLetters(rng, rng() % 3, 4);
            if (trial % 3 == 0 && !genome.empty())
                genome[rng() % genome.size()] = "ACGT"[rng() % 4];
        }
        ASSERT_EQ(repeatLengths(strandOf(genome)), bruteForce(genome)) << genome;
    }
}

// Long exact copies, whose position pairs the step settles through the
// stretches known along their diagonal: one copy, many copies, a copy
// running round the genome's end, tandem copies that overlap themselves,
// and copies with one base changed; on 1 and 3 threads.
TEST(RepeatStep, GenomesHoldingLongExactCopiesMatchTheDefinition) {
    std::mt19937 rng(5150);
    struct Case {
        const char* what;
        std::string genome;
    };
    std::vector<Case> cases;
    {
        std::string g = randomLetters(rng, 1200, 4);
        g.replace(700, 300, g.substr(100, 300));
        cases.push_back({"one copy of 300", g});
    }
    {
        std::string g = randomLetters(rng, 1400, 4);
        const std::string unit = g.substr(0, 90);
        for (int c = 1; c < 10; ++c) g.replace(static_cast<std::size_t>(c) * 140, 90, unit);
        cases.push_back({"ten copies of 90", g});
    }
    {
        // The genome's last 150 and first 150 bases are copied to its middle:
        // a copy of the stretch round the end.
        std::string g = randomLetters(rng, 1000, 4);
        const std::string round = g.substr(850) + g.substr(0, 150);
        g.replace(400, 300, round);
        cases.push_back({"a copy of the stretch round the end", g});
    }
    {
        std::string g = randomLetters(rng, 1100, 4);
        const std::string unit = g.substr(300, 70);
        for (int c = 1; c < 6; ++c) g.replace(300 + static_cast<std::size_t>(c) * 70, 70, unit);
        cases.push_back({"tandem copies", g});
    }
    {
        std::string g = randomLetters(rng, 1300, 4);
        for (int c = 1; c <= 3; ++c) {
            std::string copy = g.substr(0, 250);
            copy[static_cast<std::size_t>(60 * c)] = copy[static_cast<std::size_t>(60 * c)] == 'A' ? 'C' : 'A';
            g.replace(static_cast<std::size_t>(c) * 320, 250, copy);
        }
        cases.push_back({"copies with one base changed", g});
    }
    for (const Case& c : cases) {
        const Lengths expected = bruteForce(c.genome);
        ASSERT_EQ(repeatLengths(strandOf(c.genome)), expected) << c.what;
        ASSERT_EQ(repeatLengths(strandOf(c.genome), 3), expected) << c.what << " on 3 threads";
    }
}

// Repeat lengths past two bytes: a copy of 70000 bases gives its first
// positions lengths of 65534 and more, held apart from the two-byte table.
// Along the copy R is the shared prefix with its partner (the other bases of
// a random genome share some 20), taken from the end backwards.
TEST(RepeatStep, LengthsBeyondTwoBytesAlongALongCopy) {
    std::mt19937 rng(65534);
    std::string g = randomLetters(rng, 150'000, 4);
    constexpr std::size_t kFrom = 5'000, kOffset = 75'000, kLength = 70'000;
    g.replace(kFrom + kOffset, kLength, g.substr(kFrom, kLength));
    const std::size_t n = g.size();
    Lengths shared(n + 1, 0);  // shared[i]: bases i and i + kOffset share (0-based, round the end)
    for (std::size_t i = n; i-- > 0;)
        shared[i] = g[i] == g[(i + kOffset) % n] ? 1 + shared[i + 1] : 0;
    const Strand strand = strandOf(g);
    const Lengths lengths = repeatLengths(strand);
    EXPECT_EQ(repeatLengths(strand, 3), lengths);
    int wide = 0;
    for (std::size_t i = kFrom; i + 100 < kFrom + kLength; ++i) {
        ASSERT_EQ(lengths[i + 1], shared[i]) << i;
        ASSERT_EQ(lengths[i + kOffset + 1], shared[i]) << i;
        wide += shared[i] >= RepeatLengths::kWide;
    }
    EXPECT_GT(wide, 4000);
    RepeatLengths compact = measureRepeats(strand);
    Lengths swept = lengths;
    const MaximalRepeats kept = selectMaximalRepeats(swept);
    const MaximalRepeats keptCompact = selectMaximalRepeats(compact);
    EXPECT_EQ(keptCompact.count, kept.count);
    EXPECT_EQ(keptCompact.longest, kept.longest);
    EXPECT_GE(kept.longest, 70'000);
    for (std::size_t p = 1; p <= n; ++p) ASSERT_EQ(compact[static_cast<std::int64_t>(p)], swept[p]) << p;
}

TEST(MaximalRepeatSweep, KeepsRepeatsThatReachPastTheCurrentOneAndChecksTheWrapAround) {
    struct Case {
        const char* what;
        Lengths before;
        std::int64_t count;
        std::int32_t longest;
        Lengths after;
    };
    const Case cases[] = {
        // ACGTTGCAAC: 2 and 8 lie inside the repeats at 1 and 7; the first
        // repeat (1, 2) reaches past the last one (10, 2) round the end.
        {"hand example",
         {0, 2, 1, 1, 1, 1, 1, 2, 1, 2, 2},
         8,
         2,
         {0, 2, 0, 1, 1, 1, 1, 2, 0, 2, 2}},
        // The repeat (4, 3) runs round the end over positions 1 and 2, so
        // the first repeat (1, 1) is covered: 4 + 3 - 4 = 3 >= 1 + 1.
        {"first repeat covered round the end", {0, 1, 1, 1, 3}, 3, 3, {0, 0, 1, 1, 3}},
        {"periodic genome", {0, 4, 4, 4, 4}, 4, 4, {0, 4, 4, 4, 4}},
        {"one position", {0, 1}, 1, 1, {0, 1}},
        // (1, 5) covers 2 and 3; (4, 3) reaches 7 > 6 and round the end
        // covers position 1 up to 4 + 3 - 5 = 2 < 1 + 5: the first is kept.
        {"long first repeat", {0, 5, 2, 3, 3, 1}, 2, 5, {0, 5, 0, 0, 3, 0}},
        {"no repeat at all", {0, 0, 0}, 0, 0, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        Lengths lengths = c.before;
        const MaximalRepeats kept = selectMaximalRepeats(lengths);
        EXPECT_EQ(kept.count, c.count) << c.what;
        EXPECT_EQ(kept.longest, c.longest) << c.what;
        EXPECT_EQ(lengths, c.after) << c.what;
    }
}

}  // namespace
}  // namespace ruz
