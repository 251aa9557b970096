// fTestGenomeSborka: the repeats of an assembled genome and the reads that
// contradict it.
//
// Parameters: diRes (result directory), pthReads (coded reads: one read a
// line, one byte 0..3 a base), pthGnm (coded genome).
// The genome, taken as circular, is loaded and checked first. The repeat
// step gives every position the length R of the longest stretch starting
// there that also starts elsewhere; the sweep keeps the maximal repeats
// (maximal_repeats.h). Then every read is placed exactly on the upper strand
// (reads shorter than 16 bases lie nowhere): at a position where no kept
// repeat starts the first read marks R = -length; a read that lies where an
// earlier read lies, or where a kept repeat shorter than itself starts,
// contradicts the assembly (counted once, at its first such position,
// highest position first).
// Outputs, in the result directory:
//   RepTest_<genome>_Log.txt  the genome's repeat line, then the read counts
//   RepTest_<genome>.txt      empty
//   RepTest_<genome>.bed      with tracks: the kept maximal repeats, a repeat
//                             of length R at p as [p - 1, p - 1 + R) (split
//                             at the origin), named by R, the score R scaled
//                             to the longest
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/kmer_index.h"
#include "core/parallel.h"
#include "core/read_codes.h"
#include "core/reads.h"
#include "core/settings.h"
#include "core/tracks.h"
#include "mapping/coded_mapping.h"
#include "mapping/exact_occurrence.h"
#include "mapping/maximal_repeats.h"

namespace ruz {

namespace {

// The longest read a line holds runs this far past its start.
constexpr std::int32_t kLongestReadReach = static_cast<std::int32_t>(kLineLimit) - 2;

// A coded genome, checked, whose back margin covers both the repeat step
// and the longest read.
Outcome<Genome> loadAssembly(const std::string& path, std::int32_t length) {
    GenomeLoadOptions options;
    options.form = GenomeForm::Code;
    options.check = GenomeCheck::Coded;
    options.backMargin = std::max(repeatStepMargin(length), kLongestReadReach);
    options.memoryMessage = "no memory";
    options.waitOnMemoryFailure = false;
    return loadGenome(path, options);
}

void writeRepeatLines(std::FILE* log, const std::string& genomeName, std::int32_t n,
                      const MaximalRepeats& kept) {
    std::fputs("code\tsqSize\treMax\trepNu/sqSize", log);
    std::fprintf(log, "\n%s\t%d\t%d\t%6.3f", genomeName.c_str(), n, kept.longest,
                 static_cast<double>(kept.count) / n);
}

// What the read test knows of every position, in one byte: free, marked
// by a read, or the length of the kept repeat starting there. Lengths from
// kLong on are looked up by position; an assembly has few of them.
class ReadMarks {
public:
    explicit ReadMarks(const RepeatLengths& kept)
        : marks_(static_cast<std::size_t>(kept.genomeLength()) + 1, kFree) {
        for (std::int64_t p = 1; p <= kept.genomeLength(); ++p) {
            const std::int32_t r = kept[p];
            if (r <= 0) continue;
            if (r < kLong) {
                marks_[static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(r);
            } else {
                marks_[static_cast<std::size_t>(p)] = kLong;
                long_.push_back({static_cast<std::int32_t>(p), r});
            }
        }
    }

    // The read test's rule at one placement of a read: a free position is
    // marked and the walk goes on; a position marked by an earlier read, or
    // holding a kept repeat shorter than the read, makes the read contradict
    // the assembly.
    bool contradictsAt(std::int32_t p, std::int32_t length) {
        std::uint8_t& mark = marks_[static_cast<std::size_t>(p)];
        if (mark == kFree) {
            mark = kRead;
            return false;
        }
        if (mark == kRead) return true;
        return (mark == kLong ? longAt(p) : std::int32_t{mark}) < length;
    }

private:
    static constexpr std::uint8_t kFree = 0;
    static constexpr std::uint8_t kLong = 254;
    static constexpr std::uint8_t kRead = 255;

    struct LongRepeat {
        std::int32_t position;
        std::int32_t length;
    };

    std::int32_t longAt(std::int32_t p) const {
        return std::lower_bound(long_.begin(), long_.end(), p,
                                [](const LongRepeat& r, std::int32_t q) { return r.position < q; })
            ->length;
    }

    std::vector<std::uint8_t> marks_;
    std::vector<LongRepeat> long_;  // by increasing position
};

// Reads lying in more places than this are walked again in the merge rather
// than having their places kept: a batch's memory stays bounded whatever
// the genome's repeats.
constexpr std::size_t kKeptPlacements = 256;

// Where the reads of one batch lie, each read's places highest first.
struct PlacedBatch {
    std::vector<std::int32_t> positions;
    std::vector<std::size_t> ends;  // per read, the end of its places in `positions`
    std::vector<bool> walkInMerge;  // per read, too many places to keep
};

class ReadTest {
public:
    ReadTest(const Strand& upper, const KmerIndex& index) : upper_(upper), index_(index) {}

    // The places of every read of the batch (reads shorter than the index
    // key or holding a byte that is not a code lie nowhere).
    void place(const ReadBatch& batch, PlacedBatch& placed) const {
        placed.positions.clear();
        placed.ends.clear();
        placed.walkInMerge.clear();
        for (std::size_t i = 0; i < batch.size(); ++i) {
            const std::size_t begin = placed.positions.size();
            bool tooMany = false;
            if (searchable(batch, i)) {
                forEachPlace(batch, i, [&](std::int32_t p) {
                    tooMany = placed.positions.size() - begin == kKeptPlacements;
                    if (!tooMany) placed.positions.push_back(p);
                    return !tooMany;
                });
            }
            if (tooMany) placed.positions.resize(begin);
            placed.ends.push_back(placed.positions.size());
            placed.walkInMerge.push_back(tooMany);
        }
    }

    // Applies the batch's reads to the marks in their order; returns how
    // many contradict the assembly. Each stops at its first contradiction.
    std::int64_t merge(const ReadBatch& batch, const PlacedBatch& placed, ReadMarks& marks) const {
        std::int64_t contradicting = 0;
        std::size_t begin = 0;
        for (std::size_t i = 0; i < batch.size(); ++i) {
            const auto length = static_cast<std::int32_t>(batch.length(i));
            bool contradicts = false;
            if (placed.walkInMerge[i]) {
                forEachPlace(batch, i, [&](std::int32_t p) {
                    contradicts = marks.contradictsAt(p, length);
                    return !contradicts;
                });
            } else {
                for (std::size_t j = begin; j < placed.ends[i] && !contradicts; ++j)
                    contradicts = marks.contradictsAt(placed.positions[j], length);
            }
            contradicting += contradicts;
            begin = placed.ends[i];
        }
        return contradicting;
    }

private:
    static const std::uint8_t* codes(const ReadBatch& batch, std::size_t i) {
        return reinterpret_cast<const std::uint8_t*>(batch.line(i));
    }
    static bool searchable(const ReadBatch& batch, std::size_t i) {
        return batch.length(i) >= out_of_genome::kKeyBases &&
               out_of_genome::allCodes(codes(batch, i), batch.length(i));
    }
    template <typename Visit>
    void forEachPlace(const ReadBatch& batch, std::size_t i, Visit visit) const {
        forEachExactPlacement(index_, upper_.origin(), codes(batch, i), batch.length(i), visit);
    }

    const Strand& upper_;
    const KmerIndex& index_;
};

// How the read test ended when it ran; it fails when there is no index or
// no reads file, and the log then holds the repeat lines only.
enum class TestEnd {
    Complete,  // every read was tested
    Cut,       // a long line or a read error stopped the reading (reported)
};

// The read test. Writes its counts to the log when the reads could be read.
Outcome<TestEnd> testReads(RunContext& context, const Strand& upper, const std::string& readsPath,
                           ReadMarks& marks, std::FILE* log) {
    Console& console = context.console;
    console.say("\ntesting the reads for correct assembly");
    const auto index = build16Chain(upper, "\nno memory_16-Chain", context.threads);
    if (!index) return index.failure();
    auto reads = ReadsFile::open(readsPath);
    if (!reads) return reads.failure();

    const ReadTest test(upper, *index);
    std::int64_t nonCorrect = 0;
    scanBatches<PlacedBatch>(
        context, *reads, "testing reads",
        [&](ReadBatch& batch, PlacedBatch& placed) { test.place(batch, placed); },
        [&](ReadBatch& batch, PlacedBatch& placed) {
            nonCorrect += test.merge(batch, placed, marks);
            return true;
        });
    std::fprintf(log, "\nrinput multyLocation reads=%lld\nnonCorrect assembly reads %lld",
                 static_cast<long long>(reads->inputCount()), static_cast<long long>(nonCorrect));
    return reads->reportEnd(console) ? TestEnd::Complete : TestEnd::Cut;
}

// Calls visit(piece, r) for the pieces of every kept repeat, by position;
// R[p] > 0 exactly where one starts.
template <typename Visit>
void forEachRepeatPiece(const RepeatLengths& lengths, std::int64_t genomeLength, Visit visit) {
    for (std::int64_t p = 1; p <= lengths.genomeLength(); ++p) {
        const std::int32_t r = lengths[p];
        if (r <= 0) continue;
        const CircularPieces pieces = circularPieces(p - 1, r, genomeLength);
        for (const Interval& piece : pieces.pieces()) visit(piece, r);
    }
}

// The kept repeats as BED6, ordered by start and end. Only the pieces that
// start at 0 (the first position's and those of repeats running round the
// end) need ordering, by their end; every other start is one position's, so
// those lines go out as they come: a large genome's lines are never held.
void writeTrack(std::FILE* file, const TrackSequence& sequence, const ArgumentSettings& s,
                const RepeatLengths& lengths, const MaximalRepeats& kept) {
    const auto longest = static_cast<std::uint64_t>(std::max(kept.longest, 0));
    const auto score = [&](std::int32_t r) { return scaledScore(static_cast<std::uint64_t>(r), longest); };
    TrackText out(file, sequence);
    const std::string genome = baseName(s.genomePath);
    out.line(trackHeader({}, "fTestGenomeSborka repeats " + genome,
                         "fTestGenomeSborka maximal repeats of " + genome, "useScore=1"));
    Bed6Lines atOrigin(sequence.length);
    forEachRepeatPiece(lengths, sequence.length, [&](const Interval& piece, std::int32_t r) {
        if (piece.start == 0) atOrigin.add(0, piece.end, std::to_string(r), score(r), '.');
    });
    atOrigin.write(out);
    forEachRepeatPiece(lengths, sequence.length, [&](const Interval& piece, std::int32_t r) {
        if (piece.start != 0) out.bed6(piece, std::to_string(r), score(r), '.');
    });
}

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/RepTest_{pthGnm:base}_Log.txt", true},
    {"{diRes}/RepTest_{pthGnm:base}.txt", false},
    {"{diRes}/RepTest_{pthGnm:base}.bed", false},
};

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    const auto s = readArgumentSettings(console, parameters);
    if (!s) return s.failure();
    const auto trackWish = trackRequest(context, parameters);
    if (!trackWish) return trackWish.failure();
    const auto genome = loadAssembly(s->genomePath, s->genomeLength);
    if (!genome) return genome.failure();

    const std::string genomeName = baseName(s->genomePath);
    std::string stem = s->resultDirectory;
    stem.append("RepTest_").append(genomeName);
    ResultSet results({s->genomePath, s->readsPath, s->parameterFile});
    auto log = results.create(stem + "_Log.txt");
    if (!log) return log.failure();
    if (auto second = results.create(stem + ".txt"); !second) return second.failure();
    ResultFile* track = nullptr;
    if (*trackWish) {
        auto created = results.create(stem + ".bed");
        if (!created) return created.failure();
        track = *created;
    }

    console.say("\ncomputing maximal repetes");
    // Held on the heap, each freed once the next step has what it needs.
    std::unique_ptr<RepeatLengths> lengths;
    try {
        lengths = std::make_unique<RepeatLengths>(measureRepeats(genome->upper, context.threads));
    } catch (const std::bad_alloc&) {
        return failureWithoutWait("\nno memory");
    }
    const MaximalRepeats kept = selectMaximalRepeats(*lengths);
    writeRepeatLines((*log)->get(), genomeName, genome->length, kept);
    // The read test marks where reads lie: the repeats are taken first.
    if (track)
        writeTrack(track->get(), trackSequence(console, **trackWish, s->genomePath, genome->length), *s, *lengths,
                   kept);
    std::unique_ptr<ReadMarks> marks;
    try {
        marks = std::make_unique<ReadMarks>(*lengths);
    } catch (const std::bad_alloc&) {
        results.commitPartial();
        return failureWithoutWait("\nno memory");
    }
    lengths.reset();

    const auto tested = testReads(context, genome->upper, s->readsPath, *marks, (*log)->get());
    marks.reset();
    if (!tested) {
        // The log keeps the repeat lines, but never in place of a complete
        // earlier log.
        results.commitPartial();
        return tested.failure();
    }
    if (auto committed = results.commit(); !committed) return committed.failure();
    return *tested == TestEnd::Complete ? RunEnd::Complete : RunEnd::Stopped;
}

}  // namespace

RUZ_ANALYSIS(kTestGenomeSborka) = {"fTestGenomeSborka", run,
                                   "measure the repeats of an assembly and the reads contradicting it",
                                   ReadsForm::Codes, coded_mapping::kCodedInputsParameters, kOutputs};

}  // namespace ruz
