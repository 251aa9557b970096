// fIdentifyCircularRna: reads that are circular permutations of a genome
// segment, the mark of a back-splice (circular RNA), on both strands.
//
// Parameters: diRes (result directory), pthGnm (letter genome), pthReads
// (letter reads, one a line, LF or CR LF), rMinSz and rMaxSz (the read
// lengths analysed).
// Output: <diRes>/<reads base name>_RCircular.txt: the counts of the scan,
// then every segment that explains a permuted read, the (+) records and
// then the (-) records, each sorted by start. A record line gives the start
// and the segment with its seed in upper case; further records of one start
// follow in the continuation form "+\tstart\t...".
// With tracks: <diRes>/<reads base name>_RCircular.bed, each segment once
// on its strand (upper-strand extent), named by the number of reads it
// explains, the score that number scaled to the segment explaining most.
// While the reads are scanned the records go to two temporary files in the
// result directory; reading stops once there are more than 9995 (+) records.
#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/parallel.h"
#include "core/reads.h"
#include "core/record_spill.h"
#include "core/report_text.h"
#include "core/settings.h"
#include "core/tracks.h"
#include "rna/circular_search.h"
#include "rna/parted_search.h"

namespace ruz {

namespace {

using namespace circular;
using parted::SegmentRecord;

struct CircularCounts {
    std::int64_t input = 0;
    std::int64_t withinScope = 0;
    std::int64_t defective = 0;
    std::int64_t inGenome = 0;
    std::int64_t analysed() const { return withinScope - inGenome - defective; }
};

// A segment as its track gives it: its genome index and length. A segment
// that wraps round the genome's start is the same whether it was found
// from the front margin or from the genome's end.
struct TrackSegment {
    std::int32_t start = 0;  // 0-based on the upper strand
    std::int32_t length = 0;
    char strand = '+';
    friend auto operator<=>(const TrackSegment&, const TrackSegment&) = default;
};

struct RecordFiles {
    RecordSpill<SegmentRecord> upper;
    RecordSpill<SegmentRecord> lower;
    // With tracks: each read's segments, each once a read.
    std::optional<std::vector<TrackSegment>> trackSegments;
    std::int32_t genomeLength = 0;

    void addTrackSegments(std::span<const SegmentRecord> records, char strand) {
        const std::size_t first = trackSegments->size();
        for (const SegmentRecord& r : records) {
            const std::int64_t L = genomeLength;
            const auto start = static_cast<std::int32_t>(((r.start - 1) % L + L) % L);
            trackSegments->push_back({start, r.length(), strand});
        }
        std::sort(trackSegments->begin() + static_cast<std::ptrdiff_t>(first), trackSegments->end());
        trackSegments->erase(std::unique(trackSegments->begin() + static_cast<std::ptrdiff_t>(first),
                                         trackSegments->end()),
                             trackSegments->end());
    }
};

void echo(Console& console, const ArgumentSettings& s) {
    console.say("procedure  ", "fIdentifyCircularRna", "\ngenome        ", s.genomePath,
                "\nreads         ", s.readsPath);
}

// Creates the report and the two record files, checking the genome file on
// the way: files are opened in the order report, genome, (+) records,
// (-) records, so the first that fails is the one reported.
struct RunFiles {
    ResultSet results;
    ResultFile* report = nullptr;
    RecordFiles records;
    ResultFile* track = nullptr;  // null without tracks
};

Outcome<RunFiles> createFiles(const ArgumentSettings& s, bool tracks) {
    ResultSet results({s.genomePath, s.readsPath, s.parameterFile});
    const std::string reportPath = s.resultDirectory + baseName(s.readsPath) + "_RCircular.txt";
    auto report = results.create(reportPath);
    if (!report) return report.failure();
    if (auto genome = openFile(s.genomePath, "rb"); !genome) return genome.failure();
    auto upper = RecordSpill<SegmentRecord>::create(s.resultDirectory + "CycledUp", reportPath);
    if (!upper) return upper.failure();
    auto lower = RecordSpill<SegmentRecord>::create(s.resultDirectory + "CycledLw", reportPath);
    if (!lower) return lower.failure();
    ResultFile* track = nullptr;
    if (tracks) {
        auto created = results.create(s.resultDirectory + baseName(s.readsPath) + "_RCircular.bed");
        if (!created) return created.failure();
        track = *created;
    }
    return RunFiles{std::move(results), *report, {std::move(*upper), std::move(*lower), std::nullopt, 0}, track};
}

// Adds one read's outcome to the counts and its records to the record files.
void tally(ReadKind kind, std::span<const SegmentRecord> upper, std::span<const SegmentRecord> lower,
           CircularCounts& counts, RecordFiles& files) {
    switch (kind) {
    case ReadKind::OutOfScope:
        return;
    case ReadKind::Defective:
        ++counts.defective;
        break;
    case ReadKind::InGenome:
        ++counts.inGenome;
        break;
    case ReadKind::Unsearched:
    case ReadKind::Searched:
        break;
    }
    ++counts.withinScope;
    files.upper.append(upper);
    files.lower.append(lower);
    if (files.trackSegments) {
        files.addTrackSegments(upper, '+');
        files.addTrackSegments(lower, '-');
    }
}

// How the scan ended when it did not fail (a reads file that cannot be
// opened, a record file that cannot be written).
enum class ScanEnd {
    Complete,  // read to the end, or to the record stop
    Cut,       // a long line or a read error stopped the reading (reported)
};

// The outcomes of a batch's reads: read i's records are
// upper[upperEnd[i-1] .. upperEnd[i]) and lower likewise.
struct BatchOutcomes {
    std::vector<ReadKind> kinds;
    std::vector<SegmentRecord> upper, lower;
    std::vector<std::size_t> upperEnd, lowerEnd;
    CircularOutcome scratch;  // one read's outcome, reused
};

Outcome<ScanEnd> scanReads(RunContext& context, const ArgumentSettings& s, const CircularSearch& search,
                           CircularCounts& counts, RecordFiles& files) {
    Console& console = context.console;
    auto reads = ReadsFile::open(s.readsPath);
    if (!reads) return reads.failure();
    console.say("\nseaching permuted reads");
    // The reads of a batch are examined on the run's threads; the batches
    // are tallied in the file's order, so the record stop falls on the read
    // it falls on when the reads are taken one by one.
    bool stopped = false;
    scanBatches<BatchOutcomes>(
        context, *reads, "searching permuted reads",
        [&](ReadBatch& batch, BatchOutcomes& out) {
            out.kinds.resize(batch.size());
            out.upperEnd.resize(batch.size());
            out.lowerEnd.resize(batch.size());
            out.upper.clear();
            out.lower.clear();
            for (std::size_t i = 0; i < batch.size(); ++i) {
                search.examine(batch.line(i), batch.length(i), out.scratch);
                out.kinds[i] = out.scratch.kind;
                out.upper.insert(out.upper.end(), out.scratch.upper.begin(), out.scratch.upper.end());
                out.lower.insert(out.lower.end(), out.scratch.lower.begin(), out.scratch.lower.end());
                out.upperEnd[i] = out.upper.size();
                out.lowerEnd[i] = out.lower.size();
            }
        },
        [&](ReadBatch& batch, BatchOutcomes& out) {
            for (std::size_t i = 0; i < batch.size(); ++i) {
                const std::size_t u = i == 0 ? 0 : out.upperEnd[i - 1];
                const std::size_t l = i == 0 ? 0 : out.lowerEnd[i - 1];
                tally(out.kinds[i],
                      std::span<const SegmentRecord>(out.upper.data() + u, out.upperEnd[i] - u),
                      std::span<const SegmentRecord>(out.lower.data() + l, out.lowerEnd[i] - l),
                      counts, files);
                if (files.upper.count() > parted::kRecordStop) {
                    counts.input = batch.firstLine() + static_cast<std::int64_t>(i);
                    stopped = true;
                    return false;
                }
            }
            return true;
        });
    // Stopped by the record count, the reading ends there: what lies beyond
    // (and was perhaps read ahead) is not the run's concern.
    if (!stopped) counts.input = reads->inputCount();
    const bool readToEnd = stopped || reads->reportEnd(console);
    if (auto written = files.upper.finishWriting(); !written) return written.failure();
    if (auto written = files.lower.finishWriting(); !written) return written.failure();
    return readToEnd ? ScanEnd::Complete : ScanEnd::Cut;
}

std::string headerText(const ArgumentSettings& s, const CircularCounts& c, std::int64_t upper,
                       std::int64_t lower) {
    std::string h = programHead("Ruzovizu::fIdentifyCircularRna", s.genomePath, s.readsPath);
    h += "\nreads size scope by user=" + boundsText(s.rMinSz, s.rMaxSz, ',');
    appendField(h, "\nReads::input=", c.input);
    appendField(h, "\twirhin scope size=", c.withinScope);
    appendField(h, "\ndefective=", c.defective);
    appendField(h, "\tin genome=", c.inGenome);
    appendField(h, "\tanalized=", c.analysed());
    appendField(h, "\ncircular on (+) strand=", upper);
    appendField(h, "; ncircular on (-) strand=", lower);
    appendField(h, "; circulars in total=", upper + lower);
    return h + ";\npossible cycled Rna";
}

// Writes one list: "\n+start\tsegment" for the first record of each start,
// "\n+\tstart\tsegment" for the further ones.
void writeRecords(std::FILE* report, char sign, const std::vector<SegmentRecord>& records,
                  const Strand& genome) {
    std::string line;
    for (std::size_t r = 0; r < records.size(); ++r) {
        line.assign(1, '\n');
        line += sign;
        if (r > 0 && records[r].start == records[r - 1].start) line += '\t';
        appendNumber(line, records[r].start);
        line += '\t';
        parted::appendSegmentText(line, genome, records[r]);
        std::fwrite(line.data(), 1, line.size(), report);
    }
}

// The segments as BED6, each with the number of reads it explains.
void writeTrack(std::FILE* file, const TrackSequence& sequence, const ArgumentSettings& s,
                std::vector<TrackSegment>& segments) {
    std::sort(segments.begin(), segments.end());
    struct Counted {
        TrackSegment segment;
        std::uint64_t reads;
    };
    std::vector<Counted> counted;
    std::uint64_t most = 0;
    for (std::size_t first = 0; first < segments.size();) {
        std::size_t end = first + 1;
        while (end < segments.size() && segments[end] == segments[first]) ++end;
        counted.push_back({segments[first], end - first});
        most = std::max<std::uint64_t>(most, end - first);
        first = end;
    }
    Bed6Lines bed(sequence.length);
    for (const Counted& c : counted)
        bed.add(c.segment.start, c.segment.length, std::to_string(c.reads), scaledScore(c.reads, most),
                c.segment.strand);
    TrackText out(file, sequence);
    const std::string sample = baseName(s.readsPath);
    out.line(trackHeader({}, "fIdentifyCircularRna segments " + sample,
                         sizedReadsDescription("fIdentifyCircularRna", s.readsPath, s.genomePath, s.rMinSz, s.rMaxSz),
                         "useScore=1"));
    bed.write(out);
}

Outcome<void> writeReport(Console& console, const ArgumentSettings& s, const CircularCounts& counts,
                          RunFiles& files, const Strand& genome, const std::optional<TrackSequence>& sequence) {
    auto upper = files.records.upper.readBack("\nno memory rCycled");
    if (!upper) return upper.failure();
    auto lower = files.records.lower.readBack("\nno memory rCycled");
    if (!lower) return lower.failure();
    std::FILE* report = files.report->get();
    const std::string header = headerText(s, counts, static_cast<std::int64_t>(upper->size()),
                                          static_cast<std::int64_t>(lower->size()));
    std::fwrite(header.data(), 1, header.size(), report);
    console.say("\nsorting...");
    parted::sortSegments(*upper);
    parted::sortSegments(*lower);
    console.say("\nsaving...");
    writeRecords(report, '+', *upper, genome);
    writeRecords(report, '-', *lower, genome);
    if (sequence) writeTrack(files.track->get(), *sequence, s, *files.records.trackSegments);
    return files.results.commit();
}

constexpr ParamSpec kParameters[] = {
    kResultDirectory,
    kLetterGenome,
    kLetterReadsCrLf,
    {"rMinSz", ParamType::Int, "smallest read size analysed (12 or more to be searched)", "20", kNotNegative},
    {"rMaxSz", ParamType::Int, "largest read size analysed", "100", {}},
    kTracksParameter,
    kThreadsParameter,
    kSeqNameParameter,
};

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/{pthReads:base}_RCircular.txt", true},
    {"{diRes}/{pthReads:base}_RCircular.bed", false},
};

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    const auto settings = readArgumentSettings(console, parameters);
    if (!settings) return settings.failure();
    const ArgumentSettings& s = *settings;
    const auto trackWish = trackRequest(context, parameters);
    if (!trackWish) return trackWish.failure();
    echo(console, s);
    console.waitKey();
    console.say("\nexecuting...");

    auto files = createFiles(s, trackWish->has_value());
    if (!files) return files.failure();
    auto genome = parted::loadKeyedGenome(s.genomePath, GenomeCheck::KindA, s.rMaxSz, context.threads);
    if (!genome) return genome.failure();
    std::optional<TrackSequence> sequence;
    if (*trackWish) {
        sequence = trackSequence(console, **trackWish, s.genomePath, (*genome)->genome.length);
        files->records.trackSegments.emplace();
        files->records.genomeLength = (*genome)->genome.length;
    }

    CircularCounts counts;
    const auto scan = scanReads(
        context, s, CircularSearch((*genome)->genome.upper, *(*genome)->index, s.rMinSz, s.rMaxSz), counts,
        files->records);
    if (!scan) return scan.failure();
    // The index goes before the records are read back: the two are never
    // held together.
    (*genome)->index.reset();
    if (auto written = writeReport(console, s, counts, *files, (*genome)->genome.upper, sequence); !written)
        return written.failure();
    return *scan == ScanEnd::Complete ? RunEnd::Complete : RunEnd::Stopped;
}

}  // namespace

RUZ_ANALYSIS(kIdentifyCircularRna) = {"fIdentifyCircularRna", run,
                                      "find circularly permuted reads on both strands", ReadsForm::Letters,
                                      kParameters, kOutputs};

}  // namespace ruz
