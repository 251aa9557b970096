// fMatchReadsT_VarSzPartedRate: genome positions rated by the number of
// reads files in which a parted read (see fMatchReadsT_VarSzParted) starts
// its tail there.
//
// Parameters: diRes (result directory), diReads (directory of the listed
// reads files), pthList (list file: one reads file name a line, LF or CR LF;
// empty lines are skipped), pthGnm (coded genome), rMinSz and rMaxSz.
// Output: <diRes>/_RatingLog.txt: a head naming the inputs, then one line
// "position<TAB>rating" for every rated position, in rising order.
// A tail that starts before the genome's first base wraps round to its end,
// as the parted search does.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/parallel.h"
#include "core/reads.h"
#include "core/settings.h"
#include "rna/parted_rating.h"
#include "rna/parted_search.h"
#include "rna/rna_analyses.h"

namespace ruz {

namespace {

using parted::appendNumber;
using parted::BatchPlacements;
using parted::PartedPlacements;
using parted::PartedSearch;
using parted::SegmentRecord;
using parted_rating::ListEnd;
using parted_rating::RatedPosition;
using parted_rating::Ratings;

enum class FileEnd {
    Read,    // read to its end
    Cut,     // a long line or a read error stopped the reading (reported)
    Failed,  // could not be opened
};

FileEnd rateReadsFile(RunContext& context, const std::string& path, const ArgumentSettings& s,
                      const PartedSearch& search, Ratings& ratings) {
    Console& console = context.console;
    auto reads = ReadsFile::open(console, path);
    if (!reads) return FileEnd::Failed;
    console.say("\nseaching parted reads");
    // The reads of a batch are searched on the run's threads; their tail
    // starts are rated batch after batch in the file's order.
    scanBatches<BatchPlacements>(
        context, *reads, "rating parted reads",
        [&](ReadBatch& batch, BatchPlacements& out) {
            out.clear(batch.size());
            for (std::size_t i = 0; i < batch.size(); ++i) {
                const std::size_t n = batch.length(i);
                if (n >= static_cast<std::size_t>(s.rMinSz) && n <= static_cast<std::size_t>(s.rMaxSz)) {
                    search.search(reinterpret_cast<const std::uint8_t*>(batch.line(i)), n, out.scratch);
                    out.add(out.scratch);
                }
                out.endRead(i);
            }
        },
        [&](ReadBatch&, BatchPlacements& out) {
            // Upper and lower starts rate alike, read by read or all at once.
            for (const SegmentRecord& r : out.upper) ratings.add(r.start);
            for (const SegmentRecord& r : out.lower) ratings.add(r.start);
            return true;
        });
    ratings.endFile();
    return reads->reportEnd(console) ? FileEnd::Read : FileEnd::Cut;
}

}  // namespace

namespace parted_rating {

ListEnd rateListedFiles(RunContext& context, const ArgumentSettings& s, const std::string& logPath,
                        const PartedSearch& search, Ratings& ratings) {
    Console& console = context.console;
    auto list = ReadsFile::open(console, s.listPath);
    if (!list) return ListEnd::Failed;
    std::vector<char> line(kLineLimit);
    std::size_t length = 0;
    std::int64_t fileNumber = 0;
    while (list->next(line, length)) {
        const std::string name(line.data(), lengthWithoutCr(line.data(), length));
        if (name.empty()) continue;
        if (name.find('\0') != std::string::npos) {
            console.fail("\nline ", list->inputCount(), " of ", s.listPath, " holds a NUL byte");
            return ListEnd::Failed;
        }
        console.say("\n", ++fileNumber);
        const std::string path = s.readsDirectory + name;
        if (sameFile(path, logPath)) {
            console.fail("\nresult file ", logPath, " is an input of this run");
            return ListEnd::Failed;
        }
        const FileEnd end = rateReadsFile(context, path, s, search, ratings);
        if (end == FileEnd::Failed) return ListEnd::Failed;
        if (end == FileEnd::Cut) return ListEnd::Cut;
    }
    return list->reportEnd(console) ? ListEnd::Complete : ListEnd::Cut;
}

}  // namespace parted_rating

namespace {

void writeLog(std::FILE* log, const ArgumentSettings& s, const Ratings& ratings) {
    std::string text = "program= fMatchReadsT_VarSzParted1Rate\ndir of reads= " + s.readsDirectory +
                       "\ngenome= " + s.genomePath + "\n\npos\trating";
    std::fwrite(text.data(), 1, text.size(), log);
    for (const RatedPosition& r : ratings.rated()) {
        text.assign(1, '\n');
        appendNumber(text, r.position);
        text += '\t';
        appendNumber(text, r.rating);
        std::fwrite(text.data(), 1, text.size(), log);
    }
}

}  // namespace

bool fMatchReadsT_VarSzPartedRate(RunContext& context, const std::string& parameterFile) {
    Console& console = context.console;
    const auto settings = loadArgumentSettings(console, parameterFile, kPartedRateParameters);
    if (!settings) return false;
    const ArgumentSettings& s = *settings;
    // An empty diReads would put the listed names under the file system's root.
    if (s.readsDirectory.size() == 1) {
        console.fail("\nparameter diReads is empty: no directory of reads is given");
        return false;
    }
    const std::string logPath = s.resultDirectory + "_RatingLog.txt";
    ResultSet results({s.genomePath, s.listPath, parameterFile});
    ResultFile* log = results.create(console, logPath);
    if (!log) return false;
    auto genome =
        parted::loadKeyedGenome(console, s.genomePath, GenomeCheck::Coded, s.rMaxSz, context.threads);
    if (!genome) return false;

    Ratings ratings(genome->genome.length);
    const ListEnd end = rateListedFiles(
        context, s, logPath, PartedSearch(genome->genome.upper, *genome->index), ratings);
    if (end == ListEnd::Failed) return false;
    genome.reset();
    writeLog(log->get(), s, ratings);
    return results.commit(console) && end == ListEnd::Complete;
}

}  // namespace ruz
