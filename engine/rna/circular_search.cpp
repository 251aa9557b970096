#include "rna/circular_search.h"

#include "core/reads.h"

namespace ruz::circular {

using parted::kKeyLength;
using parted::kShortestTail;

CircularSearch::Seeds CircularSearch::seedsOf(const std::uint8_t* read, std::size_t n) const {
    return {parted::seedPositions(index_, read), parted::seedPositions(index_, read + n - kKeyLength)};
}

bool CircularSearch::walkTailSeed(std::span<const std::int32_t> positions,
                                  const std::uint8_t* read, std::size_t n,
                                  std::vector<SegmentRecord>& list) const {
    const std::uint8_t* genome = genome_.origin();
    const std::size_t m = n - kKeyLength;
    const std::uint8_t* seed = read + m;
    for (const std::int32_t p : positions) {
        // Leftwards from the seed the read matches i bases; its first
        // `rest` bases must then follow the seed in the genome.
        const std::size_t i = backwardMatch(genome + p, seed, m);
        const std::size_t rest = m - i;
        if (rest == 0) return false;
        if (rest >= static_cast<std::size_t>(kShortestTail) &&
            forwardMatch(genome + p + kKeyLength, read, rest) == rest) {
            list.push_back(SegmentRecord{p - static_cast<std::int32_t>(i),
                                         static_cast<std::uint16_t>(i),
                                         static_cast<std::uint16_t>(rest)});
        }
    }
    return true;
}

bool CircularSearch::searchOrientation(const std::uint8_t* read, std::size_t n,
                                       const Seeds& seeds,
                                       std::vector<SegmentRecord>& list) const {
    const bool headWalked = parted::walkHeadKey(
        seeds.head, genome_.origin(), read, n, [](std::int32_t) { return false; },
        [&list](const SegmentRecord& record) { list.push_back(record); });
    return headWalked && walkTailSeed(seeds.tail, read, n, list);
}

void CircularSearch::examine(const char* line, std::size_t length, CircularOutcome& out) const {
    out.upper.clear();
    out.lower.clear();
    const std::size_t n = lengthWithoutCr(line, length);
    if (n < static_cast<std::size_t>(rMinSz_) || n > static_cast<std::size_t>(rMaxSz_)) {
        out.kind = ReadKind::OutOfScope;
        return;
    }
    if (!lettersToCodes(line, n, out.codes.data())) {
        out.kind = ReadKind::Defective;
        return;
    }
    if (n < static_cast<std::size_t>(kKeyLength)) {
        out.kind = ReadKind::Unsearched;
        return;
    }
    // The four seeds are looked up before any pass runs, so that their
    // memory accesses overlap; the passes then run in their order.
    const std::uint8_t* read = out.codes.data();
    const std::uint8_t* reverse = out.reverse.data();
    reverseComplementCodes(read, n, out.reverse.data());
    const Seeds forward = seedsOf(read, n);
    const Seeds backward = seedsOf(reverse, n);
    for (const auto& positions : {forward.head, forward.tail, backward.head, backward.tail})
        parted::warmGenome(positions, genome_.origin());
    if (!searchOrientation(read, n, forward, out.upper) ||
        !searchOrientation(reverse, n, backward, out.lower)) {
        out.upper.clear();
        out.lower.clear();
        out.kind = ReadKind::InGenome;
        return;
    }
    out.kind = ReadKind::Searched;
}

}  // namespace ruz::circular
