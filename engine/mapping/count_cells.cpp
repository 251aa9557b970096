#include "count_cells.h"

#include <algorithm>
#include <stdexcept>

namespace ruz {

namespace {

constexpr int kInitialBits = 16;
// Linear probing stays short below this share of used slots.
constexpr std::size_t kLoadNumerator = 7;
constexpr std::size_t kLoadDenominator = 10;

// Fibonacci hashing: the key's bits spread over the top `bits` bits.
std::size_t slotOf(std::uint64_t key, int bits) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

}  // namespace

std::int32_t CountCell::position() const {
    return static_cast<std::int32_t>(key >> CountCells::kSizeIndexBits);
}

std::uint32_t CountCell::sizeIndex() const {
    return static_cast<std::uint32_t>(key & ((std::uint64_t{1} << CountCells::kSizeIndexBits) - 1));
}

CountCells::CountCells() : slots_(std::size_t{1} << kInitialBits), bits_(kInitialBits) {}

CountCell& CountCells::cellOf(std::uint64_t key) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = slotOf(key, bits_);; i = (i + 1) & mask) {
        CountCell& cell = slots_[i];
        if (cell.key == key) return cell;
        if (cell.key == 0) {
            cell.key = key;
            ++used_;
            return cell;
        }
    }
}

void CountCells::grow() {
    std::vector<CountCell> old(std::size_t{1} << (bits_ + 1));
    old.swap(slots_);
    ++bits_;
    const std::size_t mask = slots_.size() - 1;
    for (const CountCell& cell : old) {
        if (cell.key == 0) continue;
        std::size_t i = slotOf(cell.key, bits_);
        while (slots_[i].key != 0) i = (i + 1) & mask;
        slots_[i] = cell;
    }
}

void CountCells::add(std::int32_t position, std::uint32_t sizeIndex, bool upperStrand,
                     std::uint32_t multiplicity) {
    if (sealed_) throw std::logic_error("count cells: a cell added after sorting");
    if ((used_ + 1) * kLoadDenominator > slots_.size() * kLoadNumerator) grow();
    const std::uint64_t key = (static_cast<std::uint64_t>(position) << kSizeIndexBits) | sizeIndex;
    CountCell& cell = cellOf(key);
    ++(upperStrand ? cell.upper : cell.lower);
    cell.multiplicity = multiplicity;
}

std::span<const CountCell> CountCells::sorted() {
    if (!sealed_) {
        const auto usedEnd = std::partition(
            slots_.begin(), slots_.end(), [](const CountCell& c) { return c.key != 0; });
        std::sort(slots_.begin(), usedEnd,
                  [](const CountCell& a, const CountCell& b) { return a.key < b.key; });
        sealed_ = true;
    }
    return {slots_.data(), used_};
}

}  // namespace ruz
