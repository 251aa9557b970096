#include "kmer_index.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "nucleotide.h"
#include "parallel.h"
#include "platform.h"

namespace ruz {

namespace {

using CodeTable = std::array<std::uint8_t, 256>;

constexpr int kMaxK = 16;
constexpr int kMaxBucketBases = 12;

// Buckets up to this size are ordered by insertion sort; larger ones by a
// counting sort over the 256 suffix values, so that the huge buckets of a
// repetitive genome stay linear.
constexpr std::uint32_t kInsertionSortLimit = 64;

// Genome chunks counted and partitioned apart hold at least this many
// positions.
constexpr std::size_t kMinChunk = 1 << 14;

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

// Calls visit(position, code) for positions first..last in increasing
// order, rolling the window code forward one base at a time. Windows near
// the end read the back margin, which repeats the genome's start.
template <typename Visit>
void forEachWindow(const Strand& strand, int k, const CodeTable& table, std::int32_t first,
                   std::int32_t last, Visit visit) {
    if (first > last) return;
    const std::uint8_t* bases = strand.origin();
    const std::uint8_t* incoming = bases + (k - 1);  // incoming[p]: last base of window p
    const KmerCode mask = codeMask(k);
    KmerCode code = kmerCode(bases + first, k, table);
    visit(first, code);
    // 64 bits: the last position may be the largest 32-bit number.
    for (std::int64_t p = std::int64_t{first} + 1; p <= last; ++p) {
        code = ((code << 2) | (table[incoming[p]] & 3u)) & mask;
        visit(static_cast<std::int32_t>(p), code);
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

// Runs `build` and hands back its index; when memory runs out, the
// variant's message (no key wait) stands in its place.
template <typename Build>
auto buildOrFail(std::string_view memoryMessage, Build build) -> Outcome<decltype(build())> {
    try {
        return build();
    } catch (const std::bad_alloc&) {
        return failureWithoutWait(memoryMessage);
    }
}

}  // namespace

KmerIndex::KmerIndex(const Strand& strand, int k, GenomeForm form, int threads)
    : k_(k), length_(strand.length()), bucketBases_(std::min(k, kMaxBucketBases)) {
    checkArguments(strand, k);
    const auto length = static_cast<std::size_t>(length_);
    offsets_ = std::make_unique_for_overwrite<std::uint32_t[]>(bucketCount() + 1);
    slots_ = std::make_unique_for_overwrite<std::int32_t[]>(length);
    if (suffixBases() > 0) suffixes_ = std::make_unique_for_overwrite<std::uint8_t[]>(length);
    // Look-ups jump about these arrays at random.
    platform::adviseHugePages(offsets_.get(), (bucketCount() + 1) * sizeof(std::uint32_t));
    platform::adviseHugePages(slots_.get(), length * sizeof(std::int32_t));
    if (suffixes_) platform::adviseHugePages(suffixes_.get(), length);
    const CodeTable& table = tableOf(form);
    const std::vector<std::uint32_t> partitionStarts = partitionPositions(strand, table, threads);
    parallelFor(threads, partitionStarts.size() - 1, [&](std::size_t part) {
        orderPartition(strand, table, part, partitionStarts[part], partitionStarts[part + 1]);
    });
    offsets_[bucketCount()] = static_cast<std::uint32_t>(length_);
}

// Positions are first grouped by the first bases of their windows (their
// partition), in increasing order within each: chunks of the genome are
// counted and then written on several threads, each chunk to its own
// cursors, so the order does not depend on the threads. Returns the start
// of every partition in the slots, and the end as last entry.
std::vector<std::uint32_t> KmerIndex::partitionPositions(const Strand& strand, const CodeTable& table,
                                                         int threads) {
    const std::size_t partitions = partitionCount();
    const int shift = 2 * (k_ - partitionBases());
    const std::int32_t length = length_;
    const std::size_t chunks = std::max<std::size_t>(
        1, std::min<std::size_t>(static_cast<std::size_t>(threads) * 4,
                                 static_cast<std::size_t>(length) / kMinChunk));
    // Chunk c covers positions chunkStart(c)..chunkStart(c + 1) - 1; the end
    // of the last, L + 1, may lie beyond 32 bits.
    const auto chunkStart = [&](std::size_t c) {
        return 1 + static_cast<std::int64_t>(length) * static_cast<std::int64_t>(c) / static_cast<std::int64_t>(chunks);
    };
    const auto chunkFirst = [&](std::size_t c) { return static_cast<std::int32_t>(chunkStart(c)); };
    const auto chunkLast = [&](std::size_t c) { return static_cast<std::int32_t>(chunkStart(c + 1) - 1); };
    // counts[c * partitions + part]: then each chunk's first slot in the part.
    std::vector<std::uint32_t> counts(chunks * partitions, 0);
    parallelFor(threads, chunks, [&](std::size_t c) {
        std::uint32_t* mine = counts.data() + c * partitions;
        forEachWindow(strand, k_, table, chunkFirst(c), chunkLast(c),
                      [&](std::int32_t, KmerCode code) { ++mine[code >> shift]; });
    });
    std::vector<std::uint32_t> starts(partitions + 1);
    std::uint32_t at = 0;
    for (std::size_t part = 0; part < partitions; ++part) {
        starts[part] = at;
        for (std::size_t c = 0; c < chunks; ++c) {
            const std::uint32_t n = counts[c * partitions + part];
            counts[c * partitions + part] = at;
            at += n;
        }
    }
    starts[partitions] = at;
    std::int32_t* const slots = slots_.get();
    parallelFor(threads, chunks, [&](std::size_t c) {
        std::uint32_t* cursor = counts.data() + c * partitions;
        forEachWindow(strand, k_, table, chunkFirst(c), chunkLast(c),
                      [&](std::int32_t p, KmerCode code) { slots[cursor[code >> shift]++] = p; });
    });
    return starts;
}

// Orders one partition: its positions go to their buckets, highest first,
// and for k > 12 each bucket is ordered by the code of its remaining bases
// (stable, so equal codes keep the highest-first order). The partition's
// buckets and slots form one contiguous range, small enough for the caches.
void KmerIndex::orderPartition(const Strand& strand, const CodeTable& table, std::size_t part,
                               std::uint32_t begin, std::uint32_t end) {
    const std::size_t subBuckets = bucketCount() / partitionCount();
    std::uint32_t* const starts = offsets_.get() + part * subBuckets;
    const std::uint32_t n = end - begin;
    const int suffixShift = 2 * suffixBases();
    const KmerCode subMask = static_cast<KmerCode>(subBuckets - 1);
    const KmerCode suffixMask = codeMask(suffixBases());

    // The partition's positions and their codes, in increasing position.
    const std::vector<std::int32_t> positions(slots_.get() + begin, slots_.get() + end);
    std::vector<KmerCode> codes(n);
    std::fill(starts, starts + subBuckets, 0u);
    const std::uint8_t* bases = strand.origin();
    // Positions of a partition lie far apart: the windows a few positions
    // ahead are fetched early, so their cache misses overlap.
    constexpr std::uint32_t kAhead = 16;
    for (std::uint32_t i = 0; i < n; ++i) {
        if (i + kAhead < n) __builtin_prefetch(bases + positions[i + kAhead]);
        codes[i] = kmerCode(bases + positions[i], k_, table);
        ++starts[(codes[i] >> suffixShift) & subMask];
    }
    // Sizes to ends; then each position goes just below its bucket's end,
    // so a bucket fills from its top down, highest first, and every end
    // turns into its start.
    std::uint32_t at = begin;
    for (std::size_t b = 0; b < subBuckets; ++b) {
        at += starts[b];
        starts[b] = at;
    }
    std::int32_t* const slots = slots_.get();
    std::uint8_t* const suffixes = suffixes_.get();
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t slot = --starts[(codes[i] >> suffixShift) & subMask];
        slots[slot] = positions[i];
        if (suffixes) suffixes[slot] = static_cast<std::uint8_t>(codes[i] & suffixMask);
    }
    if (!suffixes) return;
    std::vector<std::int32_t> scratch;
    for (std::size_t b = 0; b < subBuckets; ++b) {
        const std::uint32_t first = starts[b];
        const std::uint32_t last = b + 1 < subBuckets ? starts[b + 1] : end;
        const std::uint32_t size = last - first;
        if (size < 2) continue;
        if (size <= kInsertionSortLimit) {
            insertionSortBySuffix(slots + first, suffixes + first, size);
        } else {
            countingSortBySuffix(slots + first, suffixes + first, size, scratch);
        }
    }
}

namespace {

// The reverse complement of 4 bases (a byte of a code): the complement of
// a base code c is 3 - c, i.e. c ^ 3, and the 2-bit groups swap ends.
constexpr std::array<std::uint8_t, 256> kReverseComplementByte = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned r = 0;
        for (unsigned j = 0, x = ~b; j < 4; ++j, x >>= 2) r = (r << 2) | (x & 3u);
        table[b] = static_cast<std::uint8_t>(r);
    }
    return table;
}();

// The code of the reverse complement of a window of `bases` <= 12 bases:
// that of the 12 bases the code spells with leading A, whose complements
// (T) end up in the low bits and are shifted out.
KmerCode reverseComplementCode(KmerCode code, int bases) {
    const KmerCode twelve = KmerCode{kReverseComplementByte[code & 0xFFu]} << 16 |
                            KmerCode{kReverseComplementByte[(code >> 8) & 0xFFu]} << 8 |
                            KmerCode{kReverseComplementByte[(code >> 16) & 0xFFu]};
    return twelve >> (2 * (12 - bases));
}

}  // namespace

KmerIndex KmerIndex::reverseComplement(int threads) const {
    if (suffixBases() > 0) throw std::invalid_argument("k-mer index: reverse complement of k > 12");
    KmerIndex other;
    other.k_ = k_;
    other.length_ = length_;
    other.bucketBases_ = bucketBases_;
    const std::size_t buckets = bucketCount();
    const auto length = static_cast<std::size_t>(length_);
    other.offsets_ = std::make_unique_for_overwrite<std::uint32_t[]>(buckets + 1);
    other.slots_ = std::make_unique_for_overwrite<std::int32_t[]>(length);
    platform::adviseHugePages(other.offsets_.get(), (buckets + 1) * sizeof(std::uint32_t));
    platform::adviseHugePages(other.slots_.get(), length * sizeof(std::int32_t));

    const std::uint32_t* const from = offsets_.get();
    const std::int32_t* const fromSlots = slots_.get();
    std::uint32_t* const to = other.offsets_.get();
    std::int32_t* const toSlots = other.slots_.get();
    const std::int64_t L = length_;
    const int k = k_;
    // Positions q of this strand whose window runs round the genome's end
    // map to the top positions of the other strand.
    const std::int64_t lastWhole = L - k + 1;
    const auto mapped = [lastWhole, L](std::int32_t q) {
        std::int64_t p = lastWhole + 1 - q;
        if (p <= 0) p += L;
        return static_cast<std::int32_t>(p);
    };

    // The buckets go over in parts, one thread a part: first each bucket's
    // size is put at its reverse complement, then the sizes are summed into
    // starts, then each bucket is copied to its reverse complement's start.
    // Only buckets that hold positions are visited in the first and last
    // step, so a small genome costs little beyond the offset table.
    const std::size_t parts = std::max<std::size_t>(1, static_cast<std::size_t>(threads) * 4);
    const auto partStart = [buckets, parts](std::size_t part) { return buckets * part / parts; };
    parallelFor(threads, parts, [&](std::size_t part) {
        std::fill(to + partStart(part), to + partStart(part + 1), 0u);
    });
    parallelFor(threads, parts, [&](std::size_t part) {
        for (std::size_t b = partStart(part), end = partStart(part + 1); b < end; ++b) {
            const std::uint32_t n = from[b + 1] - from[b];
            if (n != 0) to[reverseComplementCode(static_cast<KmerCode>(b), k)] = n;
        }
    });
    std::vector<std::uint32_t> partBase(parts + 1, 0);
    parallelFor(threads, parts, [&](std::size_t part) {
        std::uint32_t n = 0;
        for (std::size_t c = partStart(part), end = partStart(part + 1); c < end; ++c) n += to[c];
        partBase[part + 1] = n;
    });
    for (std::size_t part = 0; part < parts; ++part) partBase[part + 1] += partBase[part];
    parallelFor(threads, parts, [&](std::size_t part) {
        std::uint32_t at = partBase[part];
        for (std::size_t c = partStart(part), end = partStart(part + 1); c < end; ++c) {
            const std::uint32_t n = to[c];
            to[c] = at;
            at += n;
        }
    });
    parallelFor(threads, parts, [&](std::size_t part) {
        constexpr std::size_t kAhead = 8;
        const std::size_t end = partStart(part + 1);
        for (std::size_t b = partStart(part); b < end; ++b) {
            const std::int32_t* const begin = fromSlots + from[b];
            const std::int32_t* const stop = fromSlots + from[b + 1];
            if (begin == stop) continue;
            if (b + kAhead < end)
                __builtin_prefetch(to + reverseComplementCode(static_cast<KmerCode>(b + kAhead), k));
            std::int32_t* out = toSlots + to[reverseComplementCode(static_cast<KmerCode>(b), k)];
            // Highest q first here: the windows round the end come first.
            // Reversed and mapped, each run gives falling positions, and
            // the runs' order puts the top positions first.
            const std::int32_t* wrapEnd = begin;
            while (wrapEnd != stop && *wrapEnd > lastWhole) ++wrapEnd;
            for (const std::int32_t* q = wrapEnd; q != begin;) *out++ = mapped(*--q);
            for (const std::int32_t* q = stop; q != wrapEnd;) *out++ = mapped(*--q);
        }
    });
    to[buckets] = static_cast<std::uint32_t>(length_);
    return other;
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

Outcome<KmerIndex> buildRoot8(const Strand& strand, int threads) {
    return buildOrFail("\nno memory_Root8",
                         [&] { return KmerIndex(strand, 8, GenomeForm::Code, threads); });
}

Outcome<KmerIndex> build16Chain(const Strand& strand, std::string_view memoryMessage, int threads) {
    return buildOrFail(memoryMessage,
                         [&] { return KmerIndex(strand, 16, GenomeForm::Code, threads); });
}

Outcome<KmerIndex> build12Upper(const Strand& strand, std::string_view memoryMessage, int threads) {
    return buildOrFail(memoryMessage,
                         [&] { return KmerIndex(strand, 12, GenomeForm::Code, threads); });
}

namespace {

// True when `lower` holds the reverse complement of `upper` in positions
// 1..L and both hold only the four uppercase bases, as a loaded letter
// genome does; its lower index then follows from the upper one.
bool complementary(const Strand& upper, const Strand& lower, int threads) {
    const std::int32_t L = upper.length();
    if (lower.length() != L) return false;
    const std::uint8_t* const up = upper.origin();
    const std::uint8_t* const lw = lower.origin();
    const std::size_t parts = std::max<std::size_t>(1, static_cast<std::size_t>(threads));
    std::vector<std::uint8_t> ok(parts, 1);
    parallelFor(threads, parts, [&](std::size_t part) {
        const std::int64_t first = 1 + std::int64_t{L} * static_cast<std::int64_t>(part) / static_cast<std::int64_t>(parts);
        const std::int64_t last = std::int64_t{L} * static_cast<std::int64_t>(part + 1) / static_cast<std::int64_t>(parts);
        bool good = true;
        for (std::int64_t i = first; i <= last; ++i) {
            const std::uint8_t b = up[i];
            good &= (b == 'A' || b == 'C' || b == 'G' || b == 'T') &&
                    lw[std::int64_t{L} + 1 - i] == static_cast<std::uint8_t>(complementLetter[b]);
        }
        ok[part] = good;
    });
    return std::all_of(ok.begin(), ok.end(), [](std::uint8_t b) { return b != 0; });
}

}  // namespace

Outcome<RootChain12> build12RootChain(const Genome& genome, int threads) {
    // Both strands are checked first, so a short margin on the lower strand
    // does not cost a build of the upper one.
    checkArguments(genome.upper, 12);
    checkArguments(genome.lower, 12);
    return buildOrFail("\nno memory_12-RootChain", [&] {
        // A loaded genome's lower strand is the upper one's reverse
        // complement: its index is made from the upper index, without the
        // random reads of the genome a build makes. That visits every
        // bucket, so it pays once the genome has more positions than the
        // index has buckets.
        if (genome.length >= (std::int32_t{1} << 24) && complementary(genome.upper, genome.lower, threads)) {
            KmerIndex upper(genome.upper, 12, GenomeForm::Letter, threads);
            KmerIndex lower = upper.reverseComplement(threads);
            return RootChain12{std::move(upper), std::move(lower)};
        }
        // Otherwise, with two threads or more the strands are indexed at
        // once, each on half of them.
        std::optional<KmerIndex> strands[2];
        const int perStrand = std::max(1, threads / 2);
        parallelFor(threads >= 2 ? 2 : 1, 2, [&](std::size_t s) {
            strands[s].emplace(s == 0 ? genome.upper : genome.lower, 12, GenomeForm::Letter, perStrand);
        });
        return RootChain12{std::move(*strands[0]), std::move(*strands[1])};
    });
}

Outcome<StrandPair12> build12StrandPair(const Genome& genome, int threads) {
    checkArguments(genome.upper, 12);
    checkArguments(genome.lower, 12);
    return buildOrFail("\nno memory_12-RootChain", [&] {
        StrandPair12 pair(KmerIndex(genome.upper, 12, GenomeForm::Letter, threads));
        if (!complementary(genome.upper, genome.lower, threads))
            pair.lower_.emplace(genome.lower, 12, GenomeForm::Letter, threads);
        return pair;
    });
}

StrandPositions StrandPair12::lower(KmerCode code) const {
    if (lower_) return StrandPositions(lower_->positions(code));
    return StrandPositions(upper_.positions(reverseComplementCode(code & 0xFFFFFFu, 12)), upper_.length(), 12);
}

void StrandPair12::prefetch(KmerCode code) const {
    upper_.prefetch(code);
    if (lower_) {
        lower_->prefetch(code);
    } else {
        upper_.prefetch(reverseComplementCode(code & 0xFFFFFFu, 12));
    }
}

std::size_t StrandPair12::memoryBytes() const {
    return upper_.memoryBytes() + (lower_ ? lower_->memoryBytes() : 0);
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
