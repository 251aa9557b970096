// fMapReadsOnToSeq: the longest exact piece of every read.
//
// Parameters: diRes (result directory), pthReads (coded reads file),
// pthGnm (coded genome file), rMinSz (names the log only), rMaxSz (the
// longest length of the histogram).
//
// Each read is searched in both orientations, as it stands and as its
// reverse complement. In each orientation the piece starts at the fourth
// base (the first three never take part) and its first 16 bases are looked
// up in 16-Chain; at every place they occur the piece grows base by base
// while the genome agrees (the genome is circular). The longer of the two
// orientations wins, the read as it stands on a tie. Pieces of 26 bases or
// more are kept.
//
// Outputs:
//   <reads path without extension>_In.bin   beside the reads file: every kept
//       piece as it stands on the upper strand, a coded read per line
//   <diRes>/<base name of _In.bin>[rMinSz-rMaxSz]<genome base name>_Log.txt
//       the counts and a histogram of the kept lengths up to rMaxSz; longer
//       pieces are written and counted but have no histogram row
#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "core/coded_output.h"
#include "core/files.h"
#include "core/parallel.h"
#include "core/read_codes.h"
#include "core/reads.h"
#include "core/report_text.h"
#include "core/settings.h"
#include "mapping/coded_mapping.h"

namespace ruz {

namespace {

using namespace coded_mapping;

constexpr std::size_t kLeadSkip = 3;        // bases of each orientation that never take part
constexpr std::int32_t kShortestKept = 26;  // shorter pieces are not written
// Only reads this long can give a kept piece.
constexpr std::size_t kShortestUsefulRead = kLeadSkip + kShortestKept;
constexpr std::int32_t kLongestPiece = kLongestRead - static_cast<std::int32_t>(kLeadSkip);

// A piece of a read found in the genome: where it starts on the upper strand
// and how long it is (0: nothing found).
struct Piece {
    std::int32_t position = 0;
    std::int32_t length = 0;
};

// The longest piece of `seq` (n >= 19 bases) that starts at its fourth base.
Piece longestPiece(const std::uint8_t* strand, const KmerIndex& index, const std::uint8_t* seq,
                   std::size_t n) {
    KmerCode key = 0;
    if (!codedKey(seq + kLeadSkip, kChainKey, key)) return {};
    const std::size_t afterKey = kLeadSkip + kChainKey;
    const auto longest = static_cast<std::int32_t>(n - kLeadSkip);
    Piece best;
    for (const std::int32_t p : index.positions(key)) {
        const auto length = static_cast<std::int32_t>(
            kChainKey + forwardMatch(strand + p + kChainKey, seq + afterKey, n - afterKey));
        if (length > best.length) {
            best = {p, length};
            if (length == longest) break;  // no place can give more
        }
    }
    return best;
}

// Finds the kept piece of one read; it owns the scratch for the reverse
// complement and reads the genome and the index only.
class PieceFinder {
public:
    PieceFinder(const Genome& genome, const KmerIndex& index)
        : strand_(genome.upper.origin()), index_(index), reverse_(kLineLimit) {}

    // The winning orientation's piece; length 0 when it is shorter than 26.
    Piece find(const std::uint8_t* read, std::size_t n) {
        if (n < kShortestUsefulRead) return {};
        const Piece upper = longestPiece(strand_, index_, read, n);
        Piece chosen = upper;
        // The read as it stands wins a tie, so a full-length piece settles it.
        if (upper.length < static_cast<std::int32_t>(n - kLeadSkip)) {
            reverseComplementCodes(read, n, reverse_.data());
            const Piece lower = longestPiece(strand_, index_, reverse_.data(), n);
            if (lower.length > upper.length) chosen = lower;
        }
        return chosen.length >= kShortestKept ? chosen : Piece{};
    }

private:
    const std::uint8_t* strand_;
    const KmerIndex& index_;
    std::vector<std::uint8_t> reverse_;
};

struct Tally {
    std::int64_t input = 0;
    std::int64_t intoGenome = 0;
    std::int64_t sumLength = 0;
    std::vector<std::int64_t> histogram;  // cells 0..min(rMaxSz, longest piece)
};

// Counts a kept piece and writes it: the genome's upper-strand bases equal
// the piece of the winning orientation.
void keep(const Piece& piece, const std::uint8_t* strand, Tally& tally, BlockWriter& out) {
    if (piece.length == 0) return;
    if (static_cast<std::size_t>(piece.length) < tally.histogram.size()) ++tally.histogram[piece.length];
    writeCodedRead(out, strand + piece.position, static_cast<std::size_t>(piece.length));
    ++tally.intoGenome;
    tally.sumLength += piece.length;
}

// Reads every line, keeps its piece: the pieces of a batch are found on the
// run's threads, the batches kept in the file's order. False when the
// reading stopped early (reported).
bool scanReads(RunContext& context, ReadsFile& reads, const Genome& genome, const KmerIndex& index,
               Tally& tally, BlockWriter& out) {
    const std::uint8_t* strand = genome.upper.origin();
    scanBatches<std::vector<Piece>>(
        context, reads, "searching reads",
        [&](ReadBatch& batch, std::vector<Piece>& pieces) {
            PieceFinder finder(genome, index);
            pieces.resize(batch.size());
            for (std::size_t i = 0; i < batch.size(); ++i)
                pieces[i] = finder.find(reinterpret_cast<const std::uint8_t*>(batch.line(i)), batch.length(i));
        },
        [&](ReadBatch& batch, std::vector<Piece>& pieces) {
            for (std::size_t i = 0; i < batch.size(); ++i) keep(pieces[i], strand, tally, out);
            return true;
        });
    tally.input = reads.inputCount();
    return reads.reportEnd(context.console);
}

std::string logText(const ArgumentSettings& s, const std::string& outputPath, const Tally& t) {
    std::string text = programHead("fMapReadsOnToSeq", s.genomePath, outputPath);
    appendField(text, "\nread size scope=[", s.rMinSz);
    appendField(text, ",", s.rMaxSz);
    appendField(text, "]\ninput reads= ", t.input);
    appendField(text, "\nout of genome= ", t.input - t.intoGenome);
    appendField(text, "\ninto genome= ", t.intoGenome);
    appendField(text, "\nsum length=", t.sumLength);
    text += "\nreadSz\tcases";
    for (std::size_t length = 1; length < t.histogram.size(); ++length) {
        if (t.histogram[length] == 0) continue;
        appendField(text, "\n", static_cast<std::int64_t>(length));
        appendField(text, "\t", t.histogram[length]);
    }
    return text;
}

std::string logPath(const ArgumentSettings& s, const std::string& outputPath) {
    return s.resultDirectory + baseName(outputPath) + boundsText(s.rMinSz, s.rMaxSz) + baseName(s.genomePath) +
           "_Log.txt";
}

constexpr ParamSpec kParameters[] = {
    kResultDirectory,
    kCodedReads,
    kCodedGenome,
    {"rMinSz", ParamType::Int, "smallest read size (only names the log)", "16", kNotNegative},
    {"rMaxSz", ParamType::Int, "longest length in the histogram (longer pieces are kept too)", "150", {}},
    kThreadsParameter,
};

constexpr OutputSpec kOutputs[] = {
    {"{pthReads:noext}_In.bin", true},
    {"{diRes}/{pthReads:base}_In[{rMinSz}-{rMaxSz}]{pthGnm:base}_Log.txt", false},
};

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    const auto settings = readArgumentSettings(console, parameters);
    if (!settings) return settings.failure();
    // The companion beside the reads and the log, created first: a folder
    // that cannot take them is found before the genome is indexed.
    ResultSet results({settings->readsPath, settings->genomePath, settings->parameterFile});
    const std::string outputPath = companionPath(settings->readsPath, "_In.bin");
    auto output = results.create(outputPath);
    if (!output) return output.failure();
    auto log = results.create(logPath(*settings, outputPath));
    if (!log) return log.failure();
    // A piece never runs further than the longest line past its start.
    const auto genome = loadCodedGenome(settings->genomePath, kLongestRead);
    if (!genome) return genome.failure();
    const auto index = build16Chain(genome->upper, "\nno memory_16-Chain", context.threads);
    if (!index) return index.failure();

    Tally tally;
    try {
        tally.histogram.assign(static_cast<std::size_t>(std::min(settings->rMaxSz, kLongestPiece)) + 1, 0);
    } catch (const std::bad_alloc&) {
        return failureWithoutWait("\nno mem fMapReadsOnToSeq");
    }
    auto reads = ReadsFile::open(settings->readsPath);
    if (!reads) return reads.failure();

    BlockWriter out((*output)->get());
    const bool readToEnd = scanReads(context, *reads, *genome, *index, tally, out);
    out.flush();
    console.say("\nsaving the result");
    const std::string text = logText(*settings, outputPath, tally);
    std::fwrite(text.data(), 1, text.size(), (*log)->get());
    if (auto committed = results.commit(); !committed) return committed.failure();
    return readToEnd ? RunEnd::Complete : RunEnd::Stopped;
}

}  // namespace

RUZ_ANALYSIS(kMapReadsOnToSeq) = {"fMapReadsOnToSeq", run,
                                  "write the longest exact piece of each read, with a length histogram",
                                  ReadsForm::Codes, kParameters, kOutputs};

}  // namespace ruz
