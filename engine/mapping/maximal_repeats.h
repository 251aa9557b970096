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
// only pairs are compared directly. Its cost grows with the sum of R: linear
// for a random genome, quadratic for a genome holding a long exact
// duplicate. A genome that repeats a shorter word is recognised first (all
// R = n) in linear time.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/genome.h"

namespace ruz {

// Back margin the repeat step reads: every comparison stays within the n - 1
// bases after its start.
std::int32_t repeatStepMargin(std::int32_t n);

// Computes R[1..n] into a vector of n + 1 entries (entry 0 is 0), on up to
// `threads` threads (R does not depend on their number). The strand
// holds codes 0..3 with a back margin of at least repeatStepMargin(n) (a
// shorter one throws std::invalid_argument). Throws std::bad_alloc when its
// arrays (R, 4 bytes a position for the groups, a bucket table of at most
// one byte a position) cannot be allocated.
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

}  // namespace ruz
