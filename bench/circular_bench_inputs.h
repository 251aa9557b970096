// Inputs shared by the benchmarks of the circular and parted analyses: a
// random genome and reads with planted circular permutations.
#pragma once

#include <algorithm>
#include <filesystem>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>
#include <vector>

#include "support/bench_data.h"


namespace ruz::bench {

// A circular permutation planted in the reads: the genome segment starting
// at 1-based position `start`, cut after `cut` bases and written as
// segment[cut..] + segment[..cut]; on the lower strand the read is the
// reverse complement of that.
struct PlantedCircle {
    std::int64_t start;
    int cut;
    char strand;  // '+' or '-'
};

struct CircularInputs {
    std::string genome;              // letters
    std::vector<std::string> reads;  // letters, in file order
    std::vector<PlantedCircle> circles;
};

// `readCount` reads of `readLength` bases over a random genome of `length`
// bases; every `readCount / circleCount`-th read is a circular permutation
// (cut between 12 and readLength - 12, the strands alternating); the others
// are, in equal shares, exact reads of either strand, reads of a foreign
// genome, and random reads.
inline CircularInputs makeCircularInputs(std::int64_t length, std::int64_t readCount,
                                         int readLength, std::int64_t circleCount) {
    std::mt19937_64 rng(20240611);
    CircularInputs in;
    in.genome = randomLetters(static_cast<std::size_t>(length), rng);
    const std::string foreign = randomLetters(1'000'000, rng);
    const std::int64_t every =
        std::max<std::int64_t>(1, readCount / std::max<std::int64_t>(1, circleCount));
    const auto n = static_cast<std::size_t>(readLength);
    std::uniform_int_distribution<std::int64_t> start(100, length - readLength - 100);
    std::uniform_int_distribution<std::size_t> foreignStart(0, foreign.size() - n);
    std::uniform_int_distribution<int> cut(12, readLength - 12);
    in.reads.reserve(static_cast<std::size_t>(readCount));
    for (std::int64_t r = 0; r < readCount; ++r) {
        std::string read;
        if (r % every == 0 && static_cast<std::int64_t>(in.circles.size()) < circleCount) {
            const PlantedCircle c{start(rng), cut(rng), in.circles.size() % 2 ? '-' : '+'};
            const std::string segment = in.genome.substr(static_cast<std::size_t>(c.start - 1), n);
            read = segment.substr(static_cast<std::size_t>(c.cut)) +
                   segment.substr(0, static_cast<std::size_t>(c.cut));
            if (c.strand == '-') read = reverseComplement(read);
            in.circles.push_back(c);
        } else {
            switch (rng() % 3) {
            case 0:
                read = in.genome.substr(static_cast<std::size_t>(start(rng)), n);
                if (rng() & 1) read = reverseComplement(read);
                break;
            case 1:
                read = foreign.substr(foreignStart(rng), n);
                break;
            default:
                read = randomLetters(n, rng);
                break;
            }
        }
        in.reads.push_back(std::move(read));
    }
    return in;
}

// Writes reads one a line, as letters or as codes.
inline void writeReads(const std::string& path, const std::vector<std::string>& reads, bool coded,
                       std::size_t from = 0, std::size_t to = SIZE_MAX) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    to = std::min(to, reads.size());
    for (std::size_t r = from; r < to; ++r) out << (coded ? toCodes(reads[r]) : reads[r]) << '\n';
}

// Best processor time of `rounds` runs of `work` over every line of `text`
// (the line's bytes and length without its line feed).
template <typename Work>
double bestTimeOverLines(const std::string& text, int rounds, Work work) {
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        const double t = processorSeconds();
        for (std::size_t at = 0; at < text.size();) {
            std::size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            work(text.data() + at, end - at);
            at = end + 1;
        }
        best = std::min(best, processorSeconds() - t);
    }
    return best;
}

// Share of the planted circles of one strand explained by a record whose
// start lies within `slack` bases of the planted segment's start (a base
// that happens to repeat across the cut shifts the start a little).
inline double shareFound(const std::vector<PlantedCircle>& circles, char strand,
                         std::vector<std::int64_t> starts, std::int64_t slack = 8) {
    std::sort(starts.begin(), starts.end());
    std::int64_t planted = 0, found = 0;
    for (const PlantedCircle& c : circles) {
        if (c.strand != strand) continue;
        ++planted;
        const auto it = std::lower_bound(starts.begin(), starts.end(), c.start - slack);
        found += it != starts.end() && *it <= c.start + slack;
    }
    return planted ? 100.0 * static_cast<double>(found) / static_cast<double>(planted) : 100.0;
}

}  // namespace ruz::bench
