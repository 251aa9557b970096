// fMapReadsOneInSeq: reads found once, reads found many times, and the
// clusters of the reads found once.
//
// Parameters: diRes (result directory), pthReads (coded reads file),
// pthGnm (coded genome file).
//
// Each read is looked for in full on the upper strand of the circular genome
// only, through 16-Chain (so reads shorter than 16 bases are found nowhere);
// the search stops at its second place. The places of the reads found once
// are sorted and merged into clusters: a read that starts before the end of
// the current cluster joins it, a read that starts at or after its end (one
// that merely touches it, too) starts the next cluster.
//
// Outputs:
//   <reads path without extension>Many.bin   beside the reads file: the reads
//       found more than once, a coded read per line
//   <diRes>/<reads base name>[One]<genome base name>_Log.txt    the counts
//   <diRes>/<reads base name>[One]<genome base name>_Clust.txt  one row per
//       cluster: start, last position, length, and the gap to the cluster
//       before it (its start minus that cluster's last position)
//   <diRes>/<reads base name>[One]<genome base name>_Clust.bed  with tracks:
//       the clusters as BED6 on "+" (the search reads the upper strand),
//       named cl1, cl2, ... in the report's order
#include <algorithm>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "core/coded_output.h"
#include "core/files.h"
#include "core/number_format.h"
#include "core/parallel.h"
#include "core/read_codes.h"
#include "core/reads.h"
#include "core/report_text.h"
#include "core/settings.h"
#include "core/tracks.h"
#include "mapping/coded_mapping.h"

namespace ruz {

namespace {

using namespace coded_mapping;

// Where a read occurs in full on the upper strand.
struct Occurrence {
    enum class Kind { Nowhere, Once, Many };
    Kind kind = Kind::Nowhere;
    std::int32_t position = 0;  // the place of a read found once
};

Occurrence occurrenceOf(const std::uint8_t* strand, const KmerIndex& index, const std::uint8_t* read,
                        std::size_t n) {
    KmerCode key = 0;
    if (n < static_cast<std::size_t>(kChainKey) || !codedKey(read, kChainKey, key)) return {};
    const std::size_t rest = n - kChainKey;
    Occurrence found;
    for (const std::int32_t p : index.positions(key)) {
        if (forwardMatch(strand + p + kChainKey, read + kChainKey, rest) != rest) continue;
        if (found.kind == Occurrence::Kind::Once) return {Occurrence::Kind::Many, 0};
        found = {Occurrence::Kind::Once, p};
    }
    return found;
}

// A read found once: its place and length. After the clustering the same
// storage holds the clusters as start and end (exclusive); unsigned, so an
// end past the genome's end still fits.
struct Span {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
};

struct Tally {
    std::int64_t input = 0;
    std::int64_t outOfGenome = 0;
    std::int64_t once = 0;
    std::int64_t many = 0;
    std::int64_t manySumLength = 0;
    std::vector<Span> places;  // of the reads found once; grows as needed
};

void record(const Occurrence& found, const std::uint8_t* read, std::size_t n, Tally& tally,
            BlockWriter& manyOut) {
    switch (found.kind) {
    case Occurrence::Kind::Nowhere:
        ++tally.outOfGenome;
        break;
    case Occurrence::Kind::Once: {
        const auto start = static_cast<std::uint32_t>(found.position);
        tally.places.push_back({start, start + static_cast<std::uint32_t>(n)});
        ++tally.once;
        break;
    }
    case Occurrence::Kind::Many:
        writeCodedRead(manyOut, read, n);
        ++tally.many;
        tally.manySumLength += static_cast<std::int64_t>(n);
        break;
    }
}

// Reads every line and classifies it: the searches of a batch run on the
// run's threads, the batches are recorded in the file's order. False when
// the reading stopped early (reported).
bool scanReads(RunContext& context, ReadsFile& reads, const Genome& genome, const KmerIndex& index,
               Tally& tally, BlockWriter& manyOut) {
    const std::uint8_t* strand = genome.upper.origin();
    const auto bytes = [](const ReadBatch& batch, std::size_t i) {
        return reinterpret_cast<const std::uint8_t*>(batch.line(i));
    };
    scanBatches<std::vector<Occurrence>>(
        context, reads, "searching reads",
        [&](ReadBatch& batch, std::vector<Occurrence>& found) {
            found.resize(batch.size());
            for (std::size_t i = 0; i < batch.size(); ++i)
                found[i] = occurrenceOf(strand, index, bytes(batch, i), batch.length(i));
        },
        [&](ReadBatch& batch, std::vector<Occurrence>& found) {
            for (std::size_t i = 0; i < batch.size(); ++i)
                record(found[i], bytes(batch, i), batch.length(i), tally, manyOut);
            return true;
        });
    tally.input = reads.inputCount();
    return reads.reportEnd(context.console);
}

// Sorts the places and merges them into clusters in the same storage;
// returns the number of clusters.
std::size_t buildClusters(std::vector<Span>& spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    std::size_t clusters = 0;
    for (const Span& s : spans) {
        if (clusters > 0 && s.start < spans[clusters - 1].end) {
            spans[clusters - 1].end = std::max(spans[clusters - 1].end, s.end);
        } else {
            spans[clusters++] = s;  // clusters <= the index of s: nothing unread is overwritten
        }
    }
    return clusters;
}

std::string logText(const ArgumentSettings& s, const Tally& t) {
    std::string text = programHead("fMapReadsOneInSeq", s.genomePath, s.readsPath);
    appendField(text, "\ninput reads= ", t.input);
    appendField(text, "\nout of genome= ", t.outOfGenome);
    appendField(text, "\nLoc once= ", t.once);
    appendField(text, "\nLoc many= ", t.many);
    appendField(text, "\nLoc many sum length=", t.manySumLength);
    return text;
}

// The cluster report: its header, then per cluster "\nstart\tlast\tlength",
// followed by "\tgap" from the second cluster on.
void writeClusters(std::span<const Span> clusters, BlockWriter& out) {
    constexpr std::string_view kHeader = "\nclPos\tclEnd\tclLength\tgap";
    out.write(kHeader.data(), kHeader.size());
    for (std::size_t i = 0; i < clusters.size(); ++i) {
        const Span& c = clusters[i];
        char* const start = out.room(4 * (kDecimalChars + 1));
        char* to = start;
        *to++ = '\n';
        to = formatDecimal(to, c.start);
        *to++ = '\t';
        to = formatDecimal(to, std::int64_t{c.end} - 1);
        *to++ = '\t';
        to = formatDecimal(to, std::int64_t{c.end} - c.start);
        if (i > 0) {
            *to++ = '\t';
            to = formatDecimal(to, std::int64_t{c.start} - (std::int64_t{clusters[i - 1].end} - 1));
        }
        out.advance(static_cast<std::size_t>(to - start));
    }
}

// The run's three results: the companion beside the reads, the log and the
// clusters in the result directory. They are created first, so that a
// folder that cannot take them is found before the genome is indexed.
struct OneInSeqFiles {
    ResultSet results;
    ResultFile* many = nullptr;
    ResultFile* log = nullptr;
    ResultFile* clusters = nullptr;
    ResultFile* track = nullptr;  // null without tracks
};

Outcome<OneInSeqFiles> createFiles(const ArgumentSettings& s, bool tracks) {
    OneInSeqFiles files{ResultSet({s.readsPath, s.genomePath, s.parameterFile})};
    const std::string stem = s.resultDirectory + baseName(s.readsPath) + "[One]" + baseName(s.genomePath);
    auto log = files.results.create(stem + "_Log.txt");
    if (!log) return log.failure();
    auto clusters = files.results.create(stem + "_Clust.txt");
    if (!clusters) return clusters.failure();
    auto many = files.results.create(companionPath(s.readsPath, "Many.bin"));
    if (!many) return many.failure();
    files.log = *log;
    files.clusters = *clusters;
    files.many = *many;
    if (tracks) {
        auto track = files.results.create(stem + "_Clust.bed");
        if (!track) return track.failure();
        files.track = *track;
    }
    return files;
}

void writeTrack(std::FILE* file, const TrackSequence& sequence, const ArgumentSettings& s,
                std::span<const Span> clusters) {
    Bed6Lines bed(sequence.length);
    std::string name;
    for (std::size_t i = 0; i < clusters.size(); ++i) {
        name = "cl" + std::to_string(i + 1);
        bed.add(std::int64_t{clusters[i].start} - 1, std::int64_t{clusters[i].end} - clusters[i].start, name, 0, '+');
    }
    TrackText out(file, sequence);
    const std::string sample = baseName(s.readsPath);
    out.line(trackHeader({}, "fMapReadsOneInSeq clusters " + sample,
                         "fMapReadsOneInSeq " + sample + " reads found once on " + baseName(s.genomePath)));
    bed.write(out);
}

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/{pthReads:base}[One]{pthGnm:base}_Clust.txt", true},
    {"{diRes}/{pthReads:base}[One]{pthGnm:base}_Log.txt", false},
    {"{pthReads:noext}Many.bin", false},
    {"{diRes}/{pthReads:base}[One]{pthGnm:base}_Clust.bed", false},
};

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    const auto settings = readArgumentSettings(console, parameters);
    if (!settings) return settings.failure();
    const auto trackWish = trackRequest(context, parameters);
    if (!trackWish) return trackWish.failure();
    auto files = createFiles(*settings, trackWish->has_value());
    if (!files) return files.failure();
    // A full match never runs further than the longest line past its start.
    const auto genome = loadCodedGenome(settings->genomePath, kLongestRead);
    if (!genome) return genome.failure();
    const auto index = build16Chain(genome->upper, "\nno memory_16-Chain", context.threads);
    if (!index) return index.failure();
    auto reads = ReadsFile::open(settings->readsPath);
    if (!reads) return reads.failure();

    Tally tally;
    bool readToEnd = false;
    {
        BlockWriter manyOut(files->many->get());
        try {
            readToEnd = scanReads(context, *reads, *genome, *index, tally, manyOut);
        } catch (const std::bad_alloc&) {
            return failureWithoutWait("\nno mem fMapReadsOneInSeq");
        }
        manyOut.flush();
    }
    const std::size_t clusters = buildClusters(tally.places);
    console.say("\nsaving the result");

    const std::string log = logText(*settings, tally);
    std::fwrite(log.data(), 1, log.size(), files->log->get());
    {
        BlockWriter out(files->clusters->get());
        writeClusters(std::span<const Span>(tally.places.data(), clusters), out);
        out.flush();
    }
    if (*trackWish)
        writeTrack(files->track->get(), trackSequence(console, **trackWish, settings->genomePath, genome->length),
                   *settings, std::span<const Span>(tally.places.data(), clusters));
    if (auto committed = files->results.commit(); !committed) return committed.failure();
    return readToEnd ? RunEnd::Complete : RunEnd::Stopped;
}

}  // namespace

RUZ_ANALYSIS(kMapReadsOneInSeq) = {"fMapReadsOneInSeq", run,
                                   "separate reads found once from reads found many times", ReadsForm::Codes,
                                   coded_mapping::kCodedInputsParameters, kOutputs};

}  // namespace ruz
