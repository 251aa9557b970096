// What fReadsOutOfSeq and fGetReadsThatOutOfSeq share: the genome in code
// form with its 16-mer index, the exact-occurrence test of reads on both
// strands, and the reads loop that writes the reads found nowhere.
//
// The loop hands each line to the analysis's judge, a function of the line
// alone that says what the line is (out of the size bounds, defective, or a
// read to search) and may convert it in place; the reads of a batch are then
// tested together against the read-only genome. Judging and testing run on
// several threads, while counting and writing follow the reads' order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/files.h"
#include "core/genome.h"
#include "core/kmer_index.h"
#include "core/parallel.h"
#include "core/reads.h"
#include "core/settings.h"
#include "core/tracks.h"

namespace ruz::out_of_genome {

// Reads shorter than the index key occur nowhere: the test needs a key.
inline constexpr std::size_t kKeyBases = 16;

// A genome in code form and its 16-mer index (`16-Chain`) over positions
// 1..L; the back margin repeats the genome's start, so a read may run
// across the genome's end into its beginning.
struct SearchGenome {
    Genome genome;
    std::optional<KmerIndex> index;
};

// The read-size bounds of a run: rMinSz <= length <= rMaxSz.
struct SizeBounds {
    std::int32_t smallest = 0;
    std::int32_t largest = 0;
    bool contain(std::size_t length) const {
        return static_cast<std::int64_t>(length) >= smallest &&
               static_cast<std::int64_t>(length) <= largest;
    }
};

// Loads the genome with `options` (their back margin is set here: the
// longest read that can be searched, rMaxSz but no more than a line holds,
// and at least what the index reads) and builds 16-Chain on `threads`
// threads.
Outcome<std::unique_ptr<SearchGenome>> loadSearchGenome(const std::string& path, GenomeLoadOptions options,
                                                        std::int32_t rMaxSz, int threads);

// True when every byte of the read is a code 0..3.
bool allCodes(const std::uint8_t* read, std::size_t n);

// A read in code form, at most as long as the genome's back margin + 1.
struct CodedRead {
    const std::uint8_t* bases;
    std::size_t length;
};

// Working room of the test, reused from call to call.
struct OccurrenceScratch {
    std::vector<std::span<const std::int32_t>> places;
    std::vector<std::uint8_t> complements;
    std::vector<const std::uint8_t*> complementOf;
};

// The exact-occurrence test, for the reads of a batch at once: found[i]
// tells whether reads[i] occurs whole in the genome, as it stands on the
// upper strand or as its reverse complement (that is, on the lower strand).
// A read shorter than 16 bases or holding a byte above 3 occurs nowhere.
// The index look-ups of all reads come before their comparisons, so that
// the memory accesses of different reads overlap; the answers are those of
// one read at a time. The genome is only read.
void findOccurrences(const SearchGenome& genome, std::span<const CodedRead> reads,
                     std::vector<char>& found, OccurrenceScratch& scratch);

enum class Verdict { OutOfBounds, Defective, ToSearch };

struct Judgement {
    Verdict verdict = Verdict::OutOfBounds;
    std::size_t length = 0;  // bytes of the line that make the read
};

struct SiftCounts {
    std::int64_t input = 0;
    std::int64_t defective = 0;
    std::int64_t outOfGenome = 0;
};

// What one batch of reads gives: the records of the reads out of the genome,
// in line order, and the batch's counts; with the batch's working room.
struct SiftBatch {
    std::vector<char> out;
    std::string fasta;  // the same reads as FASTA, when asked for
    std::int64_t defective = 0;
    std::int64_t outOfGenome = 0;
    std::vector<CodedRead> searched;
    std::vector<std::size_t> searchedLine;
    std::vector<char> found;
    OccurrenceScratch scratch;
};

// The FASTA record of a read out of the genome: ">" + its line number in
// the reads file, then its bases as letters (a byte that is no base code
// as N).
inline void appendFastaRecord(std::string& fasta, std::int64_t lineNumber, const CodedRead& read) {
    fasta += '>';
    fasta += std::to_string(lineNumber);
    fasta += '\n';
    for (std::size_t i = 0; i < read.length; ++i) fasta += read.bases[i] <= 3 ? "ACGT"[read.bases[i]] : 'N';
    fasta += '\n';
}

// Judges the lines of a batch and tests the reads to search; fills
// `result` with the reads out of the genome, each as its `length` bytes
// followed by byte 10, and with `fasta` also as FASTA records.
template <typename Judge>
void siftBatch(const SearchGenome& genome, const Judge& judge, ReadBatch& batch, SiftBatch& result,
               bool fasta = false) {
    result.out.clear();
    result.fasta.clear();
    result.searched.clear();
    result.searchedLine.clear();
    result.defective = result.outOfGenome = 0;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        const Judgement j = judge(batch.line(i), batch.length(i));
        if (j.verdict == Verdict::Defective) {
            ++result.defective;
        } else if (j.verdict == Verdict::ToSearch) {
            result.searched.push_back(
                {reinterpret_cast<const std::uint8_t*>(batch.line(i)), j.length});
            result.searchedLine.push_back(i);
        }
    }
    findOccurrences(genome, result.searched, result.found, result.scratch);
    for (std::size_t r = 0; r < result.searched.size(); ++r) {
        if (result.found[r]) continue;
        ++result.outOfGenome;
        const char* line = batch.line(result.searchedLine[r]);
        result.out.insert(result.out.end(), line, line + result.searched[r].length);
        result.out.push_back('\n');
        if (fasta)
            appendFastaRecord(result.fasta, batch.firstLine() + static_cast<std::int64_t>(result.searchedLine[r]),
                              result.searched[r]);
    }
}

// The reads loop, on the run's threads: `judge(line, rawLength)` judges
// each line, and the reads to search are tested against the genome; a read
// out of the genome is written as its bytes followed by byte 10. The
// batches are merged in the file's order, so the output does not depend on
// the threads. Reading stops at the end of the file or at a line too long
// for the line buffer (see ReadsFile::reportEnd). With `fasta` the reads
// out of the genome go there as FASTA too.
template <typename Judge>
SiftCounts siftReads(RunContext& context, ReadsFile& reads, const SearchGenome& genome,
                     std::FILE* out, const Judge& judge, std::FILE* fasta = nullptr) {
    SiftCounts counts;
    scanBatches<SiftBatch>(
        context, reads, "sifting reads",
        [&](ReadBatch& batch, SiftBatch& result) { siftBatch(genome, judge, batch, result, fasta != nullptr); },
        [&](ReadBatch&, SiftBatch& result) {
            if (!result.out.empty()) std::fwrite(result.out.data(), 1, result.out.size(), out);
            if (fasta && !result.fasta.empty()) std::fwrite(result.fasta.data(), 1, result.fasta.size(), fasta);
            counts.defective += result.defective;
            counts.outOfGenome += result.outOfGenome;
            return true;
        });
    counts.input = reads.inputCount();
    return counts;
}

struct SiftEnd {
    SiftCounts counts;
    bool readToEnd = false;  // false: a long line or a read error stopped the reading (reported)
};

// The output and the log of a run, one result set. They are created before
// the genome is loaded, so a folder that cannot take them is found first.
// A log that cannot be created is skipped after the opener's message,
// printed at once with its key wait: `log` is null then, and the run ends
// as a failure once the output is in place.
// With a FASTA path, the FASTA of the reads joins the set after the log.
struct SiftFiles {
    ResultSet results;
    ResultFile* output = nullptr;
    ResultFile* log = nullptr;
    ResultFile* fasta = nullptr;
};

Outcome<SiftFiles> createSiftFiles(Console& console, const std::string& outputPath, const std::string& logPath,
                                   std::vector<std::string> inputs, const std::string& fastaPath = {});

// Opens the reads file, runs the reads loop into the output and prints
// "\nsaving the result". Fails when the reads file cannot be opened.
template <typename Judge>
Outcome<SiftEnd> siftIntoFile(RunContext& context, const SearchGenome& genome, const std::string& readsPath,
                              ResultFile& out, const Judge& judge, ResultFile* fasta = nullptr) {
    Console& console = context.console;
    auto reads = ReadsFile::open(readsPath);
    if (!reads) return reads.failure();
    SiftEnd end;
    end.counts = siftReads(context, *reads, genome, out.get(), judge, fasta ? fasta->get() : nullptr);
    end.readToEnd = reads->reportEnd(console);
    console.say("\nsaving the result");
    return end;
}

// Writes the log's text (when there is a log) and commits the set; the run
// is complete when both files are in place and the reads were read to
// their end.
RunOutcome commitSift(SiftFiles& files, const std::string& logText, bool readToEnd);

// The log's name: result directory + the reads' base name + "_Out" + the
// genome's base name + "_Log.txt".
std::string logPath(const std::string& resultDirectory, const std::string& readsPath,
                    const std::string& genomePath);
// The FASTA's name, with tracks: the log's without "_Log.txt", + ".fa".
std::string fastaPath(const std::string& resultDirectory, const std::string& readsPath,
                      const std::string& genomePath);

// What a sifting analysis is made of beside the shared loop: its output's
// name, the check of its genome file, its judge of a line and its log.
template <typename Judge>
struct SiftAnalysis {
    std::string (*outputPath)(const ArgumentSettings&);
    GenomeCheck check;
    Judge (*judgeFor)(SizeBounds bounds);
    std::string (*logText)(const ArgumentSettings&, const SiftCounts&);
};

// The whole run of a sifting analysis: its settings, the output and the log
// created before the genome, the genome and its index, the reads loop, and
// the set committed.
template <typename Judge>
RunOutcome runSift(RunContext& context, const Parameters& parameters, const SiftAnalysis<Judge>& analysis) {
    const auto s = readArgumentSettings(context.console, parameters);
    if (!s) return s.failure();
    const auto tracks = trackRequest(context, parameters);
    if (!tracks) return tracks.failure();
    auto files = createSiftFiles(context.console, analysis.outputPath(*s),
                                 logPath(s->resultDirectory, s->readsPath, s->genomePath),
                                 {s->genomePath, s->readsPath, s->parameterFile},
                                 *tracks ? fastaPath(s->resultDirectory, s->readsPath, s->genomePath) : std::string());
    if (!files) return files.failure();
    GenomeLoadOptions options;
    options.form = GenomeForm::Code;
    options.check = analysis.check;
    const auto genome = loadSearchGenome(s->genomePath, options, s->rMaxSz, context.threads);
    if (!genome) return genome.failure();
    const auto end = siftIntoFile(context, **genome, s->readsPath, *files->output,
                                  analysis.judgeFor(SizeBounds{s->rMinSz, s->rMaxSz}), files->fasta);
    if (!end) return end.failure();
    return commitSift(*files, analysis.logText(*s, end->counts), end->readToEnd);
}

}  // namespace ruz::out_of_genome
