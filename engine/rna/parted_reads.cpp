// fMatchReadsT_VarSzParted: parted reads, whose tail lies in the genome just
// before their head, on both strands of a circular genome.
//
// Parameters: diRes (result directory), pthReads (coded reads, one a line),
// pthGnm (coded genome), rMinSz and rMaxSz (the read lengths searched).
// Outputs, in the result directory, named <reads>[min-max]<genome> after
// the base names of the two inputs:
//   ..._PartedLog.txt  the counts of the scan
//   ..._Parted.txt     every placement per strand, sorted by position: a
//                      position line, then the segment from the tail's start,
//                      tail and head extension in lower case, the key in
//                      upper case; records of one position share its line
//   ..._Parted.bed     with tracks: each distinct placement as a BED12 line
//                      of two blocks, the tail and then the head (key and
//                      extension), on its strand with the upper-strand
//                      extent; named by the number of reads placed there
// The console shows the running input count, one line per read; reading
// stops once there are more than 9995 upper-strand records.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/parallel.h"
#include "core/reads.h"
#include "core/report_text.h"
#include "core/settings.h"
#include "core/tracks.h"
#include "rna/parted_search.h"

namespace ruz {

namespace {

using namespace parted;

struct PartedResults {
    std::int64_t input = 0;
    std::int64_t processed = 0;
    std::vector<SegmentRecord> upper;
    std::vector<SegmentRecord> lower;
};

// The running input count on the console, one line per read, handed to the
// console in blocks rather than read by read.
class CountEcho {
public:
    explicit CountEcho(Console& console) : console_(console) {}
    ~CountEcho() { flush(); }
    CountEcho(const CountEcho&) = delete;
    CountEcho& operator=(const CountEcho&) = delete;

    void add(std::int64_t count) {
        appendNumber(text_, count);
        text_ += '\n';
        if (text_.size() >= kBlock) flush();
    }
    void flush() {
        if (text_.empty()) return;
        console_.say(text_);
        text_.clear();
    }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    Console& console_;
    std::string text_;
};


// Scans the reads; fails when the reads file cannot be opened. `readToEnd`
// is false when a long line or a read error stopped the reading (reported).
Outcome<void> scanReads(RunContext& context, const ArgumentSettings& s, const PartedSearch& search,
                        PartedResults& results, bool& readToEnd) {
    Console& console = context.console;
    auto reads = ReadsFile::open(s.readsPath);
    if (!reads) return reads.failure();
    console.say("\nseaching parted reads");
    const auto inScope = [&](std::size_t n) {
        return n >= static_cast<std::size_t>(s.rMinSz) && n <= static_cast<std::size_t>(s.rMaxSz);
    };
    // The reads of a batch are searched on the run's threads; the batches
    // are merged in the file's order, so the count on the console and the
    // record stop are those of the reads taken one by one.
    bool stopped = false;
    {
        CountEcho echo(console);
        scanBatches<BatchPlacements>(
            context, *reads, "searching parted reads",
            [&](ReadBatch& batch, BatchPlacements& out) {
                out.clear(batch.size());
                for (std::size_t i = 0; i < batch.size(); ++i) {
                    if (inScope(batch.length(i))) {
                        search.search(reinterpret_cast<const std::uint8_t*>(batch.line(i)),
                                      batch.length(i), out.scratch);
                        out.add(out.scratch);
                    }
                    out.endRead(i);
                }
            },
            [&](ReadBatch& batch, BatchPlacements& out) {
                for (std::size_t i = 0; i < batch.size(); ++i) {
                    const std::int64_t line = batch.firstLine() + static_cast<std::int64_t>(i);
                    echo.add(line);
                    if (!inScope(batch.length(i))) continue;
                    ++results.processed;
                    out.appendRead(i, results.upper, results.lower);
                    if (static_cast<std::int64_t>(results.upper.size()) > parted::kRecordStop) {
                        results.input = line;
                        stopped = true;
                        return false;
                    }
                }
                return true;
            });
    }
    // Stopped by the record count, the reading ends there: what lies beyond
    // (and was perhaps read ahead) is not the run's concern.
    if (!stopped) results.input = reads->inputCount();
    readToEnd = stopped || reads->reportEnd(console);
    return {};
}

std::string stemOf(const ArgumentSettings& s) {
    return s.resultDirectory + baseName(s.readsPath) + boundsText(s.rMinSz, s.rMaxSz) + baseName(s.genomePath);
}

std::string logText(const ArgumentSettings& s, const PartedResults& r) {
    std::string t = programHead("Ruzovizu::fMatchReadsT_VarSzParted1", s.genomePath, s.readsPath);
    t += "\nuser reads size scope=" + boundsText(s.rMinSz, s.rMaxSz, ',');
    appendField(t, "\ninput reads= ", r.input);
    appendField(t, "\nprocessed= ", r.processed);
    appendField(t, "\nreads on upper strand= ", static_cast<std::int64_t>(r.upper.size()));
    appendField(t, "\nreads on lower strand= ", static_cast<std::int64_t>(r.lower.size()));
    return t;
}

// One strand of the report: its heading with the record count, then each
// record's segment, under a position line whenever the position changes.
void writeStrand(std::FILE* report, const char* heading, const std::vector<SegmentRecord>& records,
                 const Strand& genome) {
    std::string text = heading;
    appendNumber(text, static_cast<std::int64_t>(records.size()));
    std::fwrite(text.data(), 1, text.size(), report);
    for (std::size_t r = 0; r < records.size(); ++r) {
        text.assign(1, '\n');
        if (r == 0 || records[r].start != records[r - 1].start) {
            appendNumber(text, records[r].start);
            text += '\n';
        }
        parted::appendSegmentText(text, genome, records[r]);
        std::fwrite(text.data(), 1, text.size(), report);
    }
}

// The run's two results, created before the genome is loaded so that a
// result folder that cannot take them is found first.
struct PartedFiles {
    ResultSet results;
    ResultFile* log = nullptr;
    ResultFile* report = nullptr;
    ResultFile* track = nullptr;  // null without tracks
};

Outcome<PartedFiles> createFiles(const ArgumentSettings& s, bool tracks) {
    PartedFiles files{ResultSet({s.genomePath, s.readsPath, s.parameterFile})};
    auto log = files.results.create(stemOf(s) + "_PartedLog.txt");
    if (!log) return log.failure();
    files.log = *log;
    auto report = files.results.create(stemOf(s) + "_Parted.txt");
    if (!report) return report.failure();
    files.report = *report;
    if (tracks) {
        auto track = files.results.create(stemOf(s) + "_Parted.bed");
        if (!track) return track.failure();
        files.track = *track;
    }
    return files;
}

// The genome index i is the base ((i - 1) mod L) + 1: a record's segment
// starts at the 0-based i - 1.
void addPlacements(Bed12Lines& lines, const std::vector<SegmentRecord>& records, char strand,
                   std::uint64_t most) {
    for (std::size_t first = 0; first < records.size();) {
        std::size_t end = first + 1;
        while (end < records.size() && records[end] == records[first]) ++end;
        const SegmentRecord& r = records[first];
        const Stretch pieces[] = {{r.start - 1, r.beforeKey}, {r.start - 1 + r.beforeKey, kKeyLength + r.afterKey}};
        lines.add(pieces, std::to_string(end - first), scaledScore(end - first, most), strand);
        first = end;
    }
}

// The most reads of one placement, over both strands.
std::uint64_t mostAtOnePlacement(const PartedResults& results) {
    std::uint64_t most = 0;
    for (const auto* records : {&results.upper, &results.lower}) {
        for (std::size_t first = 0; first < records->size();) {
            std::size_t end = first + 1;
            while (end < records->size() && (*records)[end] == (*records)[first]) ++end;
            most = std::max<std::uint64_t>(most, end - first);
            first = end;
        }
    }
    return most;
}

void writeTrack(std::FILE* file, const TrackSequence& sequence, const ArgumentSettings& s,
                const PartedResults& results) {
    const std::uint64_t most = mostAtOnePlacement(results);
    Bed12Lines lines(sequence.length);
    addPlacements(lines, results.upper, '+', most);
    addPlacements(lines, results.lower, '-', most);
    TrackText out(file, sequence);
    const std::string sample = baseName(s.readsPath);
    out.line(trackHeader({}, "fMatchReadsT_VarSzParted placements " + sample,
                         sizedReadsDescription("fMatchReadsT_VarSzParted", s.readsPath, s.genomePath, s.rMinSz,
                                               s.rMaxSz),
                         "useScore=1"));
    lines.write(out);
}

void writeLog(std::FILE* log, const ArgumentSettings& s, const PartedResults& results) {
    const std::string text = logText(s, results);
    std::fwrite(text.data(), 1, text.size(), log);
}

void writeReport(std::FILE* report, const PartedResults& results, const Strand& genome) {
    writeStrand(report, "upper strand\t", results.upper, genome);
    writeStrand(report, "\n\nlower strand\t", results.lower, genome);
}

constexpr ParamSpec kParameters[] = {
    kResultDirectory,
    kCodedReads,
    kCodedGenome,
    {"rMinSz", ParamType::Int, "smallest read size analysed (16 or more to be parted)", "20", kNotNegative},
    {"rMaxSz", ParamType::Int, "largest read size analysed", "100", {}},
    kTracksParameter,
    kThreadsParameter,
    kSeqNameParameter,
};

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/{pthReads:base}[{rMinSz}-{rMaxSz}]{pthGnm:base}_Parted.txt", true},
    {"{diRes}/{pthReads:base}[{rMinSz}-{rMaxSz}]{pthGnm:base}_PartedLog.txt", false},
    {"{diRes}/{pthReads:base}[{rMinSz}-{rMaxSz}]{pthGnm:base}_Parted.bed", false},
};

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    const auto settings = readArgumentSettings(console, parameters);
    if (!settings) return settings.failure();
    const ArgumentSettings& s = *settings;
    const auto trackWish = trackRequest(context, parameters);
    if (!trackWish) return trackWish.failure();
    auto files = createFiles(s, trackWish->has_value());
    if (!files) return files.failure();
    auto genome = parted::loadKeyedGenome(s.genomePath, GenomeCheck::Coded, s.rMaxSz, context.threads);
    if (!genome) return genome.failure();

    PartedResults results;
    bool readToEnd = true;
    if (auto scanned = scanReads(context, s, PartedSearch((*genome)->genome.upper, *(*genome)->index), results,
                                 readToEnd);
        !scanned)
        return scanned.failure();

    console.say("\nsavig log-file");
    writeLog(files->log->get(), s, results);
    console.say("\nsorting...");
    (*genome)->index.reset();
    parted::sortSegments(results.upper);
    parted::sortSegments(results.lower);
    console.say("\nsaving...");
    writeReport(files->report->get(), results, (*genome)->genome.upper);
    if (*trackWish)
        writeTrack(files->track->get(), trackSequence(console, **trackWish, s.genomePath, (*genome)->genome.length),
                   s, results);
    if (auto committed = files->results.commit(); !committed) return committed.failure();
    return readToEnd ? RunEnd::Complete : RunEnd::Stopped;
}

}  // namespace

RUZ_ANALYSIS(kMatchReadsT_VarSzParted) = {"fMatchReadsT_VarSzParted", run,
                                          "find reads whose tail lies just before their head", ReadsForm::Codes,
                                          kParameters, kOutputs};

}  // namespace ruz
