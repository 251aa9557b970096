// K-mer index of one strand: for every k-mer code, all start positions whose
// window has that code, highest position first.
//
// Encoding: a k-mer code packs the k base codes of a window 2 bits each, the
// first base most significant: code(p) = sum of c(p+j) * 4^(k-1-j), j = 0..k-1.
// The window of position p covers p..p+k-1; for p > L-k+1 it runs into the
// strand's back margin, i.e. it wraps round to the genome's start. All L
// positions are indexed, so the strand needs a back margin of at least k-1.
// A byte that is not a base (an unchecked coded genome) counts as its table
// entry's low 2 bits: a wrong code, but never one outside 0..4^k-1.
//
// Layout (one contiguous block instead of a root table and a chain):
//   bucket   = the code of the window's first min(k, 12) bases
//   offsets  = 4^min(k,12) + 1 entries; bucket b holds slots [offsets[b], offsets[b+1])
//   slots    = positions, ordered by bucket, then (for k > 12) by the code of the
//              remaining k-12 bases, then by descending position
//   suffixes = for k > 12 only: the code of the remaining bases of each slot,
//              so a lookup narrows its bucket by binary search
// The offset table costs at most 64 MiB (4^12 + 1 entries of 4 bytes); every
// position costs 4 bytes, plus 1 byte for k > 12. A lookup returns the
// positions of a code as one contiguous span, newest first: the same
// positions in the same order as walking a root table and its chain.
//
// Build, on several threads where asked (the result does not depend on
// their number): two linear passes with a rolling code over chunks of the
// genome group the positions by their windows' first 4 bases (256
// partitions, in increasing position); then each partition, a contiguous
// range of buckets and slots small enough for the caches, places its
// positions below their buckets' ends and, for k > 12, orders each bucket
// stably by suffix (insertion sort for small buckets, counting sort for
// large ones). Apart from the index the build holds, per thread, 8 bytes per
// position of the partition it orders.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "outcome.h"
#include "genome.h"

namespace ruz {

using KmerCode = std::uint32_t;

class KmerIndex {
public:
    // Builds the index over positions 1..strand.length() on up to `threads`
    // threads. `form` says whether the strand holds codes 0..3 or uppercase
    // letters. Throws std::invalid_argument unless 1 <= k <= 16 and
    // strand.backMargin() >= k-1, and std::bad_alloc when memory runs out.
    KmerIndex(const Strand& strand, int k, GenomeForm form, int threads = 1);

    int k() const { return k_; }
    std::int32_t length() const { return length_; }

    // Positions whose window has `code` (only its low 2k bits are used),
    // highest first; empty when the code does not occur.
    std::span<const std::int32_t> positions(KmerCode code) const;

    // Asks the processor to fetch the offsets that positions(code) reads.
    // A caller that looks up many codes announces each some look-ups ahead,
    // so the cache misses of several look-ups overlap.
    void prefetch(KmerCode code) const {
        const KmerCode bucket = (code & ((KmerCode{1} << (2 * k_ - 1) << 1) - 1)) >> (2 * suffixBases());
        __builtin_prefetch(offsets_.get() + bucket);
    }

    // The index of the other strand of a genome, made from this index
    // without reading the genome: the strand `other` must be the reverse
    // complement of the strand this index covers (other[i] = complement of
    // this[L+1-i], every byte one of the four bases of the index's form),
    // and k at most 12. A window of the other strand at p is the reverse
    // complement of this strand's window at L-p-k+2 (round the genome), so
    // each bucket is the reverse complement's bucket here, its positions
    // mapped and reversed: the very layout and order of a direct build.
    // Uses up to `threads` threads.
    KmerIndex reverseComplement(int threads = 1) const;

    // Bytes held by the index (offsets, slots and suffixes).
    // An index can be moved but not copied.
    std::size_t memoryBytes() const;

private:
    using CodeTable = std::array<std::uint8_t, 256>;

    KmerIndex() = default;

    std::vector<std::uint32_t> partitionPositions(const Strand& strand, const CodeTable& table,
                                                  int threads);
    void orderPartition(const Strand& strand, const CodeTable& table, std::size_t part,
                        std::uint32_t begin, std::uint32_t end);
    std::size_t bucketCount() const { return std::size_t{1} << (2 * bucketBases_); }
    int suffixBases() const { return k_ - bucketBases_; }
    // The build groups positions by their first 4 bases (256 partitions)
    // when buckets hold at least 8 bases.
    int partitionBases() const { return bucketBases_ >= 8 ? 4 : 0; }
    std::size_t partitionCount() const { return std::size_t{1} << (2 * partitionBases()); }

    int k_ = 0;
    std::int32_t length_ = 0;
    int bucketBases_ = 0;  // min(k, 12)
    // Plain arrays rather than vectors: the build writes every slot and
    // suffix, so they are allocated without a zero-filling pass.
    std::unique_ptr<std::uint32_t[]> offsets_;  // bucketCount() + 1 entries
    std::unique_ptr<std::int32_t[]> slots_;     // length_ entries
    std::unique_ptr<std::uint8_t[]> suffixes_;  // length_ entries when k > 12, else none
};

// The variants the analyses build. Each fails with its memory message (no
// key wait) when the arrays cannot be allocated. A back
// margin shorter than k-1 is a caller's error and throws
// std::invalid_argument. Root8 (k = 8), 16-Chain (k = 16) and the 12-mer
// upper-strand index take a code-form strand.
// Each builds on up to `threads` threads.
Outcome<KmerIndex> buildRoot8(const Strand& strand, int threads = 1);
Outcome<KmerIndex> build16Chain(const Strand& strand, std::string_view memoryMessage = "\nno memory_16-Chain",
                                int threads = 1);
Outcome<KmerIndex> build12Upper(const Strand& strand, std::string_view memoryMessage = "\nno memory_PARTED",
                                int threads = 1);

// The positions of a k-mer on one strand, highest first: either a span of
// that strand's index, or (mirrored) the span of the reverse complement's
// k-mer in the other strand's index, each position q mapped to L-k+2-q
// (plus L when that is 0 or below). The other strand's span, highest first,
// begins with the windows round the genome's end (q > L-k+1, at most k-1
// of them), which map to the top positions: mirrored, that run is read
// backwards first, then the rest backwards. Both give the same positions in
// the same order, so a search need not hold the second index.
class StrandPositions {
public:
    StrandPositions() = default;
    explicit StrandPositions(std::span<const std::int32_t> direct) : stored_(direct) {}
    // Looks at no position yet: a search takes the spans of some reads
    // ahead and fetches their memory before it walks them.
    StrandPositions(std::span<const std::int32_t> other, std::int32_t length, int k)
        : stored_(other), lastWhole_(std::int64_t{length} - k + 1), length_(length), mirrored_(true) {}

    std::size_t size() const { return stored_.size(); }
    bool empty() const { return stored_.empty(); }
    // Where the stored positions lie, for a prefetch.
    const std::int32_t* storage() const { return stored_.data(); }

    class Iterator {
    public:
        Iterator(const StrandPositions* of, std::size_t at, std::size_t wrapped)
            : of_(of), at_(at), wrapped_(wrapped) {}
        std::int32_t operator*() const {
            const std::span<const std::int32_t> s = of_->stored_;
            if (!of_->mirrored_) return s[at_];
            const std::int32_t q = at_ < wrapped_ ? s[wrapped_ - 1 - at_] : s[s.size() - 1 - (at_ - wrapped_)];
            std::int64_t p = of_->lastWhole_ + 1 - q;
            if (p <= 0) p += of_->length_;
            return static_cast<std::int32_t>(p);
        }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return at_ != other.at_; }

    private:
        const StrandPositions* of_;
        std::size_t at_;
        std::size_t wrapped_;  // mirrored: the leading stored windows round the end
    };
    Iterator begin() const {
        std::size_t wrapped = 0;
        if (mirrored_)
            while (wrapped < stored_.size() && stored_[wrapped] > lastWhole_) ++wrapped;
        return {this, 0, wrapped};
    }
    Iterator end() const { return {this, size(), 0}; }

private:
    std::span<const std::int32_t> stored_;
    std::int64_t lastWhole_ = 0;
    std::int64_t length_ = 0;
    bool mirrored_ = false;
};

// The 12-mer positions of both strands of a letter-form genome (which must
// hold its lower strand). When the lower strand is the upper one's reverse
// complement and every byte is a base, as in every loaded genome of the
// four bases, one index over the upper strand answers for both (4 bytes a
// position instead of 8); otherwise each strand has its own.
class StrandPair12 {
public:
    StrandPositions upper(KmerCode code) const { return StrandPositions(upperSpan(code)); }
    std::span<const std::int32_t> upperSpan(KmerCode code) const { return upper_.positions(code); }
    StrandPositions lower(KmerCode code) const;
    // Fetches what upper(code) and lower(code) read.
    void prefetch(KmerCode code) const;
    bool mirrored() const { return !lower_; }
    std::size_t memoryBytes() const;

private:
    friend Outcome<StrandPair12> build12StrandPair(const Genome& genome, int threads);
    explicit StrandPair12(KmerIndex upper) : upper_(std::move(upper)) {}

    KmerIndex upper_;
    std::optional<KmerIndex> lower_;
};
Outcome<StrandPair12> build12StrandPair(const Genome& genome, int threads = 1);

// `12-RootChain`: one 12-mer index per strand of a letter-form genome; the
// genome must hold its lower strand.
struct RootChain12 {
    KmerIndex upper;
    KmerIndex lower;
};
Outcome<RootChain12> build12RootChain(const Genome& genome, int threads = 1);

// Code of the k bytes at `window`, each translated through `table`
// (nucleotideCode for letters, codeOfCode for codes) and reduced to 2 bits.
KmerCode kmerCode(const std::uint8_t* window, int k, const std::array<std::uint8_t, 256>& table);

// Writes the n letters of `code` from "acgt" to out[0..n-1] in window order
// (the least significant 2 bits give out[n-1]). No terminating zero.
void decodeKmer(KmerCode code, int n, char* out);

}  // namespace ruz
