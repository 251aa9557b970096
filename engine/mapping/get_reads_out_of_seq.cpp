// fGetReadsThatOutOfSeq: the letter reads that occur nowhere in the genome,
// written in coded form.
//
// Parameters: diRes (result directory), pthReads (letter reads: one read a
// line, LF or CR LF), pthGnm (letter genome: A, C, G, T in either case, no
// header, no line breaks), rMinSz, rMaxSz.
// A read of rMinSz..rMaxSz letters (a CR before the line feed not counted)
// that holds another letter is defective; the others are tested as in
// fReadsOutOfSeq: found on neither strand (reads shorter than 16 bases
// always), they are out of the genome.
// Outputs, in the result directory:
//   <reads>_Out<genome>.txt      the reads out of the genome as codes (one
//                                byte 0..3 a base) each followed by byte 10,
//                                in input order: a coded reads file
//   <reads>_Out<genome>.fa       with tracks: the same reads as FASTA, each
//                                titled by its line number in the reads file
//   <reads>_Out<genome>_Log.txt  the reads read, the defective reads, the
//                                bounds and the reads written
#include <string>

#include "core/files.h"
#include "core/read_codes.h"
#include "core/report_text.h"
#include "core/settings.h"
#include "core/tracks.h"
#include "mapping/exact_occurrence.h"

namespace ruz {

namespace {

using namespace out_of_genome;

// A letter read loses one CR before its line feed; within the bounds it is
// converted to codes in place, up to its first byte that is not a base (a
// defective read), and searched as codes.
Judgement judgeLetterRead(SizeBounds bounds, char* line, std::size_t rawLength) {
    const std::size_t length = lengthWithoutCr(line, rawLength);
    if (!bounds.contain(length)) return {Verdict::OutOfBounds, length};
    if (!lettersToCodesInPlace(line, length)) return {Verdict::Defective, length};
    return {Verdict::ToSearch, length};
}

std::string logText(const ArgumentSettings& s, const SiftCounts& counts) {
    std::string text = "program= Ruzovizu::fGetReadsThatOutOfSeq\ngenome= " + s.genomePath;
    appendField(text, "\ninput reads= ", counts.input);
    appendField(text, "\ndfective= ", counts.defective);
    text += "\nread size scope (parameters by user)=" + boundsText(s.rMinSz, s.rMaxSz, ',');
    appendField(text, "\nresult:\nreads out of genome= ", counts.outOfGenome);
    return text;
}

constexpr ParamSpec kParameters[] = {
    kResultDirectory,
    kLetterReadsCrLf,
    kLetterGenome,
    {"rMinSz", ParamType::Int, "smallest read size (below 16: always out)", "16", kNotNegative},
    {"rMaxSz", ParamType::Int, "largest read size (a line holds 5119)", "100", {}},
    kTracksParameter,
    kThreadsParameter,
    kSeqNameParameter,
};

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/{pthReads:base}_Out{pthGnm:base}.txt", true},
    {"{diRes}/{pthReads:base}_Out{pthGnm:base}_Log.txt", false},
    {"{diRes}/{pthReads:base}_Out{pthGnm:base}.fa", false},
};

std::string outputPath(const ArgumentSettings& s) {
    return s.resultDirectory + baseName(s.readsPath) + "_Out" + baseName(s.genomePath) + ".txt";
}

// A letter line is judged and coded in place.
struct LetterJudge {
    SizeBounds bounds;
    Judgement operator()(char* line, std::size_t rawLength) const { return judgeLetterRead(bounds, line, rawLength); }
};

LetterJudge judgeFor(SizeBounds bounds) { return {bounds}; }

RunOutcome run(RunContext& context, const Parameters& parameters) {
    return runSift(context, parameters, SiftAnalysis<LetterJudge>{outputPath, GenomeCheck::KindA, judgeFor, logText});
}

}  // namespace

RUZ_ANALYSIS(kGetReadsThatOutOfSeq) = {"fGetReadsThatOutOfSeq", run,
                                       "write the letter reads that occur nowhere in the genome",
                                       ReadsForm::Letters, kParameters, kOutputs};

}  // namespace ruz
