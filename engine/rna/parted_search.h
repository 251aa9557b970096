// Reads that are rotations of a genome segment.
//
// A parted read is made of two pieces of the genome that stand next to each
// other in swapped order: its head (the 12-base key and as many further
// bases as keep matching) lies at genome position p, its tail (the rest, at
// least 4 bases) right before p. The read is then a rotation of the segment
// that starts where the tail starts. fMatchReadsT_VarSzParted lists these
// segments, fMatchReadsT_VarSzPartedRate rates their starts over several
// reads files, and fIdentifyCircularRna finds the same rotations from the
// read's head key and from its tail key.
//
// Everything here works on a code-form genome (bytes 0..3) with front and
// back margins, so segments that wrap round either end of the genome need
// no wrap-around arithmetic, and on its 12-mer upper-strand index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/context.h"
#include "core/genome.h"
#include "core/kmer_index.h"
#include "core/read_codes.h"

namespace ruz::parted {

// Length of the index key; the shortest tail a parted read may have.
inline constexpr std::int32_t kKeyLength = 12;
inline constexpr std::int32_t kShortestTail = 4;
// Reading stops once a run has found more upper-strand records than this.
inline constexpr std::int64_t kRecordStop = 9995;
// The longest read a reads file can hold.
inline constexpr std::int32_t kLongestRead = static_cast<std::int32_t>(kLineLimit) - 1;

// A genome segment that explains a read: SqMem[start .. start + length - 1]
// holds `beforeKey` bases, the 12-base key, then `afterKey` bases. For a
// parted read the bases before the key are its tail and those after it its
// head extension; for a circular read they are the left and right flanks.
// The start is 0 or negative when the segment wraps round the genome's
// start. The lengths hold any read a reads file can carry.
struct SegmentRecord {
    std::int32_t start = 0;
    std::uint16_t beforeKey = 0;
    std::uint16_t afterKey = 0;

    std::int32_t length() const { return beforeKey + kKeyLength + afterKey; }
    friend bool operator==(const SegmentRecord&, const SegmentRecord&) = default;
};
static_assert(sizeof(SegmentRecord) == 8, "records are spilled as 8 bytes");
static_assert(kLongestRead <= 0xFFFF, "flank lengths fit 16 bits");

// The genome positions of the 12 bases at `seed`, newest first. The memory
// of the first position is asked for ahead, so that the look-ups of the
// seeds of one read overlap instead of waiting one after the other; call
// warmGenome() on the span once every seed of the read has been looked up.
inline std::span<const std::int32_t> seedPositions(const KmerIndex& index,
                                                   const std::uint8_t* seed) {
    const std::span<const std::int32_t> positions =
        index.positions(kmerCode(seed, kKeyLength, codeOfCode));
#if defined(__GNUC__)
    if (!positions.empty()) __builtin_prefetch(positions.data());
#endif
    return positions;
}

// Asks ahead for the genome bases around the first position of a span.
inline void warmGenome(std::span<const std::int32_t> positions, const std::uint8_t* genome) {
#if defined(__GNUC__)
    if (!positions.empty()) __builtin_prefetch(genome + positions.front());
#else
    (void)positions;
    (void)genome;
#endif
}

// Walks the genome positions p of the read's first 12 bases (`positions`,
// from seedPositions), newest first. At each p the head is extended: h
// further bases of the read match the genome after the key; the other
// t = n - 12 - h bases are the tail.
//   t == 0:  the read lies whole at p; onWhole(p) returns whether the walk
//            goes on.
//   t >= 4 and the tail equals the t genome bases just before p:
//            onParted({p - t, t, h}).
// `genome` points at index 0 of a code-form strand whose margins cover n
// bases on either side; n must be at least 12. Returns false when onWhole
// stopped the walk.
template <typename OnWhole, typename OnParted>
bool walkHeadKey(std::span<const std::int32_t> positions, const std::uint8_t* genome,
                 const std::uint8_t* read, std::size_t n, OnWhole onWhole, OnParted onParted) {
    const std::size_t key = kKeyLength;
    const std::size_t rest = n - key;
    for (const std::int32_t p : positions) {
        const std::size_t h = forwardMatch(genome + p + key, read + key, rest);
        const std::size_t t = rest - h;
        if (t == 0) {
            if (!onWhole(p)) return false;
        } else if (t >= static_cast<std::size_t>(kShortestTail) &&
                   backwardMatch(genome + p, read + n, t) == t) {
            onParted(SegmentRecord{p - static_cast<std::int32_t>(t), static_cast<std::uint16_t>(t),
                                   static_cast<std::uint16_t>(h)});
        }
    }
    return true;
}

// True when every byte of a coded read is a base code 0..3.
bool holdsOnlyCodes(const std::uint8_t* read, std::size_t n);

// The placements of one read on both strands; the reverse complement is a
// scratch buffer kept with them, so one object per worker serves every read
// without allocating.
struct PartedPlacements {
    std::vector<SegmentRecord> upper;
    std::vector<SegmentRecord> lower;
    std::vector<std::uint8_t> reverse = std::vector<std::uint8_t>(kLineLimit);
};

// The per-read search of parted reads over a read-only genome and index.
class PartedSearch {
public:
    PartedSearch(const Strand& genome, const KmerIndex& index) : genome_(genome), index_(index) {}

    // Replaces `out`'s lists with the parted placements of the coded read:
    // the read itself against the upper strand, then its reverse complement
    // (positions on the upper strand too), each list newest position first.
    // A read that lies whole at a position gives nothing there. Reads
    // shorter than 16 bases cannot have a tail of 4 behind a 12-base key and
    // are not searched; neither are reads holding a byte that is not a base
    // code, which no genome position can explain.
    void search(const std::uint8_t* read, std::size_t n, PartedPlacements& out) const;

private:
    const Strand& genome_;
    const KmerIndex& index_;
};

// The placements of a batch's reads, for the threads of a scan: read i's
// records are upper[upperEnd[i-1] .. upperEnd[i]) and lower likewise.
struct BatchPlacements {
    std::vector<SegmentRecord> upper, lower;
    std::vector<std::size_t> upperEnd, lowerEnd;
    PartedPlacements scratch;  // one read's placements, reused

    void clear(std::size_t reads) {
        upper.clear();
        lower.clear();
        upperEnd.resize(reads);
        lowerEnd.resize(reads);
    }
    void add(const PartedPlacements& one) {
        upper.insert(upper.end(), one.upper.begin(), one.upper.end());
        lower.insert(lower.end(), one.lower.begin(), one.lower.end());
    }
    void endRead(std::size_t i) {
        upperEnd[i] = upper.size();
        lowerEnd[i] = lower.size();
    }
    // Appends read i's records to the lists.
    void appendRead(std::size_t i, std::vector<SegmentRecord>& toUpper,
                    std::vector<SegmentRecord>& toLower) const {
        const std::size_t u = i == 0 ? 0 : upperEnd[i - 1];
        const std::size_t l = i == 0 ? 0 : lowerEnd[i - 1];
        toUpper.insert(toUpper.end(), upper.begin() + static_cast<std::ptrdiff_t>(u),
                       upper.begin() + static_cast<std::ptrdiff_t>(upperEnd[i]));
        toLower.insert(toLower.end(), lower.begin() + static_cast<std::ptrdiff_t>(l),
                       lower.begin() + static_cast<std::ptrdiff_t>(lowerEnd[i]));
    }
};

// A code-form genome with both margins and its 12-mer upper-strand index.
struct KeyedGenome {
    Genome genome;
    std::optional<KmerIndex> index;
};

// The margin on each side of the genome for reads of up to rMaxSz bases:
// rMaxSz, but at least the 11 bases the index keys run past the end and at
// most the longest read a reads file holds.
std::int32_t marginFor(std::int32_t rMaxSz);

// Loads a genome file in code form with front and back margins for reads of
// up to rMaxSz bases and builds the 12-mer upper-strand index. `check`
// chooses the file's form and messages: KindA for letter files, Coded for
// coded files. Allocation failures give "\nno memory_PARTED" (no key
// wait).
Outcome<std::unique_ptr<KeyedGenome>> loadKeyedGenome(const std::string& path, GenomeCheck check,
                                                      std::int32_t rMaxSz, int threads = 1);

// Orders records by start, then by the bases before the key, then after it:
// records with one start come in one defined order.
void sortSegments(std::vector<SegmentRecord>& records);

// Appends the segment's text from the genome: the bases before the key in
// lower case ("acgt"), the key in upper case ("ACGT"), the bases after it
// in lower case.
void appendSegmentText(std::string& out, const Strand& genome, const SegmentRecord& record);

}  // namespace ruz::parted
