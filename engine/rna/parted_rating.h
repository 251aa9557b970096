// The rating of fMatchReadsT_VarSzPartedRate: the ratings the listed reads
// files give the genome positions, and the reading of the list file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/settings.h"
#include "rna/parted_search.h"

namespace ruz::parted_rating {

struct RatedPosition {
    std::int32_t position;
    std::int64_t rating;  // reads files that placed a tail start here
};

// The ratings of the positions placed so far. A reads file's tail starts are
// gathered first and merged once the file is read, so a position gains at
// most one per file; only placed positions take memory.
class Ratings {
public:
    explicit Ratings(std::int32_t genomeLength) : length_(genomeLength) {}

    // A tail start of the current reads file; starts at or before position
    // 0 lie in the front margin and wrap round to the genome's end.
    void add(std::int32_t tailStart) {
        const std::int64_t L = length_;
        starts_.push_back(static_cast<std::int32_t>(((tailStart - 1) % L + L) % L + 1));
        if (starts_.size() >= compactAt_) compact();
    }

    // Ends the current reads file: each position it placed gains 1.
    void endFile() {
        compact();
        std::vector<RatedPosition> merged;
        merged.reserve(rated_.size() + starts_.size());
        auto old = rated_.begin();
        for (const std::int32_t p : starts_) {
            while (old != rated_.end() && old->position < p) merged.push_back(*old++);
            if (old != rated_.end() && old->position == p)
                merged.push_back({p, (old++)->rating + 1});
            else
                merged.push_back({p, 1});
        }
        merged.insert(merged.end(), old, rated_.end());
        rated_.swap(merged);
        starts_.clear();
        compactAt_ = kFirstCompaction;
    }

    const std::vector<RatedPosition>& rated() const { return rated_; }

private:
    static constexpr std::size_t kFirstCompaction = std::size_t{1} << 20;

    // Keeps each position of the current file once, so a file with many
    // placements on few positions stays small.
    void compact() {
        std::sort(starts_.begin(), starts_.end());
        starts_.erase(std::unique(starts_.begin(), starts_.end()), starts_.end());
        compactAt_ = std::max(kFirstCompaction, 2 * starts_.size());
    }

    std::int32_t length_;
    std::vector<std::int32_t> starts_;
    std::size_t compactAt_ = kFirstCompaction;
    std::vector<RatedPosition> rated_;  // by rising position
};

// How the rating of a list ended when it did not fail (a file that cannot
// be opened, a name that cannot be a file's): read to its end, or cut by a
// long line or a read error (reported at once).
enum class ListEnd { Complete, Cut };

// Rates every reads file of the list, numbering the non-empty lines from 1.
Outcome<ListEnd> rateListedFiles(RunContext& context, const ArgumentSettings& s, const std::string& logPath,
                        const parted::PartedSearch& search, Ratings& ratings);

}  // namespace ruz::parted_rating
