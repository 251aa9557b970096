#include "core/entropy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace ruz {
namespace {

std::vector<KeyedRecord> withKeys(std::initializer_list<std::uint32_t> keys) {
    std::vector<KeyedRecord> group;
    std::uint32_t n = 0;
    for (auto k : keys) group.push_back({n++, k});
    return group;
}

void expectTally(const std::vector<KeyCount>& tally,
                 std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> expected) {
    ASSERT_EQ(tally.size(), expected.size());
    std::size_t i = 0;
    for (auto [key, count] : expected) {
        EXPECT_EQ(tally[i].key, key) << "entry " << i;
        EXPECT_EQ(tally[i].count, count) << "entry " << i;
        ++i;
    }
}

TEST(Entropy, HandComputedGroups) {
    std::vector<KeyCount> tally;
    auto one = withKeys({9});
    EXPECT_EQ(entropyOfGroup(std::span(one), tally), 0.0);
    expectTally(tally, {{9, 1}});

    auto pairs = withKeys({5, 7, 5, 7});
    EXPECT_NEAR(entropyOfGroup(std::span(pairs), tally), std::log(2.0), 1e-12);
    expectTally(tally, {{5, 2}, {7, 2}});

    auto uneven = withKeys({3, 1, 3});
    EXPECT_NEAR(entropyOfGroup(std::span(uneven), tally), std::log(3.0) - 2 * std::log(2.0) / 3,
                1e-12);
    expectTally(tally, {{1, 1}, {3, 2}});
    EXPECT_EQ(uneven[0].key, 1u) << "the group comes back sorted by key";

    auto distinct = withKeys({4, 3, 2, 1, 0});
    EXPECT_NEAR(entropyOfGroup(std::span(distinct), tally), std::log(5.0), 1e-12);
}

TEST(Entropy, OneKeyIsExactlyZeroNeverNegative) {
    std::vector<KeyCount> tally;
    for (std::uint32_t n = 2; n < 200; ++n) {
        std::vector<KeyedRecord> same(n, KeyedRecord{0, 42});
        const double h = entropyOfGroup(std::span(same), tally);
        EXPECT_FALSE(std::signbit(h)) << n;
        EXPECT_LT(h, 1e-12);
    }
}

TEST(Entropy, SixteenLetterCodesOrderAsUnsignedNumbers) {
    std::vector<KeyCount> tally;
    // tttttttttttttttt, taaaaaaaaaaaaaaa and aaaaaaaaaaaaaaac differ by more
    // than 2^31: a signed difference would misorder them.
    auto group = withKeys({0xFFFFFFFFu, 1u, 0xC0000000u, 1u});
    entropyOfGroup(std::span(group), tally);
    expectTally(tally, {{1u, 2}, {0xC0000000u, 1}, {0xFFFFFFFFu, 1}});
}

// The site records ordered by position as a comparison sort would order
// them (stable: equal positions keep their order), whichever bytes of the
// positions differ: only the low one, only the high one, all, none.
TEST(SortByValue, OrdersAsAStableSortWhateverBytesDiffer) {
    std::mt19937 rng(77);
    const std::uint32_t masks[] = {0x000000FFu, 0xFF000000u, 0xFFFFFFFFu, 0x00FF0F00u, 0u};
    std::vector<KeyedRecord> scratch;
    for (const std::uint32_t mask : masks) {
        for (const std::size_t n : {0, 1, 2, 1000}) {
            std::vector<KeyedRecord> records(n);
            for (std::size_t i = 0; i < n; ++i)
                records[i] = {static_cast<std::uint32_t>(rng()) & mask, static_cast<std::uint32_t>(i)};
            std::vector<KeyedRecord> expected = records;
            std::stable_sort(expected.begin(), expected.end(),
                             [](const KeyedRecord& a, const KeyedRecord& b) { return a.value < b.value; });
            sortByValue(records, scratch);
            ASSERT_EQ(records.size(), n);
            for (std::size_t i = 0; i < n; ++i) {
                ASSERT_EQ(records[i].value, expected[i].value) << "mask " << mask << ", n " << n << ", i " << i;
                ASSERT_EQ(records[i].key, expected[i].key) << "mask " << mask << ", n " << n << ", i " << i;
            }
        }
    }
}

}  // namespace
}  // namespace ruz
