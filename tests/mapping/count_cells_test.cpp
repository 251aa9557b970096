// The sparse count table against a plain map of the same additions.
#include "mapping/count_cells.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>
#include <vector>

namespace ruz {
namespace {

TEST(CountCells, GrowsAndHandsOverEveryCellSortedByPositionThenSize) {
    struct Expected {
        std::uint64_t upper = 0, lower = 0;
        std::uint32_t multiplicity = 0;
    };
    std::map<std::pair<std::int32_t, std::uint32_t>, Expected> model;
    CountCells cells;
    std::mt19937 rng(3);
    // Far more cells than the first table holds, many of them hit again.
    for (int i = 0; i < 120000; ++i) {
        const auto position = static_cast<std::int32_t>(1 + rng() % 60000);
        const auto size = static_cast<std::uint32_t>(rng() % 3 == 0 ? 8191 : rng() % 4);
        const bool upper = rng() & 1;
        const auto m = static_cast<std::uint32_t>(1 + rng() % 9);
        cells.add(position, size, upper, m);
        Expected& e = model[{position, size}];
        ++(upper ? e.upper : e.lower);
        e.multiplicity = m;
    }
    using Row = std::tuple<std::int32_t, std::uint32_t, std::uint64_t, std::uint64_t, std::uint32_t>;
    std::vector<Row> expected, got;
    for (const auto& [key, e] : model)
        expected.emplace_back(key.first, key.second, e.upper, e.lower, e.multiplicity);
    for (const CountCell& c : cells.sorted())
        got.emplace_back(c.position(), c.sizeIndex(), c.upper, c.lower, c.multiplicity);
    EXPECT_EQ(cells.size(), expected.size());
    EXPECT_TRUE(got == expected);
    EXPECT_THROW(cells.add(1, 0, true, 1), std::logic_error);
}

}  // namespace
}  // namespace ruz
