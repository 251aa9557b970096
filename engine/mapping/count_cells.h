// The per-position counts of fMatchReadsT_VarSzO, kept only where used.
//
// The counts form a table of cells, one per genome position p and size index
// k (read length minus rMinSz): the reads of that size placed at p on the
// upper strand, those placed at p on the lower strand, and the multiplicity,
// the number of places (both strands) of a read counted in the cell. A dense
// table would hold (L + 1) x S cells, nearly all of them zero; this one
// holds a cell only once a read is placed there, in an open-addressing hash
// table keyed by (p, k), and hands the cells over sorted by p, then k, for
// the reports.
//
// All reads counted in one cell share one multiplicity: a read of length n
// placed at p on the upper strand equals the genome's n bases from p, one
// placed there on the lower strand is their reverse complement, and a read
// and its reverse complement have the same places on the two strands taken
// together. So the multiplicity of a cell is the one of any read in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ruz {

struct CountCell {
    std::uint64_t key = 0;       // position << kSizeIndexBits | size index; 0: free slot
    std::uint64_t upper = 0;     // reads placed on the upper strand
    std::uint64_t lower = 0;     // reads placed on the lower strand
    std::uint32_t multiplicity = 0;

    std::int32_t position() const;
    std::uint32_t sizeIndex() const;
};

class CountCells {
public:
    // Size indexes lie below 2^13: reads hold at most 5119 bases.
    static constexpr int kSizeIndexBits = 13;

    CountCells();

    // Counts one placement of a read of size index `sizeIndex` at
    // `position` (1 or more) on the upper or the lower strand, whose read has
    // `multiplicity` places in all. Throws std::bad_alloc when the table
    // cannot grow.
    void add(std::int32_t position, std::uint32_t sizeIndex, bool upperStrand,
             std::uint32_t multiplicity);

    std::size_t size() const { return used_; }

    // The used cells sorted by position, then size index. The table is
    // sorted in place: no cell can be added afterwards.
    std::span<const CountCell> sorted();

    // Bytes held by the table.
    std::size_t memoryBytes() const { return slots_.capacity() * sizeof(CountCell); }

private:
    CountCell& cellOf(std::uint64_t key);
    void grow();

    std::vector<CountCell> slots_;
    std::size_t used_ = 0;
    int bits_ = 0;  // slots_.size() == 2^bits_
    bool sealed_ = false;
};

}  // namespace ruz
