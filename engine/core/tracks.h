// Genome-browser tracks beside the reports: BED, bedGraph and bigWig files
// of the positions an analysis reports, and FASTA of the reads it finds.
//
// Coordinates. The reports number the bases of the circular genome 1..L on
// the upper strand. A track gives an interval 0-based and half-open on the
// upper strand: base p of a report is [p-1, p). A lower-strand hit is
// given on "-" with its upper-strand extent. An interval that runs over the
// genome's end is split at the origin into [start, L) and [0, rest), so no
// track line reaches past the sequence's length.
//
// Sequence name. A track names the FASTA record the genome came from: the
// `seqName` parameter when given, else the name fPrepGenome recorded in the
// genome's "<genome>.chrom.sizes" ("name<TAB>length"), else the genome
// file's base name (the console says so).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis.h"
#include "context.h"
#include "files.h"
#include "outcome.h"

namespace ruz {

class Parameters;

inline constexpr ParamSpec kTracksParameter = {
    "tracks", ParamType::Str, "genome-browser tracks: yes or no", "no",
    {}};
// Read when present; the templates leave it out, so a grid of nine rows
// keeps every analysis's own parameters in view.
inline constexpr ParamSpec kSeqNameParameter = {
    "seqName", ParamType::Str, "sequence name in the tracks (blank: the name recorded beside the genome)", "blank",
    {}, false};

// The companion file fPrepGenome writes beside a genome ("lambda.bin" and
// "lambda.txt" have "lambda.chrom.sizes").
std::string chromSizesPath(std::string_view genomePath);

// The line of a chrom.sizes file: name, tab, length, line feed.
std::string chromSizesLine(std::string_view name, std::int64_t length);

// True when `name` can name a sequence in a track: not empty, no blank or
// control character.
bool isTrackName(std::string_view name);

// Whether the run writes tracks: the parameter file's `tracks` record
// ("yes", "no", blank or absent: no), or --tracks on the command line.
// Failure: a value other than yes or no, or a seqName that cannot name a
// sequence, each with the parameter's name and value.
struct TrackRequest {
    std::string seqName;  // empty: take the recorded name
};
Outcome<std::optional<TrackRequest>> trackRequest(const RunContext& context, const Parameters& parameters);

// The sequence the tracks lie on.
struct TrackSequence {
    std::string name;
    std::int64_t length = 0;
};

// Names the genome's sequence (see the head of this file). A recorded name
// whose length differs from the genome's is passed over with a note.
TrackSequence trackSequence(Console& console, const TrackRequest& request, const std::string& genomePath,
                            std::int64_t genomeLength);

// A track's header line: `track [type=TYPE ]name="NAME" description="TEXT"`
// followed by `extra` and a line feed. Double quotes and control characters
// of the texts become '\''' and blanks.
std::string trackHeader(std::string_view type, std::string_view name, std::string_view description,
                        std::string_view extra = {});

// The description of a track of an analysis of reads of a size range:
// "ANALYSIS SAMPLE rMinSz=MIN rMaxSz=MAX on GENOME", the sample and the
// genome by their files' base names.
std::string sizedReadsDescription(std::string_view analysis, const std::string& samplePath,
                                  const std::string& genomePath, std::int32_t rMinSz, std::int32_t rMaxSz);

// A half-open interval of the upper strand, 0-based.
struct Interval {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

// `length` bases from `start` on the circular genome (start taken modulo L).
struct Stretch {
    std::int64_t start = 0;
    std::int64_t length = 0;
};

// The pieces of the `length` bases from `start` (any whole number, taken
// modulo L) on a circular genome of L bases: one interval, or two when it
// runs over the end. `length` is 1..L.
struct CircularPieces {
    Interval piece[2];
    int count = 0;
    // Of a named object only: a span of a temporary's pieces would outlive
    // them in a range-for.
    std::span<const Interval> pieces() const& { return {piece, static_cast<std::size_t>(count)}; }
    std::span<const Interval> pieces() const&& = delete;
};
CircularPieces circularPieces(std::int64_t start, std::int64_t length, std::int64_t genomeLength);

// The upper-strand start (0-based, perhaps negative) of the n bases of the
// lower strand from its 1-based position p: the lower strand's position p
// is the upper strand's L - p + 1, so its bases run down from there.
inline std::int64_t upperStartOfLower(std::int64_t p, std::int64_t n, std::int64_t genomeLength) {
    return genomeLength - p - n + 1;
}

// A count scaled to a BED score: 1000 * count / most, rounded down.
int scaledScore(std::uint64_t count, std::uint64_t most);

// The lines of a text track, handed to its file in large blocks; write
// errors stay on the file for its checked close.
class TrackText {
public:
    TrackText(std::FILE* file, const TrackSequence& sequence) : file_(file), sequence_(sequence) {}
    ~TrackText() { flush(); }
    TrackText(const TrackText&) = delete;
    TrackText& operator=(const TrackText&) = delete;

    void line(std::string_view text);

    // BED6 lines of `length` bases from `start`: one line a piece.
    void bed6(std::int64_t start, std::int64_t length, std::string_view name, int score, char strand);
    // One BED6 line of an interval inside the sequence.
    void bed6(const Interval& at, std::string_view name, int score, char strand);

    // One BED12 line of the stretches on the circular genome: a stretch
    // over the genome's end is split into two blocks, the blocks are
    // ordered by start, and the line spans from the first block's start to
    // the last block's end. The stretches do not overlap.
    void bed12(std::span<const Stretch> stretches, std::string_view name, int score, char strand);
    // One BED12 line of blocks inside the sequence, ordered by start.
    void bed12(std::span<const Interval> blocks, std::string_view name, int score, char strand);

    // A bedGraph line [start, end) with its value's text.
    void bedGraph(std::int64_t start, std::int64_t end, std::string_view value);

    // A FASTA record: ">" + title, then the letters on one line.
    void fasta(std::string_view title, std::string_view letters);

    void flush();

private:
    void interval(const Interval& at);
    // The first six fields of a BED line, without its line end.
    void feature(const Interval& at, std::string_view name, int score, char strand);
    void flushWhenFull();

    std::FILE* file_;
    const TrackSequence& sequence_;
    std::string text_;
};

// BED6 features given in any order, written sorted by start and end: a
// feature over the genome's end becomes two lines, each in its place.
class Bed6Lines {
public:
    explicit Bed6Lines(std::int64_t genomeLength) : length_(genomeLength) {}
    void add(std::int64_t start, std::int64_t length, const std::string& name, int score, char strand);
    void write(TrackText& out);

private:
    struct Line {
        Interval at;
        std::string name;
        int score = 0;
        char strand = '.';
    };
    std::int64_t length_;
    std::vector<Line> lines_;
};

// The blocks of stretches on a circular genome of `genomeLength` bases, as
// TrackText::bed12 writes them: split at the origin, ordered by start.
std::vector<Interval> blocksOf(std::span<const Stretch> stretches, std::int64_t genomeLength);

// BED12 features given in any order, written sorted by the start and end
// of their lines.
class Bed12Lines {
public:
    explicit Bed12Lines(std::int64_t genomeLength) : length_(genomeLength) {}
    void add(std::span<const Stretch> stretches, const std::string& name, int score, char strand);
    void write(TrackText& out);

private:
    struct Line {
        std::vector<Interval> blocks;
        std::string name;
        int score = 0;
        char strand = '.';
    };
    std::int64_t length_;
    std::vector<Line> lines_;
};

// A bedGraph of values given position by position in rising order: runs of
// one value over adjacent positions become one line; positions never given
// are left out.
class BedGraphRuns {
public:
    explicit BedGraphRuns(TrackText& out) : out_(out) {}
    ~BedGraphRuns() { finish(); }
    BedGraphRuns(const BedGraphRuns&) = delete;
    BedGraphRuns& operator=(const BedGraphRuns&) = delete;

    // The value of the base [start, start + 1).
    void add(std::int64_t start, std::string_view value);
    void finish();

private:
    TrackText& out_;
    std::int64_t start_ = 0;
    std::int64_t end_ = -1;
    std::string value_;
};

// The weights of one strand as a bigWig file (written through libBigWig),
// or as a bedGraph where the engine was built without it. Values are added
// by rising position; zeros are left out.
class WeightTrack {
public:
    // ".bw", or ".bedGraph" without libBigWig.
    static std::string_view extension();

    // The track goes to `file`, which stays in its result set; its header
    // (bedGraph only) names the track.
    static Outcome<WeightTrack> open(ResultFile& file, const TrackSequence& sequence, std::string_view name,
                                     std::string_view description);
    WeightTrack(WeightTrack&&) noexcept;
    WeightTrack& operator=(WeightTrack&&) noexcept;
    ~WeightTrack();

    // The weight of the base [start, start + 1).
    void add(std::int64_t start, double weight);

    // Writes what is held and checks the file. Failure: "\ni can't write "
    // + the track's path.
    Outcome<void> finish();

private:
    struct State;
    explicit WeightTrack(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace ruz
