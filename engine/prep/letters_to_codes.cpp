// fLettersToCodes: a letter genome or letter reads file to its coded form,
// one byte 0..3 a base (A = 0, C = 1, G = 2, T = 3).
//
// Parameters: pthLetters (the letter file), fileKind (genome or reads), diRes
// (result directory), outName (blank: the input's name without its
// extension).
// Output, in the result directory: <stem>.bin.
//   genome: the bases in the same order; a file holding any byte other than
//           A, C, G, T in either case (N, a header, a line break) is refused
//           with the count and the first positions of those bytes.
//   reads:  one coded read a line, each ended by byte 10, in the input's
//           order; lines may end in LF or CR LF. A read holding another
//           symbol than A, C, G, T cannot be coded: it is left out and
//           counted. An empty line stays an empty read.
#include <limits>
#include <string>
#include <vector>

#include "core/coded_output.h"
#include "core/files.h"
#include "core/params.h"
#include "core/read_codes.h"
#include "core/reads.h"
#include "prep_common.h"

namespace ruz {

namespace {

using namespace prep;

enum class FileKind { Genome, Reads };

struct CodingSettings {
    std::string inputPath;
    FileKind kind = FileKind::Genome;
    std::string codedPath;
};

Outcome<CodingSettings> readSettings(const Parameters& parameters) {
    CodingSettings s;
    s.inputPath = parameters.text("pthLetters");
    const std::string& kind = parameters.text("fileKind");
    if (kind == "genome") {
        s.kind = FileKind::Genome;
    } else if (kind == "reads") {
        s.kind = FileKind::Reads;
    } else {
        return failure("\nparameter fileKind = \"", kind, "\": write genome or reads");
    }
    const auto prefix = resultPrefix(parameters.text("diRes"));
    if (!prefix) return prefix.failure();
    const auto stem = outputStem(parameters.text("outName"), inputStem(s.inputPath));
    if (!stem) return stem.failure();
    s.codedPath = *prefix + *stem + ".bin";
    return s;
}

// The whole letter genome file, checked.
Outcome<std::vector<char>> readLetterGenome(const std::string& path) {
    auto file = openFile(path, "rb");
    if (!file) return file.failure();
    const std::int64_t size = fileSize(path);
    if (size == 0) return failure("\ngenome: empty file ", path);
    if (size < 0 || size > std::numeric_limits<std::int32_t>::max())
        return failure("\ngenome: files of 2 GiB or more are not supported: ", path);
    std::vector<char> bases(static_cast<std::size_t>(size));
    if (std::fread(bases.data(), 1, bases.size(), file->get()) != bases.size())
        return failure("\ngenome: can't read ", path);
    const SymbolSurvey survey = surveySymbols(bases);
    if (survey.count > 0)
        return failure("\n", path, ": ", survey.describe(),
                       "; a letter genome file holds A, C, G, T only (fPrepGenome reads FASTA)");
    return bases;
}

RunOutcome codeGenome(Console& console, const CodingSettings& s, ResultFile& out) {
    auto bases = readLetterGenome(s.inputPath);
    if (!bases) return bases.failure();
    toCodes(*bases);
    std::fwrite(bases->data(), 1, bases->size(), out.get());
    if (auto committed = out.commit(); !committed) return committed.failure();
    console.say("\ngenome: ", bases->size(), " bases", "\ncoded genome: ", s.codedPath);
    return RunEnd::Complete;
}

// A reading cut by an over-long line has said so; nothing is written then.
RunOutcome codeReads(RunContext& context, const CodingSettings& s, ResultFile& out) {
    Console& console = context.console;
    auto reads = ReadsFile::open(s.inputPath);
    if (!reads) return reads.failure();
    std::int64_t written = 0;
    {
        BlockWriter writer(out.get());
        std::vector<char>& line = context.buff.line;
        auto* codes = reinterpret_cast<std::uint8_t*>(context.buff.text.data());
        std::size_t length = 0;
        while (reads->next(line, length)) {
            const std::size_t n = lengthWithoutCr(line.data(), length);
            if (!lettersToCodes(line.data(), n, codes)) continue;
            writeCodedRead(writer, codes, n);
            ++written;
        }
        writer.flush();
    }
    if (!reads->reportEnd(console)) return RunEnd::Stopped;
    if (auto committed = out.commit(); !committed) return committed.failure();
    const std::int64_t input = reads->inputCount();
    console.say("\nreads: input=", input, ", written=", written,
                ", with other symbols than A, C, G, T (left out)=", input - written, "\ncoded reads: ", s.codedPath);
    return RunEnd::Complete;
}

constexpr ParamSpec kParameters[] = {
    {"pthLetters", ParamType::File, "letter genome or letter reads file", "?", {}},
    {"fileKind", ParamType::Str, "kind of file: genome or reads", "genome", {}},
    kResultDirectory,
    {"outName", ParamType::Str, "output name (blank: the input's name)", "blank", {}},
    kThreadsParameter,
};

constexpr OutputSpec kOutputs[] = {{"{diRes}/{outName}.bin", true}};

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    const auto settings = readSettings(parameters);
    if (!settings) return settings.failure();
    const CodingSettings& s = *settings;

    console.say("procedure  fLettersToCodes", s.kind == FileKind::Genome ? "\nletter genome " : "\nletter reads  ",
                s.inputPath, "\ncoded file    ", s.codedPath);
    console.waitKey();
    console.say("\nexecuting...");

    auto out = ResultFile::create(s.codedPath, {s.inputPath, parameters.path()});
    if (!out) return out.failure();
    return s.kind == FileKind::Genome ? codeGenome(console, s, *out) : codeReads(context, s, *out);
}

}  // namespace

RUZ_ANALYSIS(kLettersToCodes) = {"fLettersToCodes", run,
                                 "write the coded form of a letter genome or letter reads file", ReadsForm::None,
                                 kParameters, kOutputs};

}  // namespace ruz
