#include "entropy.h"

#include <algorithm>
#include <cmath>

namespace ruz {

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
