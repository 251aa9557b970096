// The machinery shared by RandExt and RandExtTaskList: reads whose first
// `immutSz` letters occur exactly in the genome while their `mutTipSz`-letter
// tip differs from it in at least `misNu` places.
//
// A read is placed at every start position, on either strand, where this
// holds. Accepted positions go as site records to one temporary file per
// strand while the reads are scanned; the report reads each file back,
// sorts it by position and writes one row per distinct tip of every site
// that holds two or more reads, with the entropy of the tips at that site.
//
// Site record (8 bytes, two unsigned 32-bit numbers in the machine's order):
//   value = start position on its strand, 1..L
//   key   = tip code: the tip's base codes as a base-4 number, its first
//           base most significant (0 when mutTipSz is 0)
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/analysis.h"
#include "core/console.h"
#include "core/context.h"
#include "core/entropy.h"
#include "core/files.h"
#include "core/genome.h"
#include "core/kmer_index.h"
#include "core/record_spill.h"
#include "core/tracks.h"

namespace ruz::replaced_end {

using SiteRecord = KeyedRecord;

// The three sizes, in the parameters of RandExt and on the task lines of
// RandExtTaskList. Their texts name the result files.
inline constexpr ParamSpec kImmutSz = {"immutSz", ParamType::Int, "immutable start: exact match length", "20",
                                       NumberRule{0, std::numeric_limits<std::int32_t>::max(),
                                                  "must not be negative", {}, true}};
inline constexpr ParamSpec kMutTipSz = {"mutTipSz", ParamType::Int, "mutable tip length (16 at most)", "6",
                                        NumberRule{0, 16, "must not be negative",
                                                   "the longest tip a tip code can hold", true}};
inline constexpr ParamSpec kMisNu = {"misNu", ParamType::Int, "least mismatches in the tip", "2",
                                     NumberRule{std::numeric_limits<std::int32_t>::min(),
                                                std::numeric_limits<std::int32_t>::max(), {}, {}, true}};

struct Sizes {
    std::int32_t immutSz = 0;
    std::int32_t mutTipSz = 0;
    std::int32_t misNu = 0;
    std::int32_t readSize() const { return immutSz + mutTipSz; }
};

// The texts of the three sizes as they stand in the parameters or the task
// line: they enter the output names unchanged.
struct SizeTexts {
    std::string immutSz;
    std::string mutTipSz;
    std::string misNu;
};

// Converts the three sizes (mutTipSz, immutSz, misNu in this order) by
// their rules, and refuses a read size the read model cannot hold. Every
// refusal names the parameter and its value.
Outcome<Sizes> convertSizes(Console& console, const SizeTexts& texts);

// "." becomes "_" (an experiment identifier enters file names).
std::string replaceDots(std::string text);

// Output stem: prefix + name + "_" + the three size texts each followed by "!".
std::string resultStem(const std::string& prefix, const std::string& name, const SizeTexts& texts);

struct Counters {
    std::int64_t input = 0;
    std::int64_t theseReads = 0;
    std::int64_t defected = 0;
    std::int64_t longTracks = 0;
    std::int64_t analyzed = 0;
    std::int64_t fellIntoGenome = 0;
    std::int64_t upperRecords = 0;
    std::int64_t lowerRecords = 0;
};

// Both strands in letter form with a circular margin, and their 12-mer
// positions.
struct IndexedGenome {
    Genome genome;
    std::optional<StrandPair12> index;
};

// Loads a letter genome with its lower strand and a back margin of `margin`
// letters (at least 11, so every 12-mer key lies inside the strand), then
// indexes both strands.
Outcome<std::unique_ptr<IndexedGenome>> loadIndexedGenome(const std::string& path, std::int32_t margin,
                                                          int threads = 1);

// The files of one run, created in this order: the upper and lower site
// spills ("Rna_fiUp" and "Rna_fiLw" in the result directory, under names
// unique to the run), the result table (stem + ".txt"), the log (stem +
// "Log.txt") and, with tracks, the sites (stem + ".bed") and the entropy of
// each strand (stem + "EntropyUp.bedGraph", stem + "EntropyLw.bedGraph").
// The spills go whatever the end of the run; the others form one result
// set, which reaches its names only when all are written completely.
struct RunFiles {
    RecordSpill<SiteRecord> upperSites;
    RecordSpill<SiteRecord> lowerSites;
    ResultSet results;
    ResultFile* table = nullptr;
    ResultFile* log = nullptr;
    ResultFile* sites = nullptr;  // null without tracks
    ResultFile* entropyUp = nullptr;
    ResultFile* entropyLw = nullptr;
    std::string stemName;  // the stem's file name, which names the tracks

    // `inputs`: the files the run reads, which no result may replace.
    static Outcome<RunFiles> create(const std::string& prefix, const std::string& stem,
                                    std::vector<std::string> inputs, bool tracks = false);
};

// One setting of the sizes with its files and counts. A scan serves several
// tasks of one read size at once: each gets the records and counts a scan
// for it alone would give, in the same order.
struct Task {
    Sizes sizes;
    RunFiles* files = nullptr;
    Counters counters;
};

// How a scan of the reads ended, when it did not fail (a reads file that
// cannot be opened, a site file that cannot be written).
enum class ScanEnd {
    Complete,  // the whole reads file was read
    Cut,       // a line too long or a read error stopped the reading (reported);
               // the reads before it were placed and are reported
};

// Scans the reads file once for tasks that share a read size, on
// `context.threads` threads: counts every line, classifies the reads of
// the read size (long tracks, defective, analysed) for each task and places
// the analysed ones. A read is placed at a position of either strand where
// its first max(12, immutSz) letters match exactly and its tip differs from
// the genome in at least misNu letters. The site spills are closed at the
// end.
Outcome<ScanEnd> scanReads(RunContext& context, const std::string& readsPath, const IndexedGenome& genome,
                           std::span<Task> tasks);

// What the log names besides the counts.
struct LogHead {
    std::string_view procedure;  // e.g. "Ruzovizu::fCutRnaWithReplacedEnd"
    const std::string& genomePath;
    const std::string& readsPath;
};

// The tracks of a run that writes them: the sequence they lie on and the
// analysis that names them.
struct ReportTracks {
    TrackSequence sequence;
    std::string_view analysis;  // "RandExt"
};

// Reads the site spills back and writes the result table and the log (and
// the tracks when the files have them), all renamed into place once all are
// complete.
//
// Tracks: a site of the upper strand at p holds its reads' extent
// [p - 1, p - 1 + immutSz + mutTipSz) on "+"; one of the lower strand at p
// (reported at L - p + 1) the same bases' upper-strand extent on "-". The
// BED name is the site's read count, the score that count scaled to the
// fullest site. The entropy of a site is given on the reads' first base,
// [p - 1, p) on the upper strand and [L - p, L - p + 1) on the lower.
Outcome<void> writeReport(RunContext& context, const Genome& genome, const Sizes& sizes,
                          const Counters& counters, RunFiles& files, const LogHead& head,
                          const ReportTracks* tracks = nullptr);

}  // namespace ruz::replaced_end
