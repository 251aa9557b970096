#include "kmer_index.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "nucleotide.h"

namespace ruz {

namespace {

using CodeTable = std::array<std::uint8_t, 256>;

constexpr int kMaxK = 16;
constexpr int kMaxBucketBases = 12;

// Buckets up to this size are ordered by insertion sort; larger ones by a
// counting sort over the 256 suffix values, so that the huge buckets of a
// repetitive genome stay linear.
constexpr std::uint32_t kInsertionSortLimit = 64;

// The low 2n bits: the code of n bases.
constexpr KmerCode codeMask(int bases) {
    return bases >= kMaxK ? ~KmerCode{0} : (KmerCode{1} << (2 * bases)) - 1;
}

const CodeTable& tableOf(GenomeForm form) {
    return form == GenomeForm::Letter ? nucleotideCode : codeOfCode;
}

void checkArguments(const Strand& strand, int k) {
    if (k < 1 || k > kMaxK) {
        throw std::invalid_argument("k-mer index: k = " + std::to_string(k) +
                                    " lies outside 1..16");
    }
    if (strand.backMargin() < k - 1) {
        throw std::invalid_argument("k-mer index: a back margin of " +
                                    std::to_string(strand.backMargin()) +
                                    " cannot hold the " + std::to_string(k - 1) +
                                    " bases that the last windows need");
    }
}

// Calls visit(position, code) for positions 1..L in increasing order,
// rolling the window code forward one base at a time. Windows near the end
// read the back margin, which repeats the genome's start.
template <typename Visit>
void forEachWindow(const Strand& strand, int k, const CodeTable& table, Visit visit) {
    const std::int32_t length = strand.length();
    if (length <= 0) return;
    const std::uint8_t* bases = strand.origin();
    const std::uint8_t* incoming = bases + (k - 1);  // incoming[p]: last base of window p
    const KmerCode mask = codeMask(k);
    KmerCode code = kmerCode(bases + 1, k, table);
    visit(1, code);
    for (std::int32_t p = 2; p <= length; ++p) {
        code = ((code << 2) | (table[incoming[p]] & 3u)) & mask;
        visit(p, code);
    }
}

// Stable insertion sort of one bucket by suffix; for small buckets.
void insertionSortBySuffix(std::int32_t* positions, std::uint8_t* suffixes, std::uint32_t n) {
    for (std::uint32_t i = 1; i < n; ++i) {
        const std::uint8_t suffix = suffixes[i];
        const std::int32_t position = positions[i];
        std::uint32_t j = i;
        for (; j > 0 && suffixes[j - 1] > suffix; --j) {
            suffixes[j] = suffixes[j - 1];
            positions[j] = positions[j - 1];
        }
        suffixes[j] = suffix;
        positions[j] = position;
    }
}

// Stable counting sort of one bucket by suffix; `scratch` is reused across
// buckets and grows to the largest bucket sorted this way.
void countingSortBySuffix(std::int32_t* positions, std::uint8_t* suffixes, std::uint32_t n,
                          std::vector<std::int32_t>& scratch) {
    std::array<std::uint32_t, 257> next{};
    for (std::uint32_t i = 0; i < n; ++i) ++next[suffixes[i] + 1u];
    for (std::size_t v = 1; v < next.size(); ++v) next[v] += next[v - 1];
    if (scratch.size() < n) scratch.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) scratch[next[suffixes[i]]++] = positions[i];
    std::copy_n(scratch.begin(), n, positions);
    // next[v] is now the end of suffix value v's run.
    std::uint32_t runStart = 0;
    for (std::size_t v = 0; v < 256; ++v) {
        std::fill(suffixes + runStart, suffixes + next[v], static_cast<std::uint8_t>(v));
        runStart = next[v];
    }
}

// Runs `build` and hands back its index; when memory runs out, prints the
// variant's message (no key wait) and returns nothing.
template <typename Build>
auto buildOrReport(Console& console, std::string_view memoryMessage, Build build)
    -> std::optional<decltype(build())> {
    try {
        return build();
    } catch (const std::bad_alloc&) {
        console.say(memoryMessage);
        return std::nullopt;
    }
}

}  // namespace

KmerIndex::KmerIndex(const Strand& strand, int k, GenomeForm form)
    : k_(k), length_(strand.length()), bucketBases_(std::min(k, kMaxBucketBases)) {
    checkArguments(strand, k);
    const CodeTable& table = tableOf(form);
    countBuckets(strand, table);
    placePositions(strand, table);
    if (suffixBases() > 0) orderBucketsBySuffix();
}

// First pass: the size of every bucket, then the running sums, so that
// offsets_[b] becomes the end of bucket b.
void KmerIndex::countBuckets(const Strand& strand, const CodeTable& table) {
    const std::size_t buckets = bucketCount();
    const int shift = 2 * suffixBases();
    offsets_ = std::make_unique_for_overwrite<std::uint32_t[]>(buckets + 1);
    std::uint32_t* const sizes = offsets_.get();
    std::memset(sizes, 0, (buckets + 1) * sizeof(sizes[0]));
    forEachWindow(strand, k_, table, [=](std::int32_t, KmerCode code) { ++sizes[code >> shift]; });
    std::uint32_t end = 0;
    for (std::size_t b = 0; b < buckets; ++b) {
        end += sizes[b];
        sizes[b] = end;
    }
    sizes[buckets] = end;
}

// Second pass, in increasing position: each position goes to the slot just
// below its bucket's current end. A bucket thus fills from its top down and
// holds its positions highest first, and every end turns into a start.
void KmerIndex::placePositions(const Strand& strand, const CodeTable& table) {
    const int shift = 2 * suffixBases();
    const auto length = static_cast<std::size_t>(length_);
    std::uint32_t* const ends = offsets_.get();
    slots_ = std::make_unique_for_overwrite<std::int32_t[]>(length);
    std::int32_t* const slots = slots_.get();
    if (suffixBases() == 0) {
        forEachWindow(strand, k_, table, [=](std::int32_t p, KmerCode code) {
            slots[--ends[code >> shift]] = p;
        });
        return;
    }
    const KmerCode suffixMask = codeMask(suffixBases());
    suffixes_ = std::make_unique_for_overwrite<std::uint8_t[]>(length);
    std::uint8_t* const suffixes = suffixes_.get();
    forEachWindow(strand, k_, table, [=](std::int32_t p, KmerCode code) {
        const std::uint32_t slot = --ends[code >> shift];
        slots[slot] = p;
        suffixes[slot] = static_cast<std::uint8_t>(code & suffixMask);
    });
}

// For k > 12: orders each bucket by the code of its remaining bases. The
// sorts are stable, so equal codes keep their highest-first order.
void KmerIndex::orderBucketsBySuffix() {
    std::vector<std::int32_t> scratch;
    const std::uint32_t* const starts = offsets_.get();
    const std::size_t buckets = bucketCount();
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::uint32_t begin = starts[b];
        const std::uint32_t n = starts[b + 1] - begin;
        if (n < 2) continue;
        if (n <= kInsertionSortLimit) {
            insertionSortBySuffix(slots_.get() + begin, suffixes_.get() + begin, n);
        } else {
            countingSortBySuffix(slots_.get() + begin, suffixes_.get() + begin, n, scratch);
        }
    }
}

std::span<const std::int32_t> KmerIndex::positions(KmerCode code) const {
    code &= codeMask(k_);
    const KmerCode bucket = code >> (2 * suffixBases());
    const std::uint32_t begin = offsets_[bucket];
    const std::uint32_t end = offsets_[bucket + 1];
    if (suffixBases() == 0) return {slots_.get() + begin, end - begin};
    const auto suffix = static_cast<std::uint8_t>(code & codeMask(suffixBases()));
    const std::uint8_t* const suffixes = suffixes_.get();
    const auto [low, high] = std::equal_range(suffixes + begin, suffixes + end, suffix);
    return {slots_.get() + (low - suffixes), static_cast<std::size_t>(high - low)};
}

std::size_t KmerIndex::memoryBytes() const {
    const auto length = static_cast<std::size_t>(length_);
    const std::size_t suffixBytes = suffixBases() > 0 ? length : 0;
    return (bucketCount() + 1) * sizeof(std::uint32_t) + length * sizeof(std::int32_t) + suffixBytes;
}

std::optional<KmerIndex> buildRoot8(Console& console, const Strand& strand) {
    return buildOrReport(console, "\nno memory_Root8",
                         [&] { return KmerIndex(strand, 8, GenomeForm::Code); });
}

std::optional<KmerIndex> build16Chain(Console& console, const Strand& strand,
                                      std::string_view memoryMessage) {
    return buildOrReport(console, memoryMessage,
                         [&] { return KmerIndex(strand, 16, GenomeForm::Code); });
}

std::optional<KmerIndex> build12Upper(Console& console, const Strand& strand,
                                      std::string_view memoryMessage) {
    return buildOrReport(console, memoryMessage,
                         [&] { return KmerIndex(strand, 12, GenomeForm::Code); });
}

std::optional<RootChain12> build12RootChain(Console& console, const Genome& genome) {
    // Both strands are checked first, so a short margin on the lower strand
    // does not cost a build of the upper one.
    checkArguments(genome.upper, 12);
    checkArguments(genome.lower, 12);
    return buildOrReport(console, "\nno memory_12-RootChain", [&] {
        return RootChain12{KmerIndex(genome.upper, 12, GenomeForm::Letter),
                           KmerIndex(genome.lower, 12, GenomeForm::Letter)};
    });
}

KmerCode kmerCode(const std::uint8_t* window, int k, const std::array<std::uint8_t, 256>& table) {
    KmerCode code = 0;
    for (int j = 0; j < k; ++j) code = (code << 2) | (table[window[j]] & 3u);
    return code;
}

void decodeKmer(KmerCode code, int n, char* out) {
    static constexpr char kLetters[] = "acgt";
    for (int i = 1; i <= n; ++i) {
        out[n - i] = kLetters[code & 3u];
        code >>= 2;
    }
}

}  // namespace ruz
