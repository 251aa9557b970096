// fMatchReadsT_VarSzPartedRate: genome positions rated by the number of
// reads files in which a parted read (see fMatchReadsT_VarSzParted) starts
// its tail there.
//
// Parameters: diRes (result directory), diReads (directory of the listed
// reads files), pthList (list file: one reads file name a line, LF or CR LF;
// empty lines are skipped), pthGnm (coded genome), rMinSz and rMaxSz.
// Output: <diRes>/_RatingLog.txt: a head naming the inputs, then one line
// "position<TAB>rating" for every rated position, in rising order.
// With tracks: <diRes>/_Rating.bedGraph, the rating of base p as the
// interval [p - 1, p), runs of one rating over adjacent bases joined.
// A tail that starts before the genome's first base wraps round to its end,
// as the parted search does.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/report_text.h"
#include "core/files.h"
#include "core/parallel.h"
#include "core/reads.h"
#include "core/settings.h"
#include "core/tracks.h"
#include "rna/parted_rating.h"
#include "rna/parted_search.h"

namespace ruz {

namespace {

using namespace parted;
using namespace parted_rating;

enum class FileEnd {
    Read,  // read to its end
    Cut,   // a long line or a read error stopped the reading (reported)
};

Outcome<FileEnd> rateReadsFile(RunContext& context, const std::string& path, const ArgumentSettings& s,
                               const PartedSearch& search, Ratings& ratings) {
    Console& console = context.console;
    auto reads = ReadsFile::open(path);
    if (!reads) return reads.failure();
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

Outcome<ListEnd> rateListedFiles(RunContext& context, const ArgumentSettings& s, const std::string& logPath,
                                 const PartedSearch& search, Ratings& ratings) {
    Console& console = context.console;
    auto list = ReadsFile::open(s.listPath);
    if (!list) return list.failure();
    std::vector<char> line(kLineLimit);
    std::size_t length = 0;
    std::int64_t fileNumber = 0;
    while (list->next(line, length)) {
        const std::string name(line.data(), lengthWithoutCr(line.data(), length));
        if (name.empty()) continue;
        if (name.find('\0') != std::string::npos)
            return failure("\nline ", list->inputCount(), " of ", s.listPath, " holds a NUL byte");
        console.say("\n", ++fileNumber);
        const std::string path = s.readsDirectory + name;
        if (sameFile(path, logPath)) return failure("\nresult file ", logPath, " is an input of this run");
        const auto end = rateReadsFile(context, path, s, search, ratings);
        if (!end) return end.failure();
        if (*end == FileEnd::Cut) return ListEnd::Cut;
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

void writeTrack(std::FILE* file, const TrackSequence& sequence, const ArgumentSettings& s,
                const Ratings& ratings) {
    TrackText out(file, sequence);
    const std::string list = baseName(s.listPath);
    out.line(trackHeader("bedGraph", "fMatchReadsT_VarSzPartedRate rating " + list,
                         sizedReadsDescription("fMatchReadsT_VarSzPartedRate", s.listPath, s.genomePath, s.rMinSz,
                                               s.rMaxSz)));
    BedGraphRuns runs(out);
    std::string value;
    for (const RatedPosition& r : ratings.rated()) {
        value.clear();
        appendNumber(value, r.rating);
        runs.add(r.position - 1, value);
    }
}

constexpr ParamSpec kParameters[] = {
    kResultDirectory,
    {"diReads", ParamType::Dir, "directory of the listed reads files", "?", {}},
    {"pthList", ParamType::File, "list file: one reads file name a line (LF or CR LF)", "?", {}},
    kCodedGenome,
    {"rMinSz", ParamType::Int, "smallest read size analysed (16 or more to be parted)", "20", kNotNegative},
    {"rMaxSz", ParamType::Int, "largest read size analysed", "100", {}},
    kTracksParameter,
    kThreadsParameter,
    kSeqNameParameter,
};

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/_RatingLog.txt", true},
    {"{diRes}/_Rating.bedGraph", false},
};

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    const auto settings = readArgumentSettings(console, parameters);
    if (!settings) return settings.failure();
    const ArgumentSettings& s = *settings;
    // An empty diReads would put the listed names under the file system's root.
    if (s.readsDirectory.size() == 1) return failure("\nparameter diReads is empty: no directory of reads is given");
    const auto trackWish = trackRequest(context, parameters);
    if (!trackWish) return trackWish.failure();
    const std::string logPath = s.resultDirectory + "_RatingLog.txt";
    ResultSet results({s.genomePath, s.listPath, s.parameterFile});
    auto log = results.create(logPath);
    if (!log) return log.failure();
    ResultFile* track = nullptr;
    if (*trackWish) {
        auto created = results.create(s.resultDirectory + "_Rating.bedGraph");
        if (!created) return created.failure();
        track = *created;
    }
    auto genome = parted::loadKeyedGenome(s.genomePath, GenomeCheck::Coded, s.rMaxSz, context.threads);
    if (!genome) return genome.failure();
    const std::int64_t genomeLength = (*genome)->genome.length;

    Ratings ratings((*genome)->genome.length);
    const auto end = rateListedFiles(context, s, logPath,
                                     PartedSearch((*genome)->genome.upper, *(*genome)->index), ratings);
    if (!end) return end.failure();
    genome->reset();
    writeLog((*log)->get(), s, ratings);
    if (track) writeTrack(track->get(), trackSequence(console, **trackWish, s.genomePath, genomeLength), s, ratings);
    if (auto committed = results.commit(); !committed) return committed.failure();
    return *end == ListEnd::Complete ? RunEnd::Complete : RunEnd::Stopped;
}

}  // namespace

RUZ_ANALYSIS(kMatchReadsT_VarSzPartedRate) = {"fMatchReadsT_VarSzPartedRate", run,
                                              "rate the parted positions over a list of reads files",
                                              ReadsForm::Codes, kParameters, kOutputs};

}  // namespace ruz
