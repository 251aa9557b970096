// RandExt: reads whose end was replaced, for one setting of the sizes.
//
// Parameters: diRes (result directory), pthGnm (letter genome), pthReads
// (letter reads, one per line, LF or CR LF), experimentId ("blank" names the
// outputs after the reads file), immutSz, mutTipSz, misNu.
// Outputs, in the result directory:
//   <stem>.txt     posInSq, readsAtPos, entropy, strand, read's text, tipNu:
//                  one row per distinct tip of every site holding two or
//                  more reads; upper sites by rising position, then lower
//                  sites reported at L - p + 1 (falling)
//   <stem>Log.txt  the counts of the scan and the entropy statistics
//   with tracks: <stem>.bed (the sites), <stem>EntropyUp.bedGraph and
//   <stem>EntropyLw.bedGraph (the entropy of the sites of each strand)
// where <stem> is experimentId_immutSz!mutTipSz!misNu! or, for "blank",
// RnaCut_<reads base name>_immutSz!mutTipSz!misNu!.
#include <optional>
#include <string>

#include "core/files.h"
#include "core/params.h"
#include "replaced_end.h"

namespace ruz {

namespace {

using namespace replaced_end;

constexpr ParamSpec kParameters[] = {
    kLetterGenome,
    kLetterReads,
    kResultDirectory,
    {"experimentId", ParamType::Str, "experiment name (blank: the reads file's)", "blank", {}},
    kImmutSz,
    kMutTipSz,
    kMisNu,
    kTracksParameter,
    kThreadsParameter,
    kSeqNameParameter,
};

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/{experimentId}_{immutSz}!{mutTipSz}!{misNu}!.txt", true},
    {"{diRes}/{experimentId}_{immutSz}!{mutTipSz}!{misNu}!Log.txt", false},
    {"{diRes}/{experimentId}_{immutSz}!{mutTipSz}!{misNu}!.bed", false},
    {"{diRes}/{experimentId}_{immutSz}!{mutTipSz}!{misNu}!EntropyUp.bedGraph", false},
    {"{diRes}/{experimentId}_{immutSz}!{mutTipSz}!{misNu}!EntropyLw.bedGraph", false},
};

struct RandExtParameters {
    std::string resultPrefix;
    std::string genomePath;
    std::string readsPath;
    std::string experimentId;
    SizeTexts texts;
};

RandExtParameters readParameters(const Parameters& parameters) {
    RandExtParameters p;
    p.genomePath = parameters.text("pthGnm");
    p.readsPath = parameters.text("pthReads");
    p.experimentId = parameters.text("experimentId");
    p.texts = {parameters.text("immutSz"), parameters.text("mutTipSz"), parameters.text("misNu")};
    if (p.experimentId != "blank" && !p.experimentId.empty())
        p.experimentId = replaceDots(p.experimentId);
    return p;
}

void echo(Console& console, const RandExtParameters& p, const Sizes& sizes) {
    console.say("procedure  ", "RandExt", "\ngenome        ", p.genomePath, "\nreads         ",
                p.readsPath, "\n", "\nimmutable Sz  =", sizes.immutSz, "\n  mutable Sz  =",
                p.texts.mutTipSz, "\nmismatches    =", p.texts.misNu, "\naimed reads Sz=",
                sizes.readSize(), "\nexperimentId=", p.experimentId);
}

std::string stemOf(const RandExtParameters& p) {
    if (p.experimentId == "blank")
        return resultStem(p.resultPrefix, "RnaCut_" + baseName(p.readsPath), p.texts);
    return resultStem(p.resultPrefix, p.experimentId, p.texts);
}

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    RandExtParameters p = readParameters(parameters);
    const auto sizes = convertSizes(console, p.texts);
    if (!sizes) return sizes.failure();
    const auto prefix = resultPrefix(parameters.text("diRes"));
    if (!prefix) return prefix.failure();
    p.resultPrefix = *prefix;
    const auto trackWish = trackRequest(context, parameters);
    if (!trackWish) return trackWish.failure();

    echo(console, p, *sizes);
    console.waitKey();
    console.say("\nexecuting...");

    auto files = RunFiles::create(p.resultPrefix, stemOf(p), {p.genomePath, p.readsPath, parameters.path()},
                                  trackWish->has_value());
    if (!files) return files.failure();
    auto genome = loadIndexedGenome(p.genomePath, sizes->readSize() - 1, context.threads);
    if (!genome) return genome.failure();

    Task task[] = {{*sizes, &*files, {}}};
    const auto scan = scanReads(context, p.readsPath, **genome, task);
    if (!scan) return scan.failure();
    const Counters& counters = task[0].counters;
    if (counters.fellIntoGenome == 0) return failure("\nno detected reads");
    // The scan's memory goes before the report: only the strands stay.
    context.buff.releaseLine();
    (*genome)->index.reset();
    console.say("\nsaving the result");

    std::optional<ReportTracks> tracks;
    if (*trackWish)
        tracks = ReportTracks{trackSequence(console, **trackWish, p.genomePath, (*genome)->genome.length),
                              "RandExt"};
    const auto written = writeReport(context, (*genome)->genome, *sizes, counters, *files,
                                     {"Ruzovizu::fCutRnaWithReplacedEnd", p.genomePath, p.readsPath},
                                     tracks ? &*tracks : nullptr);
    context.buff.releaseText();
    if (!written) return written.failure();
    return *scan == ScanEnd::Complete ? RunEnd::Complete : RunEnd::Stopped;
}

}  // namespace

RUZ_ANALYSIS(kRandExt) = {"RandExt", run,
                          "find reads whose end was replaced, with the entropy of the tips per site",
                          ReadsForm::Letters, kParameters, kOutputs};

}  // namespace ruz
