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
#include "prep_analyses.h"
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

std::optional<CodingSettings> readSettings(Console& console, ParameterTable& table) {
    CodingSettings s;
    s.inputPath = table.lookup("pthLetters");
    const std::string& kind = table.lookup("fileKind");
    if (kind == "genome") {
        s.kind = FileKind::Genome;
    } else if (kind == "reads") {
        s.kind = FileKind::Reads;
    } else {
        console.fail("\nparameter fileKind = \"", kind, "\": write genome or reads");
        return std::nullopt;
    }
    const auto prefix = resultPrefix(console, table.lookup("diRes"));
    if (!prefix) return std::nullopt;
    const auto stem = outputStem(console, table.lookup("outName"), inputStem(s.inputPath));
    if (!stem) return std::nullopt;
    s.codedPath = *prefix + *stem + ".bin";
    return s;
}

// The whole letter genome file, checked; nothing after a message.
std::optional<std::vector<char>> readLetterGenome(Console& console, const std::string& path) {
    FilePtr file = openFile(console, path, "rb");
    if (!file) return std::nullopt;
    const std::int64_t size = fileSize(path);
    if (size == 0) {
        console.fail("\ngenome: empty file ", path);
        return std::nullopt;
    }
    if (size < 0 || size > std::numeric_limits<std::int32_t>::max()) {
        console.fail("\ngenome: files of 2 GiB or more are not supported: ", path);
        return std::nullopt;
    }
    std::vector<char> bases(static_cast<std::size_t>(size));
    if (std::fread(bases.data(), 1, bases.size(), file.get()) != bases.size()) {
        console.fail("\ngenome: can't read ", path);
        return std::nullopt;
    }
    const SymbolSurvey survey = surveySymbols(bases);
    if (survey.count > 0) {
        console.fail("\n", path, ": ", survey.describe(),
                     "; a letter genome file holds A, C, G, T only (fPrepGenome reads FASTA)");
        return std::nullopt;
    }
    return bases;
}

bool codeGenome(Console& console, const CodingSettings& s, ResultFile& out) {
    auto bases = readLetterGenome(console, s.inputPath);
    if (!bases) return false;
    toCodes(*bases);
    std::fwrite(bases->data(), 1, bases->size(), out.get());
    if (!out.commit(console)) return false;
    console.say("\ngenome: ", bases->size(), " bases", "\ncoded genome: ", s.codedPath);
    return true;
}

bool codeReads(RunContext& context, const CodingSettings& s, ResultFile& out) {
    Console& console = context.console;
    auto reads = ReadsFile::open(console, s.inputPath);
    if (!reads) return false;
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
    if (!reads->reportEnd(console)) return false;
    if (!out.commit(console)) return false;
    const std::int64_t input = reads->inputCount();
    console.say("\nreads: input=", input, ", written=", written,
                ", with other symbols than A, C, G, T (left out)=", input - written,
                "\ncoded reads: ", s.codedPath);
    return true;
}

}  // namespace

bool fLettersToCodes(RunContext& context, const std::string& parameterFile) {
    Console& console = context.console;
    auto table = loadParameters(console, parameterFile, kLettersToCodesParameters);
    if (!table) return false;
    const auto settings = readSettings(console, *table);
    if (!settings) return false;
    const CodingSettings& s = *settings;

    console.say("procedure  fLettersToCodes",
                s.kind == FileKind::Genome ? "\nletter genome " : "\nletter reads  ", s.inputPath,
                "\ncoded file    ", s.codedPath);
    console.waitKey();
    console.say("\nexecuting...");

    auto out = ResultFile::create(console, s.codedPath, {s.inputPath, parameterFile});
    if (!out) return false;
    return s.kind == FileKind::Genome ? codeGenome(console, s, *out) : codeReads(context, s, *out);
}

}  // namespace ruz
