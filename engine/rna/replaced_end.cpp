#include "replaced_end.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/nucleotide.h"
#include "core/params.h"
#include "core/reads.h"

namespace ruz::replaced_end {

namespace {

// The index keys are 12 letters long; a tip code holds 16 bases in 32 bits.
constexpr std::int32_t kKeyLength = 12;
constexpr std::int32_t kLongestTip = 16;
constexpr std::int32_t kLongestRead = static_cast<std::int32_t>(kLineLimit) - 1;
constexpr std::size_t kOutputBuffer = std::size_t{1} << 20;

}  // namespace

std::optional<Sizes> convertSizes(Console& console, const SizeTexts& texts) {
    const auto mutTipSz = intParameter(console, "mutTipSz", texts.mutTipSz);
    if (!mutTipSz) return std::nullopt;
    const auto immutSz = intParameter(console, "immutSz", texts.immutSz);
    if (!immutSz) return std::nullopt;
    const auto misNu = intParameter(console, "misNu", texts.misNu);
    if (!misNu) return std::nullopt;

    if (*immutSz < 0) {
        console.fail("\nparameter immutSz = ", *immutSz, " must not be negative");
        return std::nullopt;
    }
    if (*mutTipSz < 0) {
        console.fail("\nparameter mutTipSz = ", *mutTipSz, " must not be negative");
        return std::nullopt;
    }
    if (*mutTipSz > kLongestTip) {
        console.fail("\nparameter mutTipSz = ", *mutTipSz, " is above ", kLongestTip,
                     ", the longest tip a tip code can hold");
        return std::nullopt;
    }
    const std::int64_t readSize = std::int64_t{*immutSz} + *mutTipSz;
    if (readSize < kKeyLength) {
        console.fail("\nread size immutSz + mutTipSz = ", readSize, " is below ", kKeyLength,
                     ", the length of the genome keys");
        return std::nullopt;
    }
    if (readSize > kLongestRead) {
        console.fail("\nread size immutSz + mutTipSz = ", readSize, " is above ", kLongestRead,
                     ", the longest line a reads file may hold");
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

std::unique_ptr<RunFiles> RunFiles::create(Console& console, const std::string& prefix,
                                           const std::string& stem) {
    std::unique_ptr<RunFiles> files(new RunFiles());
    files->upperSites.path = prefix + "Rna_fiUp.tmp";
    files->lowerSites.path = prefix + "Rna_fiLw.tmp";
    files->upperGuard_.emplace(files->upperSites.path);
    files->lowerGuard_.emplace(files->lowerSites.path);
    files->table.path = stem + ".txt";
    files->log.path = stem + "Log.txt";
    for (Output* out : {&files->upperSites, &files->lowerSites, &files->table, &files->log}) {
        out->file = openFile(console, out->path, "wb");
        if (!out->file) return nullptr;
        out->buffer.resize(kOutputBuffer);
        std::setvbuf(out->file.get(), out->buffer.data(), _IOFBF, out->buffer.size());
    }
    return files;
}

void RunFiles::discardResults() {
    for (Output* out : {&table, &log}) {
        out->file.reset();
        removeFile(out->path);
    }
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
    const auto write = [&](std::size_t n, RunFiles::Output& out, std::int64_t& records) {
        if (n == 0) return;
        std::fwrite(sites_.data(), sizeof(SiteRecord), n, out.file.get());
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

// Uppercases the read in place and writes its codes; false at the first
// byte that is not a base.
bool toLettersAndCodes(char* line, std::uint8_t* codes, std::int32_t length) {
    for (std::int32_t k = 0; k < length; ++k) {
        const char c = upperCase(line[k]);
        const std::uint8_t code = nucleotideCode[static_cast<std::uint8_t>(c)];
        if (code == kNotNucleotide) return false;
        line[k] = c;
        codes[k] = code;
    }
    return true;
}

}  // namespace

bool scanReads(RunContext& context, const std::string& readsPath, const Sizes& sizes,
               Placer& placer, RunFiles& files, Counters& counters) {
    auto reads = ReadsFile::open(context.console, readsPath);
    if (!reads) return false;
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
        if (!toLettersAndCodes(line, codes, readSize)) {
            ++counters.defected;
            continue;
        }
        ++counters.analyzed;
        placer.place(line, codes, files, counters);
    }
    counters.input = reads->inputCount();
    return closeWritten(context.console, files.upperSites.file, files.upperSites.path) &&
           closeWritten(context.console, files.lowerSites.file, files.lowerSites.path);
}

// ---------------------------------------------------------------------------
// Report

namespace {

struct EntropyRange {
    double minimum = 5120.0;  // starting values, shown as they are when no site is occupied
    double maximum = 0.0;
    std::vector<double> values;  // one per occupied site, in report order
};

// Reads one strand's site records back; the file is removed once read.
std::optional<std::vector<SiteRecord>> readSites(Console& console, const std::string& path,
                                                 std::int64_t count, std::string_view arrayName) {
    FilePtr in = openFile(console, path, "rb");
    if (!in) return std::nullopt;
    std::vector<SiteRecord> records;
    try {
        records.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        console.fail("\nno memory for ", arrayName);
        return std::nullopt;
    }
    const std::size_t got = std::fread(records.data(), sizeof(SiteRecord), records.size(), in.get());
    in.reset();
    if (got != records.size()) {
        console.fail("\ni can't read ", path);
        return std::nullopt;
    }
    removeFile(path);
    return records;
}

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
    std::FILE* table = files.table.file.get();
    std::fputs("posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu", table);

    EntropyRange range;
    std::int64_t upperSites = 0, lowerSites = 0;
    if (counters.upperRecords > 0) {
        auto records = readSites(console, files.upperSites.path, counters.upperRecords, "resDataUp");
        if (!records) return false;
        upperSites = reportStrand(context, {genome.upper, '+', false}, genome.length, sizes,
                                  *records, table, range);
    }
    if (counters.lowerRecords > 0) {
        auto records = readSites(console, files.lowerSites.path, counters.lowerRecords, "resDataLw");
        if (!records) return false;
        lowerSites = reportStrand(context, {genome.lower, '-', true}, genome.length, sizes,
                                  *records, table, range);
    }
    if (!closeWritten(console, files.table.file, files.table.path)) return false;

    const Statistics st = statisticsOf(range.values);
    std::FILE* log = files.log.file.get();
    std::fprintf(log, "proc=%.*s\ngenome=%s\nreads=%s", static_cast<int>(head.procedure.size()),
                 head.procedure.data(), head.genomePath.c_str(), head.readsPath.c_str());
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
    return closeWritten(console, files.log.file, files.log.path);
}

}  // namespace ruz::replaced_end
