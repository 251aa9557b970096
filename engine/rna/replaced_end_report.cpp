// RandExt's report: the site spills read back by position, one row per
// distinct tip of every site holding two or more reads with the entropy of
// its tips, and the log with the counts and the entropy statistics.
#include <algorithm>
#include <cmath>
#include <string_view>

#include "core/coded_output.h"
#include "core/entropy.h"
#include "core/kmer_index.h"
#include "core/number_format.h"
#include "core/files.h"
#include "core/report_text.h"
#include "core/tracks.h"
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

// An occupied site as its tracks give it.
struct TrackSite {
    std::int64_t firstBase = 0;  // the reads' first base on the upper strand, 0-based
    std::int64_t start = 0;      // the upper-strand start of the reads' extent (perhaps negative)
    std::uint64_t reads = 0;
    double entropy = 0.0;
    char strand = '+';
};

// The site at strand position p (1-based) on the upper-strand terms of
// its tracks.
TrackSite trackSite(const StrandReport& strand, std::int64_t p, std::int64_t length, const Sizes& sizes,
                    std::uint64_t reads, double entropy) {
    if (!strand.reversed) return {p - 1, p - 1, reads, entropy, '+'};
    return {length - p, upperStartOfLower(p, sizes.readSize(), length), reads, entropy, '-'};
}

// One record of a site: "\n%lld\t%zu\t%6.4f\t%c\t%s%s\t%u", formatted
// without a printf call (reports of millions of records).
void writeRecordLine(BlockWriter& out, std::int64_t position, std::size_t reads, double entropy, char sign,
                     std::string_view immutable, std::string_view tip, std::uint32_t count) {
    char* const start = out.room(3 * kDecimalChars + kFixedChars + immutable.size() + tip.size() + 8);
    char* to = start;
    *to++ = '\n';
    to = formatDecimal(to, position);
    *to++ = '\t';
    to = formatDecimal(to, static_cast<std::int64_t>(reads));
    *to++ = '\t';
    to = formatFixed(to, entropy, 4, 6);
    *to++ = '\t';
    *to++ = sign;
    *to++ = '\t';
    to = std::copy(immutable.begin(), immutable.end(), to);
    to = std::copy(tip.begin(), tip.end(), to);
    *to++ = '\t';
    to = formatDecimal(to, count);
    out.advance(static_cast<std::size_t>(to - start));
}

// Writes the rows of every occupied site of one strand whose records are
// `records` (every record of those sites); returns how many sites were
// occupied.
std::int64_t reportSites(RunContext& context, const StrandReport& strand, std::int32_t length,
                         const Sizes& sizes, std::vector<SiteRecord>& records, std::FILE* table,
                         EntropyRange& range, std::vector<TrackSite>* sites) {
    // The order of a site's records does not matter: its tips are counted.
    std::vector<SiteRecord> scratch;
    sortByValue(records, scratch);
    std::vector<KeyCount> tally;
    char* tipText = context.buff.text.data();
    BlockWriter out(table);
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
                writeRecordLine(out, shown, n, h, strand.sign, std::string_view(immutable, sizes.immutSz),
                                std::string_view(tipText, sizes.mutTipSz), t.count);
            }
            if (sites) sites->push_back(trackSite(strand, p, length, sizes, n, h));
            range.values.push_back(h);
            range.minimum = std::min(range.minimum, h);
            range.maximum = std::max(range.maximum, h);
            ++occupied;
        }
        first = end;
    }
    out.flush();
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

// The entropy of the sites of one strand, by position.
void writeEntropy(std::FILE* file, const TrackSequence& sequence, const std::string& title,
                  std::vector<TrackSite>& sites, char strand) {
    TrackText out(file, sequence);
    out.line(title);
    std::vector<const TrackSite*> chosen;
    for (const TrackSite& site : sites)
        if (site.strand == strand) chosen.push_back(&site);
    std::sort(chosen.begin(), chosen.end(),
              [](const TrackSite* a, const TrackSite* b) { return a->firstBase < b->firstBase; });
    char value[32];
    for (const TrackSite* site : chosen) {
        std::snprintf(value, sizeof value, "%.4f", site->entropy);
        out.bedGraph(site->firstBase, site->firstBase + 1, value);
    }
}

void writeTracks(const ReportTracks& tracks, const Sizes& sizes, RunFiles& files, std::vector<TrackSite>& sites,
                 const LogHead& head) {
    const std::string& stem = files.stemName;
    const std::string description = std::string(tracks.analysis) + " " + stem + " immutSz=" +
                                    std::to_string(sizes.immutSz) + " mutTipSz=" +
                                    std::to_string(sizes.mutTipSz) + " misNu=" + std::to_string(sizes.misNu) +
                                    " reads " + baseName(head.readsPath) + " on " + baseName(head.genomePath);
    std::uint64_t most = 0;
    Bed6Lines bed(tracks.sequence.length);
    for (const TrackSite& site : sites) most = std::max(most, site.reads);
    for (const TrackSite& site : sites)
        bed.add(site.start, sizes.readSize(), std::to_string(site.reads), scaledScore(site.reads, most),
                site.strand);
    TrackText out(files.sites->get(), tracks.sequence);
    out.line(trackHeader({}, std::string(tracks.analysis) + " sites " + stem, description, "useScore=1"));
    bed.write(out);
    writeEntropy(files.entropyUp->get(), tracks.sequence,
                 trackHeader("bedGraph", std::string(tracks.analysis) + " entropy(+) " + stem, description),
                 sites, '+');
    writeEntropy(files.entropyLw->get(), tracks.sequence,
                 trackHeader("bedGraph", std::string(tracks.analysis) + " entropy(-) " + stem, description),
                 sites, '-');
}

}  // namespace

Outcome<void> writeReport(RunContext& context, const Genome& genome, const Sizes& sizes,
                          const Counters& counters, RunFiles& files, const LogHead& head,
                          const ReportTracks* tracks) {
    std::FILE* table = files.table->get();
    std::fputs("posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu", table);

    EntropyRange range;
    std::vector<TrackSite> trackSites;
    std::vector<TrackSite>* sites = tracks && files.sites ? &trackSites : nullptr;
    std::int64_t upperSites = 0, lowerSites = 0;
    // The records of a strand come back in parts by position, each holding
    // whole sites, in increasing order of position.
    const auto reportStrand = [&](RecordSpill<SiteRecord>& spill, const StrandReport& strand,
                                  std::string_view memoryMessage, std::int64_t& occupied) {
        return spill.readBackInParts(memoryMessage, kReportPartRecords,
                                     [](const SiteRecord& r) { return r.value; },
                                     [&](std::vector<SiteRecord>& records) {
                                         occupied += reportSites(context, strand, genome.length, sizes,
                                                              records, table, range, sites);
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
    if (sites) writeTracks(*tracks, sizes, files, trackSites, head);
    return files.results.commit();
}

}  // namespace ruz::replaced_end
