// The repeat structure of a genome taken as circular: the repeat step gives
// every position the length of the longest stretch starting there that also
// starts somewhere else; the sweep keeps the maximal repeats among them.
//
// Repeat length R[p] (p = 1..n):
//   the longest prefix the circular suffix at p shares with the circular
//   suffix at any other position, with two refinements of that definition:
//   - at least 1: the first level of refinement (the first base) counts as
//     shared even for a base that occurs only once;
//   - n when two suffixes never differ. Two different rotations of a circular
//     genome that agree on n - 1 bases agree for ever (the genome is then a
//     repetition of a shorter word), so shared prefixes are at most n - 2
//     bases long or endless; an endless one counts as n.
//
// The step is a refinement of groups of positions by their next bases,
// without sorting suffixes and without comparing whole suffixes: the first
// level distributes the positions into buckets by their first K bases (a
// rolling code, K growing with the genome); every group of three or more is
// then split by one base at the depth where its members first disagree, and
// only pairs are compared directly; a long comparison is settled through the
// stretches already known equal along its diagonal, so a long exact
// duplicate costs about its length. A genome that repeats a shorter word is
// recognised first (all R = n) in linear time. The genome is held once:
// comparisons that run past its end go on at its start.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "core/genome.h"

namespace ruz {

// Back margin the repeat step reads: the first level's window past the
// end. Comparisons round the genome's end wrap to its start.
std::int32_t repeatStepMargin(std::int32_t n);

// R[1..n] in two bytes a position (entry 0 is 0): a repeat length below
// kWide in place, the endless one (n) as kEndless, and any other longer
// one in a table ordered by position. Random genomes and assemblies have
// few repeats of 65534 bases or more, so the table stays small.
class RepeatLengths {
public:
    static constexpr std::uint16_t kWide = 0xFFFE;
    static constexpr std::uint16_t kEndless = 0xFFFF;
    struct WideLength {
        std::int32_t position;
        std::int32_t length;
    };

    explicit RepeatLengths(std::int32_t n);

    std::int32_t genomeLength() const { return n_; }
    std::int32_t operator[](std::int64_t p) const {
        const std::uint16_t code = narrow_[static_cast<std::size_t>(p)];
        if (code < kWide) return code;
        return code == kEndless ? n_ : wideAt(p);
    }
    // Sets R[p] to 0; the sweep does so where no kept repeat starts.
    void clear(std::int64_t p) { narrow_[static_cast<std::size_t>(p)] = 0; }

    // For the repeat step.
    std::uint16_t* narrow() { return narrow_.data(); }
    // Takes the long lengths found, in any order.
    void addWide(std::vector<WideLength>&& found);

    // Bytes held.
    std::size_t memoryBytes() const;

private:
    std::int32_t wideAt(std::int64_t p) const;

    std::int32_t n_;
    std::vector<std::uint16_t> narrow_;
    std::vector<WideLength> wide_;  // by increasing position
};

// Computes R[1..n] on up to `threads` threads (R does not depend on their
// number). The strand holds codes 0..3 with a back margin of at least
// repeatStepMargin(n) (a shorter one throws std::invalid_argument). Throws
// std::bad_alloc when its arrays (R, 4 bytes a position for the groups, a
// bucket table of at most one byte a position) cannot be allocated.
RepeatLengths measureRepeats(const Strand& genome, int threads = 1);

// The same R as a plain vector of n + 1 entries.
std::vector<std::int32_t> repeatLengths(const Strand& genome, int threads = 1);

struct MaximalRepeats {
    std::int64_t count = 0;    // repNu
    std::int32_t longest = 0;  // reMax
};

// The sweep over R[1..n] (entry 0 unused): from the first position with a
// repeat on, the repeat at p is kept when it reaches past the current one,
// which it then becomes; otherwise R[p] is set to 0. Finally the first
// repeat is kept when the last one, running round the genome's end, does
// not cover it. Afterwards R[p] > 0 exactly where a kept repeat starts.
MaximalRepeats selectMaximalRepeats(std::span<std::int32_t> lengths);
MaximalRepeats selectMaximalRepeats(RepeatLengths& lengths);

}  // namespace ruz
