#include "maximal_repeats.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>

#include "core/parallel.h"

namespace ruz {

namespace {

// The widest first level: 4^12 buckets.
constexpr int kMostFirstLevelBases = 12;

// K grows with the genome while the bucket table (4^K entries of 4 bytes)
// stays within one byte a position.
int firstLevelBases(std::int32_t n) {
    int k = 1;
    while (k < kMostFirstLevelBases && (std::int64_t{4} << (2 * (k + 1))) <= n) ++k;
    return k;
}

// Number of equal bytes of a[0..] and b[0..], at most `limit`; compared
// eight at a time, so long shared stretches cost little.
std::size_t matchLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
    std::size_t j = 0;
    for (; j + 8 <= limit; j += 8) {
        std::uint64_t x = 0, y = 0;
        std::memcpy(&x, a + j, 8);
        std::memcpy(&y, b + j, 8);
        if (x != y) {
            const std::uint64_t diff = x ^ y;
            if constexpr (std::endian::native == std::endian::little)
                return j + static_cast<std::size_t>(std::countr_zero(diff) / 8);
            else
                return j + static_cast<std::size_t>(std::countl_zero(diff) / 8);
        }
    }
    while (j < limit && a[j] == b[j]) ++j;
    return j;
}

// Leading bases shared by two different codes of k bases (first base most
// significant).
int sharedBases(std::uint32_t a, std::uint32_t b, int k) {
    return k - 1 - (static_cast<int>(std::bit_width(a ^ b)) - 1) / 2;
}

// True when the n bases bases[0..n) are a shorter word repeated: their
// smallest period, taken from the prefix function, divides n. `scratch`
// holds n entries.
bool repeatsShorterWord(const std::uint8_t* bases, std::int32_t n, std::uint32_t* scratch) {
    std::uint32_t* prefix = scratch;
    prefix[0] = 0;
    for (std::int32_t i = 1; i < n; ++i) {
        std::uint32_t k = prefix[i - 1];
        while (k > 0 && bases[i] != bases[k]) k = prefix[k - 1];
        if (bases[i] == bases[k]) ++k;
        prefix[i] = k;
    }
    const std::int32_t period = n - static_cast<std::int32_t>(prefix[n - 1]);
    return period < n && n % period == 0;
}

// Reorders `members` in place so that those whose base(p) is 0 come
// first, then 1, 2 and 3; returns the bounds of the four runs.
template <typename Base>
std::array<std::uint32_t, 5> distribute(std::uint32_t* members, std::uint32_t count, Base at) {
    std::array<std::uint32_t, 5> bounds{};
    for (std::uint32_t i = 0; i < count; ++i) ++bounds[(at(members[i]) & 3u) + 1];
    for (std::size_t c = 1; c < bounds.size(); ++c) bounds[c] += bounds[c - 1];
    std::array<std::uint32_t, 4> next = {bounds[0], bounds[1], bounds[2], bounds[3]};
    for (std::uint32_t c = 0; c < 4; ++c) {
        while (next[c] < bounds[c + 1]) {
            std::uint32_t member = members[next[c]];
            std::uint32_t base = at(member) & 3u;
            while (base != c) {
                std::swap(member, members[next[base]++]);
                base = at(member) & 3u;
            }
            members[next[c]++] = member;
        }
    }
    return bounds;
}

// Stretches of the genome known to equal the stretch a fixed distance
// (their diagonal) further on. A genome holding a long exact duplicate has a
// position pair for every base of the copies, each sharing the rest of the
// copy: compared one by one that is quadratic in the copy's length. Kept by
// diagonal, each base of a copy is compared once: a comparison that reaches
// a known stretch takes its end from there, and every long comparison
// leaves its stretch for the next. Each range of buckets keeps its own:
// the threads share nothing, and a range sees enough of a copy's positions
// that a comparison soon reaches a stretch it knows.
class KnownMatches {
public:
    // A stretch [start, end) equal along the diagonal; `mismatch`: the bases
    // at `end` differ (else the stretch only stopped being compared there).
    struct Stretch {
        std::int64_t end;
        bool mismatch;
    };

    // The known stretch holding x, or the start of the next one after x
    // (none: -1) in `next`.
    std::optional<std::pair<std::int64_t, Stretch>> holding(std::int64_t diagonal, std::int64_t x,
                                                           std::int64_t& next) const {
        next = -1;
        const auto found = stretches_.find(diagonal);
        if (found == stretches_.end()) return std::nullopt;
        const auto& line = found->second;
        auto after = line.upper_bound(x);
        if (after != line.end()) next = after->first;
        if (after == line.begin()) return std::nullopt;
        const auto at = std::prev(after);
        if (at->second.end <= x) return std::nullopt;
        return *at;
    }

    // Enters [start, end) with its end's kind, joined with the stretches it
    // touches or overlaps (all of them true, so they agree).
    void enter(std::int64_t diagonal, std::int64_t start, Stretch stretch) {
        auto& line = stretches_[diagonal];
        auto at = line.lower_bound(start);
        if (at != line.begin() && std::prev(at)->second.end >= start) {
            --at;
            start = at->first;
            if (at->second.end > stretch.end) stretch = at->second;
        }
        while (at != line.end() && at->first <= stretch.end) {
            if (at->second.end > stretch.end || (at->second.end == stretch.end && at->second.mismatch))
                stretch = at->second;
            at = line.erase(at);
        }
        line[start] = stretch;
    }

private:
    std::unordered_map<std::int64_t, std::map<std::int64_t, Stretch>> stretches_;
};

class RepeatStep {
public:
    RepeatStep(const std::uint8_t* bases, std::int32_t n, RepeatLengths& lengths)
        : s_(bases), n_(n), last_(n - 1), lengths_(lengths.narrow()), k_(firstLevelBases(n)) {}

    // Fills R; the lengths too long for two bytes go to `wide`.
    void run(int threads, std::vector<RepeatLengths::WideLength>& wide) {
        // The positions' array serves the period check first.
        positions_.resize(static_cast<std::size_t>(n_));
        if (repeatsShorterWord(s_ + 1, n_, positions_.data())) {
            std::fill(lengths_ + 1, lengths_ + 1 + n_, RepeatLengths::kEndless);
            return;
        }
        bucketFirstLevel();
        settleBuckets(threads, wide);
    }

private:
    // Positions [begin, end) of `positions_` that share their first `depth` bases.
    struct Group {
        std::uint32_t begin;
        std::uint32_t end;
        std::int32_t depth;
    };

    // What one range of buckets works with: the groups still to split and
    // the long lengths it found.
    struct RangeWork {
        std::vector<Group> stack;
        std::vector<RepeatLengths::WideLength> wide;
        KnownMatches known;
    };

    // A position of 1..2n-1 folded into the genome's 1..n.
    std::int64_t fold(std::int64_t x) const { return x > n_ ? x - n_ : x; }

    // Number of equal bases from positions x and y on (each in 1..2n-1),
    // at most `limit` (below n); a stretch reaching past the genome's end
    // goes on at its start.
    std::size_t circularMatch(std::int64_t x, std::int64_t y, std::size_t limit) const {
        x = fold(x);
        y = fold(y);
        std::size_t matched = 0;
        while (matched < limit) {
            const std::size_t run =
                std::min<std::size_t>(limit - matched, static_cast<std::size_t>(n_ + 1 - std::max(x, y)));
            const std::size_t m = matchLength(s_ + x, s_ + y, run);
            matched += m;
            if (m < run) break;
            x = fold(x + static_cast<std::int64_t>(run));
            y = fold(y + static_cast<std::int64_t>(run));
        }
        return matched;
    }

    void setLength(std::uint32_t p, std::int32_t r, RangeWork& work) {
        if (r < RepeatLengths::kWide) {
            lengths_[p] = static_cast<std::uint16_t>(r);
        } else if (r == n_) {
            lengths_[p] = RepeatLengths::kEndless;
        } else {
            lengths_[p] = RepeatLengths::kWide;
            work.wide.push_back({static_cast<std::int32_t>(p), r});
        }
    }

    // Calls visit(from, codes, count) with the codes of the first K bases of
    // positions from..from+count-1, for chunks covering 1..n; the codes roll
    // forward one base at a time, and the bucket entries of a chunk are
    // fetched before it is visited (they lie all over the bucket table).
    template <typename Visit>
    void forEachFirstLevelChunk(Visit visit) const {
        constexpr std::int32_t kChunk = 64;
        std::array<std::uint32_t, kChunk> codes{};
        const std::uint32_t mask = (std::uint32_t{1} << (2 * k_)) - 1;
        std::uint32_t code = 0;
        for (int j = 1; j < k_; ++j) code = (code << 2) | (s_[j] & 3u);
        const std::uint8_t* incoming = s_ + (k_ - 1);  // incoming[p]: last base of window p
        // 64 bits: the chunks may end past the largest 32-bit number.
        for (std::int64_t from = 1; from <= n_; from += kChunk) {
            const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(kChunk, n_ - from + 1));
            for (std::int32_t j = 0; j < count; ++j) {
                code = ((code << 2) | (incoming[from + j] & 3u)) & mask;
                codes[static_cast<std::size_t>(j)] = code;
                __builtin_prefetch(ends_.data() + code, 1);
            }
            visit(static_cast<std::uint32_t>(from), codes.data(),
                  static_cast<std::uint32_t>(count));
        }
    }

    // The positions grouped by their first K bases, in code order, each
    // bucket in increasing position; ends_[b] is the end of bucket b.
    void bucketFirstLevel() {
        ends_.assign((std::size_t{1} << (2 * k_)), 0);
        forEachFirstLevelChunk(
            [this](std::uint32_t, const std::uint32_t* codes, std::uint32_t count) {
                for (std::uint32_t j = 0; j < count; ++j) ++ends_[codes[j]];
            });
        std::uint32_t start = 0;
        for (std::uint32_t& end : ends_) start = std::exchange(end, start) + start;
        forEachFirstLevelChunk(
            [this](std::uint32_t from, const std::uint32_t* codes, std::uint32_t count) {
                for (std::uint32_t j = 0; j < count; ++j)
                    __builtin_prefetch(positions_.data() + ends_[codes[j]], 1);
                for (std::uint32_t j = 0; j < count; ++j) positions_[ends_[codes[j]]++] = from + j;
            });
    }

    std::uint32_t bucketBegin(std::uint32_t code) const { return code == 0 ? 0 : ends_[code - 1]; }

    bool isEmpty(std::uint32_t code) const { return bucketBegin(code) == ends_[code]; }

    // The buckets fall into consecutive ranges of codes, settled on up to
    // `threads` threads: every position belongs to one bucket, so the ranges
    // write disjoint parts of R and of the positions.
    void settleBuckets(int threads, std::vector<RepeatLengths::WideLength>& wide) {
        const std::size_t buckets = ends_.size();
        const std::size_t ranges = threads > 1 ? static_cast<std::size_t>(threads) * 16 : 1;
        std::vector<RangeWork> works(ranges);
        parallelFor(threads, ranges, [&](std::size_t r) {
            settleRange(static_cast<std::uint32_t>(buckets * r / ranges),
                        static_cast<std::uint32_t>(buckets * (r + 1) / ranges), works[r]);
        });
        for (RangeWork& work : works) wide.insert(wide.end(), work.wide.begin(), work.wide.end());
    }

    // Visits the non-empty buckets of codes [first, end) in code order; a
    // bucket is settled once its next non-empty neighbour is known. The
    // genome bytes and R entries of the positions a little ahead are fetched
    // while a bucket is settled: they lie all over memory.
    void settleRange(std::uint32_t first, std::uint32_t end, RangeWork& work) {
        constexpr std::int64_t kNone = -1;
        std::int64_t previous = kNone, current = kNone;
        for (std::int64_t code = static_cast<std::int64_t>(first) - 1;
             code >= 0 && previous == kNone; --code)
            if (!isEmpty(static_cast<std::uint32_t>(code))) previous = code;
        std::uint32_t fetched = bucketBegin(first);
        // Positions past the range's buckets belong to another thread's
        // range, which reorders them: they are not looked at.
        const std::uint32_t rangeEnd = bucketBegin(end);
        for (std::uint32_t code = first; code < end; ++code) {
            if (isEmpty(code)) continue;
            // The first bucket of the range keeps the neighbour found before
            // the range as its previous one.
            if (current != kNone) {
                fetchAhead(ends_[current], rangeEnd, fetched);
                settleBucket(static_cast<std::uint32_t>(current), previous, code, work);
                previous = current;
            }
            current = code;
        }
        if (current == kNone) return;
        std::int64_t next = kNone;
        for (std::size_t code = end; code < ends_.size() && next == kNone; ++code)
            if (!isEmpty(static_cast<std::uint32_t>(code))) next = static_cast<std::int64_t>(code);
        settleBucket(static_cast<std::uint32_t>(current), previous, next, work);
    }

    // Fetches what the positions up to kFetchAhead after `from` in bucket
    // order, but before `limit`, will be settled with; `fetched` is how far
    // that has gone.
    void fetchAhead(std::uint32_t from, std::uint32_t limit, std::uint32_t& fetched) const {
        constexpr std::uint32_t kFetchAhead = 48;
        const std::uint32_t until = std::min<std::uint32_t>(from + kFetchAhead, limit);
        for (; fetched < until; ++fetched) {
            const std::uint32_t p = positions_[fetched];
            __builtin_prefetch(s_ + fold(std::int64_t{p} + k_));
            __builtin_prefetch(lengths_ + p, 1);
        }
    }

    // A position alone in its bucket shares with every other position only
    // the bases its code shares with the nearest non-empty buckets.
    void settleBucket(std::uint32_t code, std::int64_t previous, std::int64_t next, RangeWork& work) {
        const std::uint32_t begin = bucketBegin(code);
        const std::uint32_t size = ends_[code] - begin;
        if (size == 1) {
            int shared = 1;
            if (previous >= 0)
                shared =
                    std::max(shared, sharedBases(code, static_cast<std::uint32_t>(previous), k_));
            if (next >= 0)
                shared = std::max(shared, sharedBases(code, static_cast<std::uint32_t>(next), k_));
            setLength(positions_[begin], shared, work);
        } else if (size == 2) {
            settlePair(positions_[begin], positions_[begin + 1], k_, work);
        } else {
            refine({begin, ends_[code], k_}, work);
        }
    }

    // The bases positions a and b share from `depth` on, at most `limit`.
    // A stretch longer than kProbe goes through the known matches of its
    // diagonal.
    std::size_t sharedFrom(std::uint32_t a, std::uint32_t b, std::int32_t depth, std::size_t limit,
                           KnownMatches& known) const {
        constexpr std::size_t kProbe = 64;
        const std::size_t probed = std::min(limit, kProbe);
        const std::size_t m = circularMatch(std::int64_t{a} + depth, std::int64_t{b} + depth, probed);
        if (m < probed || probed == limit) return m;
        const auto low = static_cast<std::int64_t>(std::min(a, b));
        const std::int64_t diagonal = static_cast<std::int64_t>(std::max(a, b)) - low;
        const std::int64_t x = low + depth;
        const std::int64_t stop = x + static_cast<std::int64_t>(limit);
        // Compare from x on, jumping over the known stretches on the way.
        std::int64_t at = x;
        bool mismatch = false;
        while (at < stop) {
            std::int64_t next = -1;
            if (const auto stretch = known.holding(diagonal, at, next)) {
                at = std::min(stretch->second.end, stop);
                if (stretch->second.mismatch && stretch->second.end <= stop) {
                    mismatch = stretch->second.end < stop;
                    break;
                }
                continue;
            }
            const std::int64_t until = next >= 0 ? std::min(next, stop) : stop;
            const auto run = static_cast<std::int64_t>(
                circularMatch(at, at + diagonal, static_cast<std::size_t>(until - at)));
            at += run;
            if (at < until) {
                mismatch = true;
                break;
            }
        }
        known.enter(diagonal, x, {at, mismatch});
        return static_cast<std::size_t>(at - x);
    }

    // Two positions that share `depth` bases and no other position shares
    // as many with either: both get their common prefix.
    void settlePair(std::uint32_t a, std::uint32_t b, std::int32_t depth, RangeWork& work) {
        std::int32_t shared = depth;
        if (depth < last_)
            shared += static_cast<std::int32_t>(sharedFrom(a, b, depth, static_cast<std::size_t>(last_ - depth), work.known));
        if (shared >= last_) shared = n_;
        setLength(a, shared, work);
        setLength(b, shared, work);
    }

    // Splits a group and its descendants, last in first out.
    void refine(const Group& group, RangeWork& work) {
        work.stack.push_back(group);
        while (!work.stack.empty()) {
            const Group g = work.stack.back();
            work.stack.pop_back();
            split(g, work);
        }
    }

    // The members first disagree at the smallest prefix any of them shares
    // with the first member; the group splits there by that base.
    void split(const Group& g, RangeWork& work) {
        std::uint32_t* members = positions_.data() + g.begin;
        const std::uint32_t count = g.end - g.begin;
        if (g.depth >= last_) {
            settleEndless(members, count);
            return;
        }
        const std::size_t limit = static_cast<std::size_t>(last_ - g.depth);
        std::size_t agreed = limit;
        for (std::uint32_t i = 1; i < count && agreed > 0; ++i)
            agreed = sharedFrom(members[0], members[i], g.depth, agreed, work.known);
        if (agreed == limit) {
            settleEndless(members, count);
            return;
        }
        const std::int32_t depth = g.depth + static_cast<std::int32_t>(agreed);
        const auto bounds = distribute(members, count, [this, depth](std::uint32_t p) {
            return s_[fold(std::int64_t{p} + depth)];
        });
        for (std::size_t c = 0; c < 4; ++c) {
            const std::uint32_t size = bounds[c + 1] - bounds[c];
            const std::uint32_t* child = members + bounds[c];
            if (size == 1) {
                setLength(child[0], depth, work);
            } else if (size == 2) {
                settlePair(child[0], child[1], depth + 1, work);
            } else if (size >= 3) {
                work.stack.push_back({g.begin + bounds[c], g.begin + bounds[c + 1], depth + 1});
            }
        }
    }

    // Members that share n - 1 bases never differ.
    void settleEndless(const std::uint32_t* members, std::uint32_t count) {
        for (std::uint32_t i = 0; i < count; ++i) lengths_[members[i]] = RepeatLengths::kEndless;
    }

    const std::uint8_t* s_;  // s_[p]: the base at position p, a short margin after n
    std::int32_t n_;
    std::int32_t last_;       // n - 1: a prefix this long is shared for ever
    std::uint16_t* lengths_;  // R[p] as RepeatLengths codes
    int k_;
    std::vector<std::uint32_t> ends_;
    std::vector<std::uint32_t> positions_;
};

// The sweep over any table of R with entries 1..n.
template <typename Lengths, typename Clear>
MaximalRepeats sweepMaximalRepeats(const Lengths& lengths, std::int64_t n, Clear clear) {
    MaximalRepeats kept;
    std::int64_t first = 1;
    while (first <= n && lengths[first] <= 0) ++first;
    if (first > n) return kept;

    const std::int32_t firstLength = lengths[first];
    std::int64_t start = first, length = firstLength;
    for (std::int64_t p = first + 1; p <= n; ++p) {
        const std::int32_t r = lengths[p];
        if (r <= 0) continue;
        if (p + r > start + length) {
            ++kept.count;
            kept.longest = std::max(kept.longest, r);
            start = p;
            length = r;
        } else {
            clear(p);  // inside the current repeat
        }
    }
    // The last repeat may run round the genome's end over the first one.
    if (first + firstLength > start + length - n) {
        ++kept.count;
        kept.longest = std::max(kept.longest, firstLength);
    } else {
        clear(first);
    }
    return kept;
}

}  // namespace

RepeatLengths::RepeatLengths(std::int32_t n)
    : n_(n), narrow_(static_cast<std::size_t>(std::max<std::int32_t>(n, 0)) + 1, 0) {}

void RepeatLengths::addWide(std::vector<WideLength>&& found) {
    if (wide_.empty()) {
        wide_ = std::move(found);
    } else {
        wide_.insert(wide_.end(), found.begin(), found.end());
    }
    std::sort(wide_.begin(), wide_.end(),
              [](const WideLength& a, const WideLength& b) { return a.position < b.position; });
}

std::int32_t RepeatLengths::wideAt(std::int64_t p) const {
    const auto at = std::lower_bound(wide_.begin(), wide_.end(), p,
                                     [](const WideLength& w, std::int64_t q) { return w.position < q; });
    return at != wide_.end() && at->position == p ? at->length : 0;
}

std::size_t RepeatLengths::memoryBytes() const {
    return narrow_.capacity() * sizeof(std::uint16_t) + wide_.capacity() * sizeof(WideLength);
}

std::int32_t repeatStepMargin(std::int32_t n) {
    return n > 0 ? firstLevelBases(n) : 0;
}

RepeatLengths measureRepeats(const Strand& genome, int threads) {
    const std::int32_t n = genome.length();
    if (genome.backMargin() < repeatStepMargin(n)) {
        throw std::invalid_argument("repeat step: a back margin of " +
                                    std::to_string(genome.backMargin()) + " does not cover the " +
                                    std::to_string(repeatStepMargin(n)) + " bases it reads past the end");
    }
    RepeatLengths lengths(n);
    if (n <= 0) return lengths;
    std::vector<RepeatLengths::WideLength> wide;
    RepeatStep(genome.origin(), n, lengths).run(threads, wide);
    lengths.addWide(std::move(wide));
    return lengths;
}

std::vector<std::int32_t> repeatLengths(const Strand& genome, int threads) {
    const RepeatLengths measured = measureRepeats(genome, threads);
    std::vector<std::int32_t> lengths(static_cast<std::size_t>(std::max<std::int32_t>(genome.length(), 0)) + 1,
                                      0);
    for (std::size_t p = 1; p < lengths.size(); ++p) lengths[p] = measured[static_cast<std::int64_t>(p)];
    return lengths;
}

MaximalRepeats selectMaximalRepeats(std::span<std::int32_t> lengths) {
    if (lengths.size() < 2) return {};
    return sweepMaximalRepeats(lengths, static_cast<std::int64_t>(lengths.size()) - 1,
                               [&](std::int64_t p) { lengths[static_cast<std::size_t>(p)] = 0; });
}

MaximalRepeats selectMaximalRepeats(RepeatLengths& lengths) {
    return sweepMaximalRepeats(lengths, lengths.genomeLength(), [&](std::int64_t p) { lengths.clear(p); });
}

}  // namespace ruz
