// A read's bases as codes, its reverse complement, and its comparison with
// the genome: the helpers every search of a read shares.
//
// Codes are those of nucleotide.h (A = 0, C = 1, G = 2, T = 3). The reverse
// complement of a coded read b[0..n) is r[i] = 3 - b[n-1-i]. Genome
// pointers point at a strand's byte of some index; the strand's margins
// (genome.h) let comparisons run past either end of the genome.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kmer_index.h"
#include "nucleotide.h"

namespace ruz {

// Letters to codes into `codes`; false at the first byte that is not a
// base (a defective read). Bytes before it have been converted.
bool lettersToCodes(const char* letters, std::size_t n, std::uint8_t* codes);

// Letters to codes in the same buffer; false at the first byte that is not
// a base (bytes before it are codes, the rest untouched).
bool lettersToCodesInPlace(char* line, std::size_t n);

// Uppercases the letters in place and writes their codes to `codes`; false
// at the first byte that is not a base.
bool toUpperLettersAndCodes(char* line, std::size_t n, std::uint8_t* codes);

// The reverse complement of a coded read into `out` (which must not overlap
// the read).
void reverseComplementCodes(const std::uint8_t* read, std::size_t n, std::uint8_t* out);

// Number of equal bytes comparing genome[j] with read[j] for j = 0, 1, ...,
// stopping at the first difference or at `limit`.
inline std::size_t forwardMatch(const std::uint8_t* genome, const std::uint8_t* read,
                                std::size_t limit) {
    std::size_t j = 0;
    while (j < limit && genome[j] == read[j]) ++j;
    return j;
}

// Number of equal bytes comparing genomeEnd[-1-j] with readEnd[-1-j] for
// j = 0, 1, ..., stopping at the first difference or at `limit`.
inline std::size_t backwardMatch(const std::uint8_t* genomeEnd, const std::uint8_t* readEnd,
                                 std::size_t limit) {
    std::size_t j = 0;
    while (j < limit && genomeEnd[-1 - static_cast<std::ptrdiff_t>(j)] ==
                            readEnd[-1 - static_cast<std::ptrdiff_t>(j)])
        ++j;
    return j;
}

// Exact placements of a coded read of n >= k bases: calls visit(p) for every
// position p of the index's span for the read's first k bases (highest
// first) where the remaining bases match the strand too. The strand is the
// one the index was built over, in code form, with a back margin of at least
// n - 1 bases. A read whose key holds a byte above 3 (no base) lies nowhere.
// Stops early when visit returns false.
template <typename Visit>
void forEachExactPlacement(const KmerIndex& index, const std::uint8_t* strandOrigin,
                           const std::uint8_t* read, std::size_t n, Visit visit) {
    const auto k = static_cast<std::size_t>(index.k());
    if (n < k) return;
    for (std::size_t j = 0; j < k; ++j)
        if (read[j] > 3) return;
    const KmerCode key = kmerCode(read, index.k(), codeOfCode);
    for (const std::int32_t p : index.positions(key)) {
        if (forwardMatch(strandOrigin + p + k, read + k, n - k) == n - k && !visit(p)) return;
    }
}

}  // namespace ruz
