#include "replaced_end.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/nucleotide.h"
#include "core/params.h"
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
    const auto mutTipSz = intParameter(console, "mutTipSz", texts.mutTipSz);
    if (!mutTipSz) return std::nullopt;
    const auto immutSz = intParameter(console, "immutSz", texts.immutSz);
    if (!immutSz) return std::nullopt;
    const auto misNu = intParameter(console, "misNu", texts.misNu);
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
                                                 std::int32_t margin) {
    GenomeLoadOptions options;
    options.form = GenomeForm::Letter;
    options.check = GenomeCheck::KindB;
    options.backMargin = std::max(margin, kKeyLength - 1);
    options.lowerStrand = true;
    auto genome = loadGenome(console, path, options);
    if (!genome) return nullptr;
    auto indexed = std::make_unique<IndexedGenome>();
    indexed->genome = std::move(*genome);
    indexed->index = build12RootChain(console, indexed->genome);
    if (!indexed->index) return nullptr;
    return indexed;
}

// ---------------------------------------------------------------------------
// Files of a run

std::optional<RunFiles> RunFiles::create(Console& console, const std::string& prefix,
                                         const std::string& stem,
                                         std::initializer_list<std::string> inputs) {
    auto upper = RecordSpill<SiteRecord>::create(console, prefix + "Rna_fiUp");
    if (!upper) return std::nullopt;
    auto lower = RecordSpill<SiteRecord>::create(console, prefix + "Rna_fiLw");
    if (!lower) return std::nullopt;
    auto table = ResultFile::create(console, stem + ".txt", inputs);
    if (!table) return std::nullopt;
    auto log = ResultFile::create(console, stem + "Log.txt", inputs);
    if (!log) return std::nullopt;
    return RunFiles{std::move(*upper), std::move(*lower), std::move(*table), std::move(*log)};
}

// ---------------------------------------------------------------------------
// Placement and scan

Placer::Placer(const IndexedGenome& genome, const Sizes& sizes) : genome_(genome), sizes_(sizes) {}

std::size_t Placer::collect(const Strand& strand, const KmerIndex& index, KmerCode key,
                            std::uint32_t tip, const char* letters) {
    sites_.clear();
    const std::uint8_t* s = strand.origin();
    const std::int32_t immut = sizes_.immutSz;
    const std::int32_t tipSz = sizes_.mutTipSz;
    const char* readTip = letters + immut;
    for (const std::int32_t p : index.positions(key)) {
        // The key covers the first 12 letters; the rest of the immutable
        // part must match exactly.
        if (immut > kKeyLength &&
            std::memcmp(s + p + kKeyLength, letters + kKeyLength, immut - kKeyLength) != 0)
            continue;
        const std::uint8_t* genomeTip = s + p + immut;
        std::int32_t mismatches = 0;
        for (std::int32_t j = 0; j < tipSz && mismatches < sizes_.misNu; ++j)
            mismatches += genomeTip[j] != static_cast<std::uint8_t>(readTip[j]);
        if (mismatches >= sizes_.misNu) sites_.push_back({static_cast<std::uint32_t>(p), tip});
    }
    return sites_.size();
}

void Placer::place(const char* letters, const std::uint8_t* codes, RunFiles& files,
                   Counters& counters) {
    const KmerCode key = kmerCode(codes, kKeyLength, codeOfCode);
    const std::uint32_t tip = sizes_.mutTipSz > 0
                                  ? kmerCode(codes + sizes_.immutSz, sizes_.mutTipSz, codeOfCode)
                                  : 0;
    bool fell = false;
    const auto write = [&](std::size_t n, RecordSpill<SiteRecord>& spill, std::int64_t& records) {
        if (n == 0) return;
        spill.append(std::span<const SiteRecord>(sites_.data(), n));
        records += static_cast<std::int64_t>(n);
        fell = true;
    };
    write(collect(genome_.genome.upper, genome_.index->upper, key, tip, letters), files.upperSites,
          counters.upperRecords);
    write(collect(genome_.genome.lower, genome_.index->lower, key, tip, letters), files.lowerSites,
          counters.lowerRecords);
    if (fell) ++counters.fellIntoGenome;
}

namespace {

// A tip shorter than 2 letters, or of one repeated character (compared as
// stored, so case matters), is a long track.
bool isLongTrack(const char* tip, std::int32_t length) {
    if (length < 2) return true;
    for (std::int32_t j = 1; j < length; ++j)
        if (tip[j] != tip[0]) return false;
    return true;
}

}  // namespace

ScanEnd scanReads(RunContext& context, const std::string& readsPath, const Sizes& sizes,
                  Placer& placer, RunFiles& files, Counters& counters) {
    auto reads = ReadsFile::open(context.console, readsPath);
    if (!reads) return ScanEnd::Failed;
    counters = Counters{};
    const std::int32_t readSize = sizes.readSize();
    char* line = context.buff.line.data();
    auto* codes = reinterpret_cast<std::uint8_t*>(context.buff.text.data());
    std::size_t rawLength = 0;
    while (reads->next(context.buff.line, rawLength)) {
        if (lengthWithoutCr(line, rawLength) != static_cast<std::size_t>(readSize)) continue;
        if (isLongTrack(line + sizes.immutSz, sizes.mutTipSz)) {
            ++counters.longTracks;
            continue;
        }
        ++counters.theseReads;
        if (!toUpperLettersAndCodes(line, static_cast<std::size_t>(readSize), codes)) {
            ++counters.defected;
            continue;
        }
        ++counters.analyzed;
        placer.place(line, codes, files, counters);
    }
    counters.input = reads->inputCount();
    const bool readToEnd = reads->reportEnd(context.console);
    if (!files.upperSites.finishWriting(context.console) ||
        !files.lowerSites.finishWriting(context.console))
        return ScanEnd::Failed;
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

// Writes the rows of every occupied site of one strand; returns how many
// sites were occupied.
std::int64_t reportStrand(RunContext& context, const StrandReport& strand, std::int32_t length,
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
    std::FILE* table = files.table.get();
    std::fputs("posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu", table);

    EntropyRange range;
    std::int64_t upperSites = 0, lowerSites = 0;
    if (counters.upperRecords > 0) {
        auto records = files.upperSites.readBack(console, "resDataUp");
        if (!records) return false;
        upperSites = reportStrand(context, {genome.upper, '+', false}, genome.length, sizes,
                                  *records, table, range);
    }
    if (counters.lowerRecords > 0) {
        auto records = files.lowerSites.readBack(console, "resDataLw");
        if (!records) return false;
        lowerSites = reportStrand(context, {genome.lower, '-', true}, genome.length, sizes,
                                  *records, table, range);
    }
    if (!files.table.commit(console)) return false;

    const Statistics st = statisticsOf(range.values);
    std::FILE* log = files.log.get();
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
    return files.log.commit(console);
}

}  // namespace ruz::replaced_end
