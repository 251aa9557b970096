// The per-read work of fIdentifyCircularRna: whether a letter read is a
// circular permutation of a genome segment, a read X·Y whose parts lie in
// the genome as Y immediately followed by X.
//
// Four passes run in this order, each over the genome positions of one
// 12-base seed, newest first:
//   1. head seed (the read's first 12 bases): the read continues after the
//      seed for i bases; the rest (at least 4) must lie just before the seed;
//   2. tail seed (its last 12 bases): the read matches leftwards of the seed
//      for i bases; its unmatched start (at least 4) must lie just after it;
//   3, 4. the same for the read's reverse complement.
// Passes 1 and 2 give (+) records, passes 3 and 4 (-) records; positions
// are on the upper strand in both. A read found whole in the genome in any
// pass stops the search and drops every record it had produced. Unmatched
// parts of 1 to 3 bases give nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/context.h"
#include "core/genome.h"
#include "core/kmer_index.h"
#include "rna/parted_search.h"

namespace ruz::circular {

using parted::SegmentRecord;

// What became of one line of the reads file.
enum class ReadKind {
    OutOfScope,  // length outside [rMinSz, rMaxSz]
    Defective,   // within scope, holds a byte that is not a base
    Unsearched,  // within scope, shorter than a seed: cannot be searched
    InGenome,    // found whole in the genome: no record
    Searched,    // searched; its records (perhaps none) are in the lists
};

// The outcome of one read, with the scratch buffers that produced it; one
// object per worker serves every read without allocating.
struct CircularOutcome {
    ReadKind kind = ReadKind::OutOfScope;
    std::vector<SegmentRecord> upper;
    std::vector<SegmentRecord> lower;
    std::vector<std::uint8_t> codes = std::vector<std::uint8_t>(kLineLimit);
    std::vector<std::uint8_t> reverse = std::vector<std::uint8_t>(kLineLimit);
};

class CircularSearch {
public:
    // `genome`: code form with front and back margins of at least rMaxSz
    // bases (see parted::loadKeyedGenome); `index`: its 12-mer index.
    CircularSearch(const Strand& genome, const KmerIndex& index, std::int32_t rMinSz,
                   std::int32_t rMaxSz)
        : genome_(genome), index_(index), rMinSz_(rMinSz), rMaxSz_(rMaxSz) {}

    // Examines one line of a letter reads file (`length` bytes before its
    // line feed; a carriage return at its end is not part of the read).
    void examine(const char* line, std::size_t length, CircularOutcome& out) const;

private:
    // The genome positions of the head and the tail seed of one orientation.
    struct Seeds {
        std::span<const std::int32_t> head;
        std::span<const std::int32_t> tail;
    };
    Seeds seedsOf(const std::uint8_t* read, std::size_t n) const;

    // Passes 1 and 2 over one orientation of the read; false at a whole match.
    bool searchOrientation(const std::uint8_t* read, std::size_t n, const Seeds& seeds,
                           std::vector<SegmentRecord>& list) const;
    bool walkTailSeed(std::span<const std::int32_t> positions, const std::uint8_t* read,
                      std::size_t n, std::vector<SegmentRecord>& list) const;

    const Strand& genome_;
    const KmerIndex& index_;
    std::int32_t rMinSz_;
    std::int32_t rMaxSz_;
};

}  // namespace ruz::circular
