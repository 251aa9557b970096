// fReadsOutOfSeq: the coded reads that occur nowhere in the genome.
//
// Parameters: diRes (result directory), pthReads (coded reads: one read a
// line, one byte 0..3 a base), pthGnm (coded genome), rMinSz, rMaxSz.
// A read of rMinSz..rMaxSz bases that occurs neither on the upper strand nor
// as its reverse complement (the genome taken as circular) is out of the
// genome; reads shorter than 16 bases have no index key and are always out.
// Outputs, in the result directory:
//   <reads>_Out.bin              the reads out of the genome, byte for byte as
//                                they stood, each followed by byte 10, in input order
//   <reads>_Out<genome>.fa       with tracks: the same reads as FASTA, each
//                                titled by its line number in the reads file
//   <reads>_Out<genome>_Log.txt  the reads read and the reads written
#include <string>

#include "core/files.h"
#include "core/report_text.h"
#include "core/settings.h"
#include "core/tracks.h"
#include "mapping/exact_occurrence.h"

namespace ruz {

namespace {

using namespace out_of_genome;

// A coded read is every byte of its line before the line feed; within the
// bounds it is searched as it stands.
Judgement judgeCodedRead(SizeBounds bounds, std::size_t length) {
    return {bounds.contain(length) ? Verdict::ToSearch : Verdict::OutOfBounds, length};
}

std::string logText(const ArgumentSettings& s, const SiftCounts& counts) {
    const std::string scope = boundsText(s.rMinSz, s.rMaxSz, ',');
    std::string text = "program= Ruzovizu::fReadsOutOfSeq\ngenome= " + s.genomePath;
    appendField(text, "\ninput reads= ", counts.input);
    text.append("\nread size scope=").append(scope);
    appendField(text, "\nresult:\nreads nout of genome= ", counts.outOfGenome);
    text.append("\nOutOfSeq reads size by user =").append(scope);
    return text;
}

constexpr ParamSpec kParameters[] = {
    kResultDirectory,
    kCodedReads,
    kCodedGenome,
    {"rMinSz", ParamType::Int, "smallest read size (below 16: always out)", "16", kNotNegative},
    {"rMaxSz", ParamType::Int, "largest read size (a line holds 5119)", "100", {}},
    kTracksParameter,
    kThreadsParameter,
    kSeqNameParameter,
};

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/{pthReads:base}_Out.bin", true},
    {"{diRes}/{pthReads:base}_Out{pthGnm:base}_Log.txt", false},
    {"{diRes}/{pthReads:base}_Out{pthGnm:base}.fa", false},
};

std::string outputPath(const ArgumentSettings& s) { return s.resultDirectory + baseName(s.readsPath) + "_Out.bin"; }

// A coded line is judged by its length alone.
struct CodedJudge {
    SizeBounds bounds;
    Judgement operator()(const char*, std::size_t length) const { return judgeCodedRead(bounds, length); }
};

CodedJudge judgeFor(SizeBounds bounds) { return {bounds}; }

RunOutcome run(RunContext& context, const Parameters& parameters) {
    return runSift(context, parameters, SiftAnalysis<CodedJudge>{outputPath, GenomeCheck::Coded, judgeFor, logText});
}

}  // namespace

RUZ_ANALYSIS(kReadsOutOfSeq) = {"fReadsOutOfSeq", run, "write the coded reads that occur nowhere in the genome",
                                ReadsForm::Codes, kParameters, kOutputs};

}  // namespace ruz
