// RandExt's scan: each read of the read size is classified, then placed at
// every position of either strand where its immutable start matches and its
// tip differs enough; the placements go to the site spills in the reads'
// order, whatever the number of threads.
#include <algorithm>
#include <array>
#include <cstring>

#include "core/nucleotide.h"
#include "core/parallel.h"
#include "core/platform.h"
#include "core/read_codes.h"
#include "core/reads.h"
#include "replaced_end.h"

namespace ruz::replaced_end {

namespace {

// The index keys are 12 letters long.
constexpr std::int32_t kKeyLength = 12;

// A tip code holds at most this many bases.
constexpr std::int32_t kLongestTip = 16;

// What the reads of one batch give one task.
struct TaskBatch {
    Counters counts;
    std::vector<SiteRecord> upper;
    std::vector<SiteRecord> lower;
};

// A batch holds at most this many site records in memory; beyond it they
// go to the batch's overflow file. Low-complexity reads on a low-complexity
// genome are placed at almost every position, so without the bound a batch
// would hold billions of records.
constexpr std::size_t kBatchRecords = std::size_t{1} << 20;

// The records a batch moved out of memory: chunks, each a head followed by
// `count` records of one task and strand, in the order they were placed.
struct OverflowHead {
    std::uint32_t task;
    std::uint32_t lowerStrand;
    std::uint64_t count;
};

class BatchOverflow {
public:
    // Appends the chunks of every task's records to the file (created as
    // `stem` + a unique ending the first time) and empties them.
    void take(const std::string& stem, std::vector<TaskBatch>& tasks) {
        if (failed_) return;
        if (!file_) {
            auto created = TempFile::create(stem);  // the merge reports a failure, naming the result
            if (!created) {
                failed_ = true;
                return;
            }
            file_ = std::move(*created);
            file_->bufferWrites();
        }
        for (std::size_t t = 0; t < tasks.size(); ++t) {
            write(static_cast<std::uint32_t>(t), 0, tasks[t].upper);
            write(static_cast<std::uint32_t>(t), 1, tasks[t].lower);
        }
    }

    // Appends the chunks, in their order, to the tasks' site spills and
    // removes the file. False when it could not be written or read back.
    bool drainInto(std::span<Task> tasks) {
        const bool drained = !failed_ && (!file_ || copyInto(tasks));
        file_.reset();
        failed_ = false;
        return drained;
    }

private:
    static constexpr std::size_t kBlockRecords = 4096;

    void write(std::uint32_t task, std::uint32_t lower, std::vector<SiteRecord>& records) {
        if (records.empty()) return;
        const OverflowHead head{task, lower, records.size()};
        std::fwrite(&head, sizeof head, 1, file_->get());
        std::fwrite(records.data(), sizeof(SiteRecord), records.size(), file_->get());
        records.clear();
    }

    bool copyInto(std::span<Task> tasks) {
        if (!file_->closeWritten()) return false;
        FilePtr in(platform::openRegularForReading(file_->path()));
        if (!in) return false;
        std::vector<SiteRecord> block(kBlockRecords);
        OverflowHead head{};
        while (std::fread(&head, sizeof head, 1, in.get()) == 1) {
            RunFiles& files = *tasks[head.task].files;
            auto& spill = head.lowerStrand ? files.lowerSites : files.upperSites;
            for (std::uint64_t left = head.count; left > 0;) {
                const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kBlockRecords));
                if (std::fread(block.data(), sizeof(SiteRecord), n, in.get()) != n) return false;
                spill.append(std::span<const SiteRecord>(block.data(), n));
                left -= n;
            }
        }
        return std::ferror(in.get()) == 0;
    }

    std::optional<TempFile> file_;
    bool failed_ = false;
};

// A read of the batch that is placed: its letters, its key and, per task,
// whether it is analysed and its tip code (at `slot` * tasks).
struct PreparedRead {
    const char* letters;
    KmerCode key;
    std::uint32_t slot;
};

// The positions of a prepared read's key on both strands. The lower
// strand's may be mirrored from the upper strand's index: they are written
// out into `lowerCopies` once their memory has been fetched, and `lower`
// then spans that copy.
struct KeySpans {
    std::span<const std::int32_t> upper;
    StrandPositions lowerSource;
    std::span<const std::int32_t> lower;
};

struct BatchResult {
    std::vector<TaskBatch> tasks;
    std::vector<std::uint8_t> codes;      // the current read's codes
    std::vector<PreparedRead> prepared;   // the batch's reads to place, in order
    std::vector<KeySpans> spans;          // per prepared read
    // The lower-strand positions of the reads between fetched and placed,
    // read i's in lowerCopies[i % size]; kept across batches for their room.
    std::array<std::vector<std::int32_t>, 8> lowerCopies;
    std::vector<std::uint8_t> eligible;   // per prepared read and task: analysed for it
    std::vector<std::uint32_t> tips;      // per prepared read and task: the tip code
    std::vector<std::uint8_t> fell;       // per task: the current read was placed
    std::size_t held = 0;                 // site records held in `tasks`
    BatchOverflow overflow;               // the records beyond kBatchRecords
};

// Places reads for tasks of one read size. At a position whose key matches,
// the read's letters are compared once: m, the length of the exact prefix,
// and c, the mismatches from m to the read's end. A task accepts the
// position when its immutable part lies within the prefix (immutSz <= m)
// and c >= misNu: its tip [immutSz, size) then differs exactly where [m,
// size) does. This is the test of a task alone, for all tasks in one pass.
//
// A batch is done in two passes: the first classifies and counts every read
// and keeps those to place; the second places them in order. Placing is
// bound by memory latency (an offset, a span of positions, then the genome
// at each position, all at random places), so the second pass fetches each
// of these some reads ahead, and the misses of several reads overlap.
class GroupPlacer {
public:
    // `overflowStem`: where a batch's records beyond kBatchRecords go.
    GroupPlacer(const IndexedGenome& genome, std::span<const Task> tasks, std::string overflowStem)
        : genome_(genome),
          tasks_(tasks),
          readSize_(tasks.front().sizes.readSize()),
          overflowStem_(std::move(overflowStem)) {
        for (const Task& t : tasks) maxMisNu_ = std::max(maxMisNu_, t.sizes.misNu);
        listAcceptingTasks();
    }

    void work(ReadBatch& batch, BatchResult& result) const {
        result.tasks.resize(tasks_.size());
        for (TaskBatch& t : result.tasks) {
            t.counts = Counters{};
            t.upper.clear();
            t.lower.clear();
        }
        result.codes.resize(static_cast<std::size_t>(readSize_));
        result.prepared.clear();
        result.eligible.resize(batch.size() * tasks_.size());
        result.tips.resize(batch.size() * tasks_.size());
        result.fell.resize(tasks_.size());
        result.held = 0;
        for (std::size_t i = 0; i < batch.size(); ++i) classify(batch.line(i), batch.length(i), result);
        placeAll(result);
    }

private:
    // How many reads ahead of the one placed its bucket offsets, its spans
    // of positions and its genome windows are fetched.
    static constexpr std::ptrdiff_t kBucketsAhead = 16;
    static constexpr std::ptrdiff_t kSpansAhead = 8;
    static constexpr std::ptrdiff_t kWindowsAhead = 4;

    void classify(char* line, std::size_t rawLength, BatchResult& result) const {
        if (lengthWithoutCr(line, rawLength) != static_cast<std::size_t>(readSize_)) return;
        const auto slot = static_cast<std::uint32_t>(result.prepared.size());
        std::uint8_t* eligible = result.eligible.data() + slot * tasks_.size();
        bool any = false;
        // A tip shorter than 2 letters, or of one repeated character
        // (compared as stored, so case matters), is a long track: one that
        // the run of the read's last character covers.
        std::int32_t lastRun = 1;
        while (lastRun < readSize_ && line[readSize_ - 1 - lastRun] == line[readSize_ - 1]) ++lastRun;
        for (std::size_t t = 0; t < tasks_.size(); ++t) {
            const Sizes& sz = tasks_[t].sizes;
            const bool longTrack = sz.mutTipSz < 2 || lastRun >= sz.mutTipSz;
            eligible[t] = !longTrack;
            if (longTrack) {
                ++result.tasks[t].counts.longTracks;
            } else {
                ++result.tasks[t].counts.theseReads;
                any = true;
            }
        }
        if (!any) return;
        std::uint8_t* codes = result.codes.data();
        if (!toUpperLettersAndCodes(line, static_cast<std::size_t>(readSize_), codes)) {
            for (std::size_t t = 0; t < tasks_.size(); ++t)
                if (eligible[t]) ++result.tasks[t].counts.defected;
            return;
        }
        // Every task's tip is the read's last mutTipSz bases (the tasks share
        // the read size): the low bits of the code of its last 16.
        const std::int32_t tail = std::min(readSize_, kLongestTip);
        const KmerCode tailCode = kmerCode(codes + (readSize_ - tail), tail, codeOfCode);
        std::uint32_t* tips = result.tips.data() + slot * tasks_.size();
        for (std::size_t t = 0; t < tasks_.size(); ++t) {
            if (!eligible[t]) continue;
            ++result.tasks[t].counts.analyzed;
            const Sizes& sz = tasks_[t].sizes;
            tips[t] = sz.mutTipSz <= 0                ? 0
                      : sz.mutTipSz >= kLongestTip    ? kmerCode(codes + sz.immutSz, sz.mutTipSz, codeOfCode)
                                                      : tailCode & ((KmerCode{1} << (2 * sz.mutTipSz)) - 1);
        }
        result.prepared.push_back({line, kmerCode(codes, kKeyLength, codeOfCode), slot});
    }

    void placeAll(BatchResult& result) const {
        static_assert(std::tuple_size_v<decltype(result.lowerCopies)> > kWindowsAhead);
        const StrandPair12& index = *genome_.index;
        const auto n = static_cast<std::ptrdiff_t>(result.prepared.size());
        result.spans.resize(result.prepared.size());
        for (std::ptrdiff_t i = -kBucketsAhead; i < n; ++i) {
            if (const std::ptrdiff_t b = i + kBucketsAhead; b >= 0 && b < n) index.prefetch(result.prepared[b].key);
            if (const std::ptrdiff_t s = i + kSpansAhead; s >= 0 && s < n) {
                KeySpans& spans = result.spans[s];
                spans.upper = index.upperSpan(result.prepared[s].key);
                spans.lowerSource = index.lower(result.prepared[s].key);
                __builtin_prefetch(spans.upper.data());
                __builtin_prefetch(spans.lowerSource.storage());
            }
            if (const std::ptrdiff_t w = i + kWindowsAhead; w >= 0 && w < n) {
                KeySpans& spans = result.spans[w];
                std::vector<std::int32_t>& copy = result.lowerCopies[static_cast<std::size_t>(w) % result.lowerCopies.size()];
                copy.clear();
                for (const std::int32_t p : spans.lowerSource) copy.push_back(p);
                spans.lower = copy;
                prefetchWindows(genome_.genome.upper, spans.upper);
                prefetchWindows(genome_.genome.lower, spans.lower);
            }
            if (i >= 0) place(result.prepared[i], result.spans[i], result);
        }
    }

    void prefetchWindows(const Strand& strand, std::span<const std::int32_t> positions) const {
        const std::uint8_t* s = strand.origin();
        for (const std::int32_t p : positions) {
            __builtin_prefetch(s + p + kKeyLength);
            __builtin_prefetch(s + p + readSize_ - 1);
        }
    }

    void place(const PreparedRead& read, const KeySpans& spans, BatchResult& result) const {
        const std::uint8_t* eligible = result.eligible.data() + read.slot * tasks_.size();
        const std::uint32_t* tips = result.tips.data() + read.slot * tasks_.size();
        std::fill(result.fell.begin(), result.fell.end(), 0);
        placeOnStrand(genome_.genome.upper, spans.upper, read.letters, eligible, tips, result,
                      &TaskBatch::upper, &Counters::upperRecords);
        placeOnStrand(genome_.genome.lower, spans.lower, read.letters, eligible, tips, result,
                      &TaskBatch::lower, &Counters::lowerRecords);
        for (std::size_t t = 0; t < tasks_.size(); ++t)
            if (eligible[t] && result.fell[t]) ++result.tasks[t].counts.fellIntoGenome;
    }

    void placeOnStrand(const Strand& strand, std::span<const std::int32_t> positions,
                       const char* letters, const std::uint8_t* eligible, const std::uint32_t* tips,
                       BatchResult& result, std::vector<SiteRecord> TaskBatch::*records,
                       std::int64_t Counters::*count) const {
        const std::uint8_t* s = strand.origin();
        const auto size = static_cast<std::size_t>(readSize_);
        const auto* read = reinterpret_cast<const std::uint8_t*>(letters);
        for (const std::int32_t p : positions) {
            const std::uint8_t* at = s + p;
            // The key covers the first 12 letters.
            const std::size_t m = kKeyLength + forwardMatch(at + kKeyLength, read + kKeyLength,
                                                             size - kKeyLength);
            std::int32_t c = 0;
            for (std::size_t j = m; j < size && c < maxMisNu_; ++j) c += at[j] != read[j];
            const std::size_t cell = m * static_cast<std::size_t>(maxMisNu_ + 1) + static_cast<std::size_t>(c);
            for (std::uint32_t a = acceptingStart_[cell]; a < acceptingStart_[cell + 1]; ++a) {
                const std::uint32_t t = accepting_[a];
                if (!eligible[t]) continue;
                (result.tasks[t].*records).push_back({static_cast<std::uint32_t>(p), tips[t]});
                ++(result.tasks[t].counts.*count);
                result.fell[t] = 1;
                if (++result.held == kBatchRecords) {
                    result.overflow.take(overflowStem_, result.tasks);
                    result.held = 0;
                }
            }
        }
    }

    // For every exact prefix m (0..read size) and mismatch count c
    // (0..maxMisNu, where the count stops), the tasks that accept such a
    // position, in task order: immutSz <= m and c >= misNu.
    void listAcceptingTasks() {
        const auto columns = static_cast<std::size_t>(maxMisNu_ + 1);
        acceptingStart_.assign(1, 0);
        for (std::int32_t m = 0; m <= readSize_; ++m) {
            for (std::size_t c = 0; c < columns; ++c) {
                for (std::size_t t = 0; t < tasks_.size(); ++t) {
                    const Sizes& sz = tasks_[t].sizes;
                    if (sz.immutSz <= m && static_cast<std::int32_t>(c) >= sz.misNu)
                        accepting_.push_back(static_cast<std::uint32_t>(t));
                }
                acceptingStart_.push_back(static_cast<std::uint32_t>(accepting_.size()));
            }
        }
    }

    const IndexedGenome& genome_;
    std::span<const Task> tasks_;
    std::int32_t readSize_;
    std::string overflowStem_;
    std::int32_t maxMisNu_ = 0;
    std::vector<std::uint32_t> accepting_;       // task indexes, by (m, c) cell
    std::vector<std::uint32_t> acceptingStart_;  // each cell's first entry, and the end last
};

void add(Counters& to, const Counters& from) {
    to.theseReads += from.theseReads;
    to.defected += from.defected;
    to.longTracks += from.longTracks;
    to.analyzed += from.analyzed;
    to.fellIntoGenome += from.fellIntoGenome;
    to.upperRecords += from.upperRecords;
    to.lowerRecords += from.lowerRecords;
}

}  // namespace

Outcome<ScanEnd> scanReads(RunContext& context, const std::string& readsPath, const IndexedGenome& genome,
                           std::span<Task> tasks) {
    auto reads = ReadsFile::open(readsPath);
    if (!reads) return reads.failure();
    for (Task& t : tasks) t.counters = Counters{};
    const GroupPlacer placer(genome, tasks, directoryOf(tasks.front().files->upperSites.path()) + "Rna_fiBatch");
    bool overflowLost = false;
    scanBatches<BatchResult>(
        context, *reads, "placing reads",
        [&](ReadBatch& batch, BatchResult& result) { placer.work(batch, result); },
        [&](ReadBatch&, BatchResult& result) {
            // A batch's records in order: those it moved out first.
            if (!result.overflow.drainInto(tasks)) {
                overflowLost = true;
                return false;
            }
            for (std::size_t t = 0; t < tasks.size(); ++t) {
                add(tasks[t].counters, result.tasks[t].counts);
                tasks[t].files->upperSites.append(result.tasks[t].upper);
                tasks[t].files->lowerSites.append(result.tasks[t].lower);
            }
            return true;
        });
    if (overflowLost) return failure("\ni can't write ", tasks.front().files->table->path());
    for (Task& t : tasks) t.counters.input = reads->inputCount();
    const bool readToEnd = reads->reportEnd(context.console);
    for (Task& t : tasks) {
        if (auto written = t.files->upperSites.finishWriting(); !written) return written.failure();
        if (auto written = t.files->lowerSites.finishWriting(); !written) return written.failure();
    }
    return readToEnd ? ScanEnd::Complete : ScanEnd::Cut;
}


}  // namespace ruz::replaced_end
