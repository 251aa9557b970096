// RandExt's report: the site spills read back by position, one row per
// distinct tip of every site holding two or more reads with the entropy of
// its tips, and the log with the counts and the entropy statistics.
#include <algorithm>
#include <cmath>

#include "core/kmer_index.h"
#include "core/report_text.h"
#include "replaced_end.h"

namespace ruz::replaced_end {

namespace {

// A report reads the site records of one strand back in parts of about
// this many (64 MiB), whatever their number.
constexpr std::size_t kReportPartRecords = std::size_t{8} << 20;


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

Outcome<void> writeReport(RunContext& context, const Genome& genome, const Sizes& sizes,
                          const Counters& counters, RunFiles& files, const LogHead& head) {
    std::FILE* table = files.table->get();
    std::fputs("posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu", table);

    EntropyRange range;
    std::int64_t upperSites = 0, lowerSites = 0;
    // The records of a strand come back in parts by position, each holding
    // whole sites, in increasing order of position.
    const auto reportStrand = [&](RecordSpill<SiteRecord>& spill, const StrandReport& strand,
                                  std::string_view memoryMessage, std::int64_t& sites) {
        return spill.readBackInParts(memoryMessage, kReportPartRecords,
                                     [](const SiteRecord& r) { return r.value; },
                                     [&](std::vector<SiteRecord>& records) {
                                         sites += reportSites(context, strand, genome.length, sizes,
                                                              records, table, range);
                                     });
    };
    if (counters.upperRecords > 0) {
        auto read = reportStrand(files.upperSites, {genome.upper, '+', false}, "\nno memory for resDataUp",
                                 upperSites);
        if (!read) return read;
    }
    if (counters.lowerRecords > 0) {
        auto read = reportStrand(files.lowerSites, {genome.lower, '-', true}, "\nno memory for resDataLw",
                                 lowerSites);
        if (!read) return read;
    }
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
    return files.results.commit();
}

}  // namespace ruz::replaced_end
