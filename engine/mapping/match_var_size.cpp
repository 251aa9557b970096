// fMatchReadsT_VarSzO: exact matches of reads of many sizes, weighted and
// counted per genome position.
//
// Parameters: diRes (result directory), pthReads (coded reads file),
// pthGnm (coded genome file), rMinSz and rMaxSz (the read sizes analysed).
//
// Every read of rMinSz to rMaxSz bases is placed wherever it occurs in full
// on either strand of the circular genome: reads of 16 bases or more through
// 16-Chain, reads of 8 to 15 through Root8, shorter reads through the Root8
// codes that begin with them. A lower-strand place is numbered by the upper-
// strand position of the read's last base. A read with m places adds 1/m at
// each of them; the weights are kept per read size and summed in size order
// for the reports (see count_cells.h).
//
// Outputs in the result directory, with the stem
// <reads base name>[rMinSz-rMaxSz]<genome base name>_ :
//   <stem>Log.txt               the counts
//   <stem>Up1.txt, Up2.txt, ... one line "position\tweight\n" (printf
//   <stem>Lw1.txt, Lw2.txt, ... "%d\t%4.2lf\n") for every genome position,
//                               1000000 positions a file, upper then lower
//                               strand
//   <stem>Up.bw, <stem>Lw.bw    with tracks: the weights of each strand as
//                               bigWig (bedGraph, ".bedGraph", in a build
//                               without libBigWig): base p is [p - 1, p),
//                               positions of weight 0 left out
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/coded_output.h"
#include "core/files.h"
#include "core/number_format.h"
#include "core/parallel.h"
#include "core/platform.h"
#include "core/read_codes.h"
#include "core/reads.h"
#include "core/report_text.h"
#include "core/settings.h"
#include "core/tracks.h"
#include "mapping/coded_mapping.h"
#include "mapping/count_cells.h"

namespace ruz {

namespace {

using namespace coded_mapping;

constexpr int kRootKey = 8;
constexpr std::int32_t kPositionsPerFile = 1'000'000;

// The indexes a run needs: 16-Chain for reads of 16 bases or more, Root8 for
// shorter ones; each is built only when the size bounds admit such reads.
struct Indexes {
    std::optional<KmerIndex> chain16;
    std::optional<KmerIndex> root8;
};

// The places of one read on both strands, as upper-strand positions of the
// placed bases' first base.
struct Placements {
    std::span<const std::int32_t> upper;
    std::span<const std::int32_t> lower;
};

// Places one read; it owns the scratch (reverse complement, place lists,
// which grow to the largest need and are then reused) and reads the genome
// and the indexes only.
class ReadPlacer {
public:
    ReadPlacer(const Genome& genome, const Indexes& indexes)
        : strand_(genome.upper.origin()), indexes_(indexes), reverse_(kLineLimit) {}

    // n >= 1, within the bounds the indexes were built for.
    Placements place(const std::uint8_t* read, std::size_t n) {
        collect(read, n, upper_);
        reverseComplementCodes(read, n, reverse_.data());
        collect(reverse_.data(), n, lower_);
        return {upper_, lower_};
    }

private:
    void collect(const std::uint8_t* seq, std::size_t n, std::vector<std::int32_t>& places) const {
        places.clear();
        if (n >= static_cast<std::size_t>(kChainKey)) {
            collectExtended(*indexes_.chain16, kChainKey, seq, n, places);
        } else if (n >= static_cast<std::size_t>(kRootKey)) {
            collectExtended(*indexes_.root8, kRootKey, seq, n, places);
        } else {
            collectPrefixed(seq, n, places);
        }
    }

    // Places whose k-base key matches and whose further bases agree.
    void collectExtended(const KmerIndex& index, int k, const std::uint8_t* seq, std::size_t n,
                         std::vector<std::int32_t>& places) const {
        KmerCode key = 0;
        if (!codedKey(seq, k, key)) return;
        const auto rest = n - static_cast<std::size_t>(k);
        for (const std::int32_t p : index.positions(key)) {
            if (rest == 0 || forwardMatch(strand_ + p + k, seq + k, rest) == rest) places.push_back(p);
        }
    }

    // A read of fewer than 8 bases occurs at every place of the 8-base codes
    // that begin with it: one contiguous range of codes.
    void collectPrefixed(const std::uint8_t* seq, std::size_t n,
                         std::vector<std::int32_t>& places) const {
        KmerCode prefix = 0;
        if (!codedKey(seq, static_cast<int>(n), prefix)) return;
        const int freeBits = 2 * (kRootKey - static_cast<int>(n));
        const KmerCode first = prefix << freeBits;
        const KmerCode end = (prefix + 1) << freeBits;
        for (KmerCode code = first; code < end; ++code) {
            const auto positions = indexes_.root8->positions(code);
            places.insert(places.end(), positions.begin(), positions.end());
        }
    }

    const std::uint8_t* strand_;
    const Indexes& indexes_;
    std::vector<std::uint8_t> reverse_;
    std::vector<std::int32_t> upper_;
    std::vector<std::int32_t> lower_;
};

struct Counters {
    std::int64_t input = 0;
    std::int64_t outOfScope = 0;
    std::int64_t intoGenome = 0;
    std::int64_t upperHas = 0;
    std::int64_t lowerHas = 0;

    std::int64_t processed() const { return input - outOfScope; }
    std::int64_t outOfGenome() const { return processed() - intoGenome; }
};

void count(const Placements& placed, std::uint32_t sizeIndex, CountCells& cells, Counters& counters) {
    const std::size_t places = placed.upper.size() + placed.lower.size();
    if (places == 0) return;
    // At most 2L places, below 2^32.
    const auto multiplicity = static_cast<std::uint32_t>(places);
    for (const std::int32_t p : placed.upper) cells.add(p, sizeIndex, true, multiplicity);
    for (const std::int32_t p : placed.lower) cells.add(p, sizeIndex, false, multiplicity);
    ++counters.intoGenome;
    if (!placed.upper.empty()) ++counters.upperHas;
    if (!placed.lower.empty()) ++counters.lowerHas;
}

// The places of a batch's reads: read i's upper places are
// upper[upperEnd[i-1] .. upperEnd[i]), its lower ones likewise.
struct BatchPlaces {
    std::vector<std::int32_t> upper, lower;
    std::vector<std::size_t> upperEnd, lowerEnd;

    Placements of(std::size_t i) const {
        const std::size_t u = i == 0 ? 0 : upperEnd[i - 1];
        const std::size_t l = i == 0 ? 0 : lowerEnd[i - 1];
        return {std::span<const std::int32_t>(upper.data() + u, upperEnd[i] - u),
                std::span<const std::int32_t>(lower.data() + l, lowerEnd[i] - l)};
    }
};

// Reads every line and counts the places of the reads within the bounds:
// the reads of a batch are placed on the run's threads, the batches counted
// in the file's order. False when the reading stopped early (reported). An
// empty line within the bounds is no read and is placed nowhere.
bool scanReads(RunContext& context, ReadsFile& reads, const ArgumentSettings& s, const Genome& genome,
               const Indexes& indexes, CountCells& cells, Counters& counters) {
    const auto minSz = static_cast<std::size_t>(s.rMinSz);
    const auto maxSz = static_cast<std::size_t>(s.rMaxSz);
    const auto inScope = [&](std::size_t n) { return n >= minSz && n <= maxSz; };
    scanBatches<BatchPlaces>(
        context, reads, "placing reads",
        [&](ReadBatch& batch, BatchPlaces& places) {
            ReadPlacer placer(genome, indexes);
            places.upper.clear();
            places.lower.clear();
            places.upperEnd.resize(batch.size());
            places.lowerEnd.resize(batch.size());
            for (std::size_t i = 0; i < batch.size(); ++i) {
                const std::size_t n = batch.length(i);
                if (inScope(n) && n > 0) {
                    const Placements placed =
                        placer.place(reinterpret_cast<const std::uint8_t*>(batch.line(i)), n);
                    places.upper.insert(places.upper.end(), placed.upper.begin(), placed.upper.end());
                    places.lower.insert(places.lower.end(), placed.lower.begin(), placed.lower.end());
                }
                places.upperEnd[i] = places.upper.size();
                places.lowerEnd[i] = places.lower.size();
            }
        },
        [&](ReadBatch& batch, BatchPlaces& places) {
            for (std::size_t i = 0; i < batch.size(); ++i) {
                const std::size_t n = batch.length(i);
                if (!inScope(n)) {
                    ++counters.outOfScope;
                    continue;
                }
                if (n > 0) count(places.of(i), static_cast<std::uint32_t>(n - minSz), cells, counters);
            }
            return true;
        });
    counters.input = reads.inputCount();
    return reads.reportEnd(context.console);
}

Outcome<Indexes> buildIndexes(const Genome& genome, const ArgumentSettings& s, int threads) {
    Indexes indexes;
    if (s.rMaxSz >= kChainKey) {
        auto chain = build16Chain(genome.upper, "\nno memory_Chain", threads);
        if (!chain) return chain.failure();
        indexes.chain16 = std::move(*chain);
    }
    if (s.rMinSz < kChainKey) {
        auto root = buildRoot8(genome.upper, threads);
        if (!root) return root.failure();
        indexes.root8 = std::move(*root);
    }
    return indexes;
}

std::string logText(const ArgumentSettings& s, const Counters& c) {
    std::string text = programHead("fMatchReadsT_VarSzO", s.genomePath, s.readsPath);
    text += "\nuser size scope=" + boundsText(s.rMinSz, s.rMaxSz, ',');
    appendField(text, "\ninput reads= ", c.input);
    appendField(text, "\nout of user size scope= ", c.outOfScope);
    appendField(text, "\nprocessed= ", c.processed());
    appendField(text, " \nout of genome= ", c.outOfGenome());
    appendField(text, "\ninto genome= ", c.intoGenome);
    appendField(text, "\nupper strand has= ", c.upperHas);
    appendField(text, "\nlower strand has= ", c.lowerHas);
    return text;
}

// The weight of position p on one strand: count / multiplicity summed over
// the sizes, in size order. `cursor` walks the sorted cells and ends past
// those of p.
double weightAt(std::span<const CountCell> cells, std::size_t& cursor, bool upperStrand, std::int32_t p) {
    double weight = 0.0;
    for (; cursor < cells.size() && cells[cursor].position() == p; ++cursor) {
        const CountCell& cell = cells[cursor];
        const std::uint64_t reads = upperStrand ? cell.upper : cell.lower;
        if (reads > 0) weight += static_cast<double>(reads) / static_cast<double>(cell.multiplicity);
    }
    return weight;
}

// Writes the lines of positions first..last of one strand; `cursor` walks
// the sorted cells and ends past those of `last`.
void writeLines(std::span<const CountCell> cells, std::size_t& cursor, bool upperStrand,
                std::int32_t first, std::int32_t last, BlockWriter& out) {
    constexpr std::size_t kLineRoom = kDecimalChars + kFixedChars + 2;
    DecimalCounter position(static_cast<std::uint64_t>(first));
    // 64 bits: `last` may be the largest 32-bit number.
    for (std::int64_t p = first; p <= last; ++p, position.next()) {
        const double weight = weightAt(cells, cursor, upperStrand, static_cast<std::int32_t>(p));
        char* const start = out.room(kLineRoom);
        char* to = start;
        const std::string_view digits = position.text();
        std::memcpy(to, digits.data(), digits.size());
        to += digits.size();
        *to++ = '\t';
        if (weight == 0.0) {
            std::memcpy(to, "0.00", 4);
            to += 4;
        } else {
            to = formatFixed(to, weight, 2, 4);
        }
        *to++ = '\n';
        out.advance(static_cast<std::size_t>(to - start));
    }
}

// Adds the report files of one strand to the run's results and writes
// them. Each is closed
// once written, so the files open at once stay few whatever the genome's
// length.
Outcome<void> writeStrandReports(std::span<const CountCell> cells, bool upperStrand, std::int32_t length,
                                 const std::string& stem, ResultSet& results) {
    std::size_t cursor = 0;
    int fileNumber = 1;
    for (std::int64_t first = 1; first <= length; first += kPositionsPerFile, ++fileNumber) {
        const auto firstPosition = static_cast<std::int32_t>(first);
        const auto last = static_cast<std::int32_t>(std::min<std::int64_t>(length, first + kPositionsPerFile - 1));
        while (cursor < cells.size() && cells[cursor].position() < firstPosition) ++cursor;
        const std::string path = stem + (upperStrand ? "Up" : "Lw") + std::to_string(fileNumber) + ".txt";
        auto file = results.create(path);
        if (!file) return file.failure();
        {
            BlockWriter out((*file)->get());
            writeLines(cells, cursor, upperStrand, firstPosition, last, out);
            out.flush();
        }
        if (auto closed = (*file)->close(); !closed) return closed;
    }
    return {};
}

// The weights of one strand as a track of the run's results.
Outcome<void> writeWeightTrack(std::span<const CountCell> cells, bool upperStrand, const TrackSequence& sequence,
                               const ArgumentSettings& s, const std::string& stem, ResultSet& results) {
    auto file = results.create(stem + (upperStrand ? "Up" : "Lw") + std::string(WeightTrack::extension()));
    if (!file) return file.failure();
    const std::string sample = baseName(s.readsPath);
    auto track = WeightTrack::open(
        **file, sequence,
        "fMatchReadsT_VarSzO weight(" + std::string(upperStrand ? "+" : "-") + ") " + sample,
        sizedReadsDescription("fMatchReadsT_VarSzO", s.readsPath, s.genomePath, s.rMinSz, s.rMaxSz));
    if (!track) return track.failure();
    for (std::size_t cursor = 0; cursor < cells.size();) {
        const std::int32_t p = cells[cursor].position();
        track->add(p - 1, weightAt(cells, cursor, upperStrand, p));
    }
    return track->finish();
}

// The number of report files of one strand for a genome of `length` bases.
std::int64_t reportFileCount(std::int32_t length) {
    return (std::int64_t{length} + kPositionsPerFile - 1) / kPositionsPerFile;
}

// True when `name` is "<prefix>" + `strand` + a number above `count`, in
// plain decimal, + ".txt": a report file of an earlier run of this stem
// whose genome was longer.
bool isReportBeyond(std::string_view name, std::string_view prefix, std::string_view strand,
                    std::int64_t count) {
    constexpr std::string_view kSuffix = ".txt";
    if (!name.starts_with(prefix) || !name.ends_with(kSuffix)) return false;
    name = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
    if (!name.starts_with(strand)) return false;
    const std::string_view digits = name.substr(strand.size());
    if (digits.empty() || digits.size() > 10 || digits[0] == '0') return false;
    std::int64_t number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    return number > count;
}

// The earlier report files of this stem beyond the new count go when the
// new set is committed: a folder never mixes two runs.
void replaceEarlierReports(const std::string& stem, std::int32_t length, ResultSet& results) {
    const std::string directory = directoryOf(stem);
    const std::string prefix = stem.substr(directory.size());
    const std::int64_t count = reportFileCount(length);
    std::error_code ec;
    const auto folder = platform::fileSystemPath(directory.empty() ? std::string(".") : directory);
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (isReportBeyond(name, prefix, "Up", count) || isReportBeyond(name, prefix, "Lw", count))
            results.replaces(directory + name);
    }
}

std::string reportStem(const ArgumentSettings& s) {
    return s.resultDirectory + baseName(s.readsPath) + boundsText(s.rMinSz, s.rMaxSz) + baseName(s.genomePath) +
           "_";
}

constexpr ParamSpec kParameters[] = {
    kResultDirectory,
    kCodedReads,
    kCodedGenome,
    {"rMinSz", ParamType::Int, "smallest read size analysed", "20", kNotNegative},
    {"rMaxSz", ParamType::Int, "largest read size analysed", "24", {}},
    kTracksParameter,
    kThreadsParameter,
    kSeqNameParameter,
};

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/{pthReads:base}[{rMinSz}-{rMaxSz}]{pthGnm:base}_Up{1..}.txt", true},
    {"{diRes}/{pthReads:base}[{rMinSz}-{rMaxSz}]{pthGnm:base}_Lw{1..}.txt", true},
    {"{diRes}/{pthReads:base}[{rMinSz}-{rMaxSz}]{pthGnm:base}_Log.txt", false},
    {"{diRes}/{pthReads:base}[{rMinSz}-{rMaxSz}]{pthGnm:base}_Up.bw", false},
    {"{diRes}/{pthReads:base}[{rMinSz}-{rMaxSz}]{pthGnm:base}_Lw.bw", false},
};

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    const auto settings = readArgumentSettings(console, parameters);
    if (!settings) return settings.failure();
    const auto trackWish = trackRequest(context, parameters);
    if (!trackWish) return trackWish.failure();
    // The log is created first: a result folder that cannot take files is
    // found before the genome is indexed. The reports join it when written.
    const std::string stem = reportStem(*settings);
    ResultSet results({settings->readsPath, settings->genomePath, settings->parameterFile});
    auto log = results.create(stem + "Log.txt");
    if (!log) return log.failure();
    const auto genome = loadCodedGenome(settings->genomePath, std::min(settings->rMaxSz, kLongestRead));
    if (!genome) return genome.failure();
    const auto indexes = buildIndexes(*genome, *settings, context.threads);
    if (!indexes) return indexes.failure();
    auto reads = ReadsFile::open(settings->readsPath);
    if (!reads) return reads.failure();

    Counters counters;
    CountCells cells;
    bool readToEnd = false;
    try {
        readToEnd = scanReads(context, *reads, *settings, *genome, *indexes, cells, counters);
    } catch (const std::bad_alloc&) {
        return failureWithoutWait("\nno mem fMatchReadsT_VarSzO");
    }
    console.say("\nsaving the result");

    const std::string text = logText(*settings, counters);
    std::fwrite(text.data(), 1, text.size(), (*log)->get());
    const auto sorted = cells.sorted();
    for (const bool upper : {true, false}) {
        if (auto written = writeStrandReports(sorted, upper, genome->length, stem, results); !written)
            return written.failure();
    }
    if (*trackWish) {
        const TrackSequence sequence = trackSequence(console, **trackWish, settings->genomePath, genome->length);
        for (const bool upper : {true, false}) {
            if (auto written = writeWeightTrack(sorted, upper, sequence, *settings, stem, results); !written)
                return written.failure();
        }
    }
    replaceEarlierReports(stem, genome->length, results);
    if (auto committed = results.commit(); !committed) return committed.failure();
    return readToEnd ? RunEnd::Complete : RunEnd::Stopped;
}

}  // namespace

RUZ_ANALYSIS(kMatchReadsT_VarSzO) = {"fMatchReadsT_VarSzO", run,
                                     "count exact matches of reads of many sizes per genome position",
                                     ReadsForm::Codes, kParameters, kOutputs};

}  // namespace ruz
