#include "rna/parted_search.h"

#include <algorithm>
#include <charconv>

namespace ruz::parted {

bool holdsOnlyCodes(const std::uint8_t* read, std::size_t n) {
    std::uint8_t any = 0;
    for (std::size_t i = 0; i < n; ++i) any |= read[i];
    return any <= 3;
}

void PartedSearch::search(const std::uint8_t* read, std::size_t n, PartedPlacements& out) const {
    out.upper.clear();
    out.lower.clear();
    if (n < static_cast<std::size_t>(kKeyLength + kShortestTail) || !holdsOnlyCodes(read, n))
        return;
    const std::uint8_t* reverse = out.reverse.data();
    reverseComplementCodes(read, n, out.reverse.data());
    const std::uint8_t* genome = genome_.origin();
    const auto upper = seedPositions(index_, read);
    const auto lower = seedPositions(index_, reverse);
    warmGenome(upper, genome);
    warmGenome(lower, genome);
    const auto keepGoing = [](std::int32_t) { return true; };
    walkHeadKey(upper, genome, read, n, keepGoing,
                [&out](const SegmentRecord& record) { out.upper.push_back(record); });
    walkHeadKey(lower, genome, reverse, n, keepGoing,
                [&out](const SegmentRecord& record) { out.lower.push_back(record); });
}

std::int32_t marginFor(std::int32_t rMaxSz) {
    return std::clamp(rMaxSz, kKeyLength - 1, kLongestRead);
}

Outcome<std::unique_ptr<KeyedGenome>> loadKeyedGenome(const std::string& path, GenomeCheck check,
                                                      std::int32_t rMaxSz, int threads) {
    GenomeLoadOptions options;
    options.form = GenomeForm::Code;
    options.check = check;
    options.backMargin = options.frontMargin = marginFor(rMaxSz);
    options.memoryMessage = "\nno memory_PARTED";
    options.waitOnMemoryFailure = false;
    auto genome = loadGenome(path, options);
    if (!genome) return genome.failure();
    auto keyed = std::make_unique<KeyedGenome>();
    keyed->genome = std::move(*genome);
    auto index = build12Upper(keyed->genome.upper, "\nno memory_PARTED", threads);
    if (!index) return index.failure();
    keyed->index = std::move(*index);
    return keyed;
}

void sortSegments(std::vector<SegmentRecord>& records) {
    std::sort(records.begin(), records.end(), [](const SegmentRecord& a, const SegmentRecord& b) {
        if (a.start != b.start) return a.start < b.start;
        if (a.beforeKey != b.beforeKey) return a.beforeKey < b.beforeKey;
        return a.afterKey < b.afterKey;
    });
}

namespace {

void appendBases(std::string& out, const std::uint8_t* bases, std::size_t n, const char* letters) {
    const std::size_t at = out.size();
    out.resize(at + n);
    for (std::size_t i = 0; i < n; ++i) out[at + i] = letters[bases[i] & 3];
}

}  // namespace

void appendSegmentText(std::string& out, const Strand& genome, const SegmentRecord& record) {
    const std::uint8_t* segment = genome.origin() + record.start;
    appendBases(out, segment, record.beforeKey, "acgt");
    appendBases(out, segment + record.beforeKey, kKeyLength, "ACGT");
    appendBases(out, segment + record.beforeKey + kKeyLength, record.afterKey, "acgt");
}

}  // namespace ruz::parted
