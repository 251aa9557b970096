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
// where <stem> is experimentId_immutSz!mutTipSz!misNu! or, for "blank",
// RnaCut_<reads base name>_immutSz!mutTipSz!misNu!.
#include <string>

#include "core/files.h"
#include "core/params.h"
#include "replaced_end.h"
#include "rna_analyses.h"

namespace ruz {

namespace {

using namespace replaced_end;

struct RandExtParameters {
    std::string resultPrefix;
    std::string genomePath;
    std::string readsPath;
    std::string experimentId;
    SizeTexts texts;
};

RandExtParameters readParameters(ParameterTable& table) {
    RandExtParameters p;
    p.genomePath = table.lookup("pthGnm");
    p.readsPath = table.lookup("pthReads");
    p.experimentId = table.lookup("experimentId");
    p.texts = {table.lookup("immutSz"), table.lookup("mutTipSz"), table.lookup("misNu")};
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

}  // namespace

bool RandExt(RunContext& context, const std::string& parameterFile) {
    Console& console = context.console;
    auto table = loadParameters(console, parameterFile, kRandExtParameters);
    if (!table) return false;
    RandExtParameters p = readParameters(*table);
    const auto sizes = convertSizes(console, p.texts);
    if (!sizes) return false;
    const auto prefix = resultPrefix(console, table->lookup("diRes"));
    if (!prefix) return false;
    p.resultPrefix = *prefix;

    echo(console, p, *sizes);
    console.waitKey();
    console.say("\nexecuting...");

    auto files = RunFiles::create(console, p.resultPrefix, stemOf(p),
                                  {p.genomePath, p.readsPath, parameterFile});
    if (!files) return false;
    auto genome = loadIndexedGenome(console, p.genomePath, sizes->readSize() - 1, context.threads);
    if (!genome) return false;

    Task task[] = {{*sizes, &*files, {}}};
    const ScanEnd scan = scanReads(context, p.readsPath, *genome, task);
    if (scan == ScanEnd::Failed) return false;
    const Counters& counters = task[0].counters;
    if (counters.fellIntoGenome == 0) {
        console.fail("\nno detected reads");
        return false;
    }
    // The scan's memory goes before the report: only the strands stay.
    context.buff.releaseLine();
    genome->index.reset();
    console.say("\nsaving the result");

    const bool written =
        writeReport(context, genome->genome, *sizes, counters, *files,
                    {"Ruzovizu::fCutRnaWithReplacedEnd", p.genomePath, p.readsPath});
    context.buff.releaseText();
    return written && scan == ScanEnd::Complete;
}

}  // namespace ruz
