#include "replaced_end.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/nucleotide.h"
#include "core/parallel.h"
#include "core/params.h"
#include "core/platform.h"
#include "core/read_codes.h"
#include "core/reads.h"
#include "core/report_text.h"

namespace ruz::replaced_end {

namespace {

// The index keys are 12 letters long; a tip code holds 16 bases in 32 bits.
constexpr std::int32_t kKeyLength = 12;
constexpr std::int32_t kLongestTip = 16;
constexpr std::int32_t kLongestRead = static_cast<std::int32_t>(kLineLimit) - 1;

}  // namespace

std::optional<Sizes> convertSizes(Console& console, const SizeTexts& texts) {
    const auto mutTipSz = nameSizeParameter(console, "mutTipSz", texts.mutTipSz);
    if (!mutTipSz) return std::nullopt;
    const auto immutSz = nameSizeParameter(console, "immutSz", texts.immutSz);
    if (!immutSz) return std::nullopt;
    const auto misNu = nameSizeParameter(console, "misNu", texts.misNu);
    if (!misNu) return std::nullopt;

    // Messages show a size as typed when that is not the plain number read.
    const std::string immut = shownNumber("immutSz", texts.immutSz, *immutSz);
    const std::string tip = shownNumber("mutTipSz", texts.mutTipSz, *mutTipSz);
    if (*immutSz < 0) {
        console.fail("\nparameter ", immut, " must not be negative");
        return std::nullopt;
    }
    if (*mutTipSz < 0) {
        console.fail("\nparameter ", tip, " must not be negative");
        return std::nullopt;
    }
    if (*mutTipSz > kLongestTip) {
        console.fail("\nparameter ", tip, " is above ", kLongestTip,
                     ", the longest tip a tip code can hold");
        return std::nullopt;
    }
    const std::int64_t readSize = std::int64_t{*immutSz} + *mutTipSz;
    // The sum is explained by its parts when one of them was not typed as
    // the plain number read.
    const std::string parts =
        (texts.immutSz == std::to_string(*immutSz) && texts.mutTipSz == std::to_string(*mutTipSz))
            ? std::string()
            : " (" + immut + ", " + tip + ")";
    if (readSize < kKeyLength) {
        console.fail("\nread size immutSz + mutTipSz = ", readSize, " is below ", kKeyLength,
                     ", the length of the genome keys", parts);
        return std::nullopt;
    }
    if (readSize > kLongestRead) {
        console.fail("\nread size immutSz + mutTipSz = ", readSize, " is above ", kLongestRead,
                     ", the longest line a reads file may hold", parts);
        return std::nullopt;
    }
    return Sizes{*immutSz, *mutTipSz, *misNu};
}

std::string replaceDots(std::string text) {
    std::replace(text.begin(), text.end(), '.', '_');
    return text;
}

std::string resultStem(const std::string& prefix, const std::string& name, const SizeTexts& texts) {
    return prefix + name + "_" + texts.immutSz + "!" + texts.mutTipSz + "!" + texts.misNu + "!";
}

// ---------------------------------------------------------------------------
// Genome and index

std::unique_ptr<IndexedGenome> loadIndexedGenome(Console& console, const std::string& path,
                                                 std::int32_t margin, int threads) {
    GenomeLoadOptions options;
    options.form = GenomeForm::Letter;
    options.check = GenomeCheck::KindB;
    options.backMargin = std::max(margin, kKeyLength - 1);
    options.lowerStrand = true;
    auto genome = loadGenome(console, path, options);
    if (!genome) return nullptr;
    auto indexed = std::make_unique<IndexedGenome>();
    indexed->genome = std::move(*genome);
    indexed->index = build12RootChain(console, indexed->genome, threads);
    if (!indexed->index) return nullptr;
    return indexed;
}

// ---------------------------------------------------------------------------
// Files of a run

std::optional<RunFiles> RunFiles::create(Console& console, const std::string& prefix,
                                         const std::string& stem, std::vector<std::string> inputs) {
    const std::string table = stem + ".txt";
    auto upper = RecordSpill<SiteRecord>::create(console, prefix + "Rna_fiUp", table);
    if (!upper) return std::nullopt;
    auto lower = RecordSpill<SiteRecord>::create(console, prefix + "Rna_fiLw", table);
    if (!lower) return std::nullopt;
    RunFiles files{std::move(*upper), std::move(*lower), ResultSet(std::move(inputs))};
    files.table = files.results.create(console, table);
    if (!files.table) return std::nullopt;
    files.log = files.results.create(console, stem + "Log.txt");
    if (!files.log) return std::nullopt;
    return files;
}

// ---------------------------------------------------------------------------
// Placement and scan

namespace {

// A tip shorter than 2 letters, or of one repeated character (compared as
// stored, so case matters), is a long track.
bool isLongTrack(const char* tip, std::int32_t length) {
    if (length < 2) return true;
    for (std::int32_t j = 1; j < length; ++j)
        if (tip[j] != tip[0]) return false;
    return true;
}

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

// A report reads the site records of one strand back in parts of about
// this many (64 MiB), whatever their number.
constexpr std::size_t kReportPartRecords = std::size_t{8} << 20;

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
            RecordingConsole quiet;  // the merge reports a failure, naming the result
            file_ = TempFile::create(quiet.console(), stem);
            if (!file_) {
                failed_ = true;
                return;
            }
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
        RecordingConsole quiet;
        if (!file_->closeWritten(quiet.console())) return false;
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

// The index spans of a prepared read's key on both strands.
struct KeySpans {
    std::span<const std::int32_t> upper;
    std::span<const std::int32_t> lower;
};

struct BatchResult {
    std::vector<TaskBatch> tasks;
    std::vector<std::uint8_t> codes;      // the current read's codes
    std::vector<PreparedRead> prepared;   // the batch's reads to place, in order
    std::vector<KeySpans> spans;          // per prepared read
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
        for (std::size_t t = 0; t < tasks_.size(); ++t) {
            const Sizes& sz = tasks_[t].sizes;
            const bool longTrack = isLongTrack(line + sz.immutSz, sz.mutTipSz);
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
        std::uint32_t* tips = result.tips.data() + slot * tasks_.size();
        for (std::size_t t = 0; t < tasks_.size(); ++t) {
            if (!eligible[t]) continue;
            ++result.tasks[t].counts.analyzed;
            const Sizes& sz = tasks_[t].sizes;
            tips[t] = sz.mutTipSz > 0 ? kmerCode(codes + sz.immutSz, sz.mutTipSz, codeOfCode) : 0;
        }
        result.prepared.push_back({line, kmerCode(codes, kKeyLength, codeOfCode), slot});
    }

    void placeAll(BatchResult& result) const {
        const KmerIndex& upper = genome_.index->upper;
        const KmerIndex& lower = genome_.index->lower;
        const auto n = static_cast<std::ptrdiff_t>(result.prepared.size());
        result.spans.resize(result.prepared.size());
        for (std::ptrdiff_t i = -kBucketsAhead; i < n; ++i) {
            if (const std::ptrdiff_t b = i + kBucketsAhead; b >= 0 && b < n) {
                upper.prefetch(result.prepared[b].key);
                lower.prefetch(result.prepared[b].key);
            }
            if (const std::ptrdiff_t s = i + kSpansAhead; s >= 0 && s < n) {
                KeySpans& spans = result.spans[s];
                spans.upper = upper.positions(result.prepared[s].key);
                spans.lower = lower.positions(result.prepared[s].key);
                __builtin_prefetch(spans.upper.data());
                __builtin_prefetch(spans.lower.data());
            }
            if (const std::ptrdiff_t w = i + kWindowsAhead; w >= 0 && w < n) {
                prefetchWindows(genome_.genome.upper, result.spans[w].upper);
                prefetchWindows(genome_.genome.lower, result.spans[w].lower);
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
            for (std::size_t t = 0; t < tasks_.size(); ++t) {
                if (!eligible[t]) continue;
                const Sizes& sz = tasks_[t].sizes;
                if (static_cast<std::size_t>(sz.immutSz) > m || c < sz.misNu) continue;
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

    const IndexedGenome& genome_;
    std::span<const Task> tasks_;
    std::int32_t readSize_;
    std::string overflowStem_;
    std::int32_t maxMisNu_ = 0;
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

ScanEnd scanReads(RunContext& context, const std::string& readsPath, const IndexedGenome& genome,
                  std::span<Task> tasks) {
    auto reads = ReadsFile::open(context.console, readsPath);
    if (!reads) return ScanEnd::Failed;
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
    if (overflowLost) {
        context.console.fail("\ni can't write ", tasks.front().files->table->path());
        return ScanEnd::Failed;
    }
    for (Task& t : tasks) t.counters.input = reads->inputCount();
    const bool readToEnd = reads->reportEnd(context.console);
    for (Task& t : tasks) {
        if (!t.files->upperSites.finishWriting(context.console) ||
            !t.files->lowerSites.finishWriting(context.console))
            return ScanEnd::Failed;
    }
    return readToEnd ? ScanEnd::Complete : ScanEnd::Cut;
}

// ---------------------------------------------------------------------------
// Report

namespace {

struct EntropyRange {
    double minimum = 5120.0;  // starting values, shown as they are when no site is occupied
    double maximum = 0.0;
    std::vector<double> values;  // one per occupied site, in report order
};

struct StrandReport {
    const Strand& strand;
    char sign;
    bool reversed;  // lower strand: report L - p + 1
};

// Writes the rows of every occupied site of one strand whose records are
// `records` (every record of those sites); returns how many sites were
// occupied.
std::int64_t reportSites(RunContext& context, const StrandReport& strand, std::int32_t length,
                         const Sizes& sizes, std::vector<SiteRecord>& records, std::FILE* table,
                         EntropyRange& range) {
    std::sort(records.begin(), records.end(),
              [](const SiteRecord& a, const SiteRecord& b) { return a.value < b.value; });
    std::vector<KeyCount> tally;
    char* tipText = context.buff.text.data();
    std::int64_t occupied = 0;
    for (std::size_t first = 0; first < records.size();) {
        std::size_t end = first + 1;
        while (end < records.size() && records[end].value == records[first].value) ++end;
        const std::size_t n = end - first;
        if (n >= 2) {
            const std::uint32_t p = records[first].value;
            const double h =
                entropyOfGroup(std::span<SiteRecord>(records.data() + first, n), tally);
            const long long shown = strand.reversed ? std::int64_t{length} - p + 1 : p;
            const char* immutable = reinterpret_cast<const char*>(strand.strand.origin() + p);
            for (const KeyCount& t : tally) {
                decodeKmer(t.key, sizes.mutTipSz, tipText);
                std::fprintf(table, "\n%lld\t%zu\t%6.4f\t%c\t%.*s%.*s\t%u", shown, n, h, strand.sign,
                             static_cast<int>(sizes.immutSz), immutable,
                             static_cast<int>(sizes.mutTipSz), tipText, t.count);
            }
            range.values.push_back(h);
            range.minimum = std::min(range.minimum, h);
            range.maximum = std::max(range.maximum, h);
            ++occupied;
        }
        first = end;
    }
    return occupied;
}

struct Statistics {
    double mean = 0.0;
    double sigma = 0.0;
};

// Mean 0 without sites; sigma 0 with fewer than two sites or when rounding
// drives the variance below zero.
Statistics statisticsOf(const std::vector<double>& values) {
    Statistics st;
    const double n = static_cast<double>(values.size());
    if (values.empty()) return st;
    double sum = 0.0, squares = 0.0;
    for (const double v : values) {
        sum += v;
        squares += v * v;
    }
    st.mean = sum / n;
    if (values.size() >= 2) {
        const double variance = (squares - sum * st.mean) / (n - 1.0);
        st.sigma = variance > 0.0 ? std::sqrt(variance) : 0.0;
    }
    return st;
}

}  // namespace

bool writeReport(RunContext& context, const Genome& genome, const Sizes& sizes,
                 const Counters& counters, RunFiles& files, const LogHead& head) {
    Console& console = context.console;
    std::FILE* table = files.table->get();
    std::fputs("posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu", table);

    EntropyRange range;
    std::int64_t upperSites = 0, lowerSites = 0;
    // The records of a strand come back in parts by position, each holding
    // whole sites, in increasing order of position.
    const auto reportStrand = [&](RecordSpill<SiteRecord>& spill, const StrandReport& strand,
                                  std::string_view memoryMessage, std::int64_t& sites) {
        return spill.readBackInParts(
            console, memoryMessage, kReportPartRecords, [](const SiteRecord& r) { return r.value; },
            [&](std::vector<SiteRecord>& records) {
                sites += reportSites(context, strand, genome.length, sizes, records, table, range);
                return true;
            });
    };
    if (counters.upperRecords > 0 &&
        !reportStrand(files.upperSites, {genome.upper, '+', false}, "\nno memory for resDataUp", upperSites))
        return false;
    if (counters.lowerRecords > 0 &&
        !reportStrand(files.lowerSites, {genome.lower, '-', true}, "\nno memory for resDataLw", lowerSites))
        return false;
    const Statistics st = statisticsOf(range.values);
    std::FILE* log = files.log->get();
    std::fputs(procHead(head.procedure, head.genomePath, head.readsPath).c_str(), log);
    std::fprintf(log,
                 "\ninput=%lld; required read size=%d; these reads=%lld: defected=%lld, "
                 "longTracks=%lld\nanalyzed=%lld, fell into genome=%lld;\noccupied sites in "
                 "strand:: inUpper(+)=%lld; inLower(-)=%lld; on both strand=%lld.",
                 static_cast<long long>(counters.input), sizes.readSize(),
                 static_cast<long long>(counters.theseReads), static_cast<long long>(counters.defected),
                 static_cast<long long>(counters.longTracks), static_cast<long long>(counters.analyzed),
                 static_cast<long long>(counters.fellIntoGenome), static_cast<long long>(upperSites),
                 static_cast<long long>(lowerSites), static_cast<long long>(upperSites + lowerSites));
    std::fprintf(log,
                 "\nentropy statistic report:\nrange=[%6.4f,%6.4f];\tmean=%6.4f;\tsigma=%6.4f;"
                 "\nmean+3sigma=%6.4f;",
                 range.minimum, range.maximum, st.mean, st.sigma, st.sigma * 3.0 + st.mean);
    return files.results.commit(console);
}

}  // namespace ruz::replaced_end
