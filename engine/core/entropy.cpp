#include "entropy.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace ruz {

void sortByValue(std::vector<KeyedRecord>& records, std::vector<KeyedRecord>& scratch) {
    constexpr int kBytes = 4;
    constexpr std::size_t kDigits = 256;
    if (records.size() < 2) return;
    // Every byte's counts in one pass.
    std::array<std::array<std::size_t, kDigits>, kBytes> counts{};
    for (const KeyedRecord& r : records)
        for (int b = 0; b < kBytes; ++b) ++counts[b][(r.value >> (8 * b)) & 0xFFu];
    scratch.resize(records.size());
    for (int b = 0; b < kBytes; ++b) {
        // A byte all records share orders nothing.
        if (std::find(counts[b].begin(), counts[b].end(), records.size()) != counts[b].end()) continue;
        std::size_t at = 0;
        for (std::size_t& c : counts[b]) at += std::exchange(c, at);
        for (const KeyedRecord& r : records) scratch[counts[b][(r.value >> (8 * b)) & 0xFFu]++] = r;
        records.swap(scratch);
    }
}

double entropyOfGroup(std::span<KeyedRecord> group, std::vector<KeyCount>& tally) {
    std::sort(group.begin(), group.end(),
              [](const KeyedRecord& a, const KeyedRecord& b) { return a.key < b.key; });
    tally.clear();
    double sumClnC = 0.0;
    for (std::size_t i = 0; i < group.size();) {
        std::size_t j = i + 1;
        while (j < group.size() && group[j].key == group[i].key) ++j;
        const auto count = static_cast<std::uint32_t>(j - i);
        tally.push_back({group[i].key, count});
        sumClnC += count * std::log(static_cast<double>(count));
        i = j;
    }
    const double n = static_cast<double>(group.size());
    // Rounding can leave a group of one key a hair below zero, which would
    // print as "-0.0000".
    return std::max(0.0, std::log(n) - sumClnC / n);
}

}  // namespace ruz
