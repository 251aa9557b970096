// fPrepGenome: one record of a FASTA file (plain or gzip) to the genome files
// the analyses read.
//
// Parameters: pthFasta (FASTA or FASTA.gz), seqName (the record's name, the
// header's text up to its first blank; blank: the first record), diRes
// (result directory), outName (blank: the FASTA file's name, followed by
// "_" and seqName when one is named), outForm (letter, coded or both;
// blank: both), nonAcgt (refuse, or the base A, C, G or T that replaces
// every other letter; blank: refuse).
// Outputs, in the result directory:
//   <stem>.txt  letter genome: the record's bases in capitals, nothing else
//   <stem>.bin  coded genome: one byte 0..3 a base
// The sequence lines of the record are joined. Letters other than A, C, G,
// T (N runs, IUPAC codes) are refused with their count and first positions,
// or replaced by the base named in nonAcgt with their count reported; they
// are never dropped, since dropping one would shift every later position.
// Symbols that are not letters are always refused.
#include <string>

#include "core/files.h"
#include "core/params.h"
#include "prep_analyses.h"
#include "prep_common.h"
#include "sequence_reader.h"

namespace ruz {

namespace {

using namespace prep;

struct GenomeSettings {
    std::string fastaPath;
    std::string seqName;  // empty: the first record
    OutputForms forms;
    char replacement = 0;  // 0: letters other than bases are refused
    std::string letterPath;
    std::string codedPath;
};

// nonAcgt: "refuse" (or blank), or one base letter in either case.
std::optional<char> replacementBase(Console& console, std::string_view value) {
    if (isBlank(value) || value == "refuse") return char{0};
    if (value.size() == 1 && nucleotideCode[static_cast<unsigned char>(value[0])] != kNotNucleotide)
        return upperCase(value[0]);
    console.fail("\nparameter nonAcgt = \"", value,
                 "\": write refuse, or the base (A, C, G or T) that replaces other letters");
    return std::nullopt;
}

std::optional<GenomeSettings> readSettings(Console& console, ParameterTable& table) {
    GenomeSettings s;
    s.fastaPath = table.lookup("pthFasta");
    const std::string& seqName = table.lookup("seqName");
    if (!isBlank(seqName)) s.seqName = seqName;
    const auto forms = outputForms(console, table.lookup("outForm"));
    if (!forms) return std::nullopt;
    s.forms = *forms;
    const auto replacement = replacementBase(console, table.lookup("nonAcgt"));
    if (!replacement) return std::nullopt;
    s.replacement = *replacement;
    const auto prefix = resultPrefix(console, table.lookup("diRes"));
    if (!prefix) return std::nullopt;
    std::string derived = inputStem(s.fastaPath);
    if (!s.seqName.empty()) derived.append("_").append(fileNamePart(s.seqName));
    const auto stem = outputStem(console, table.lookup("outName"), derived);
    if (!stem) return std::nullopt;
    if (s.forms.letter) s.letterPath = *prefix + *stem + ".txt";
    if (s.forms.coded) s.codedPath = *prefix + *stem + ".bin";
    return s;
}

void echo(Console& console, const GenomeSettings& s) {
    console.say("procedure  fPrepGenome", "\nFASTA         ", s.fastaPath, "\nrecord        ",
                s.seqName.empty() ? "the first" : s.seqName, "\nletter genome ",
                s.forms.letter ? s.letterPath : "not written", "\ncoded genome  ",
                s.forms.coded ? s.codedPath : "not written", "\nother letters ");
    if (s.replacement)
        console.say("replaced by ", s.replacement);
    else
        console.say("refused");
}

std::string recordLabel(const SequenceReader& reader) {
    std::string label = reader.path() + ", record " + std::to_string(reader.recordCount());
    if (!reader.name().empty()) label.append(" (").append(reader.name()).append(")");
    return label;
}

// Reads up to the record asked for. False after a message: the file is
// malformed, holds FASTQ, or has no record of that name.
bool findRecord(Console& console, SequenceReader& reader, const std::string& seqName) {
    for (;;) {
        const auto status = reader.next();
        if (status == SequenceReader::Status::Failed) return reader.reportEnd(console);
        if (status == SequenceReader::Status::End) {
            console.fail("\n", reader.path(), ": no record is named ", seqName, " (",
                         reader.recordCount(), reader.recordCount() == 1 ? " record" : " records",
                         " read)");
            return false;
        }
        if (reader.format() == SequenceFormat::Fastq) {
            console.fail("\n", reader.path(), " is a FASTQ file: a genome comes as FASTA");
            return false;
        }
        if (seqName.empty() || reader.name() == seqName) return true;
    }
}

// Checks the record's symbols and replaces other letters where asked.
// Returns the number replaced, or nothing after a message.
std::optional<std::int64_t> checkBases(Console& console, const SequenceReader& reader,
                                       std::span<char> bases, char replacement) {
    if (bases.empty()) {
        console.fail("\n", recordLabel(reader), ": the record holds no bases");
        return std::nullopt;
    }
    const SymbolSurvey survey = surveySymbols(bases);
    if (survey.count == 0) return 0;
    if (!replacement) {
        console.fail("\n", recordLabel(reader), ": ", survey.describe(),
                     "; set nonAcgt to the base that replaces the letters among them");
        return std::nullopt;
    }
    if (survey.letters < survey.count) {
        console.fail("\n", recordLabel(reader), ": ", survey.describe(),
                     "; only letters are replaced, other symbols are refused");
        return std::nullopt;
    }
    replaceNonBaseLetters(bases, replacement);
    return survey.count;
}

}  // namespace

bool fPrepGenome(RunContext& context, const std::string& parameterFile) {
    Console& console = context.console;
    auto table = loadParameters(console, parameterFile, kPrepGenomeParameters);
    if (!table) return false;
    const auto settings = readSettings(console, *table);
    if (!settings) return false;
    const GenomeSettings& s = *settings;

    echo(console, s);
    console.waitKey();
    console.say("\nexecuting...");

    auto reader = prep::SequenceReader::open(console, s.fastaPath);
    if (!reader) return false;
    // The letter and the coded genome form one result set: both land, or
    // neither does.
    ResultSet results({s.fastaPath, parameterFile});
    ResultFile* letterFile = nullptr;
    ResultFile* codedFile = nullptr;
    if (s.forms.letter) {
        letterFile = results.create(console, s.letterPath);
        if (!letterFile) return false;
    }
    if (s.forms.coded) {
        codedFile = results.create(console, s.codedPath);
        if (!codedFile) return false;
    }

    if (!findRecord(console, *reader, s.seqName)) return false;
    const std::span<char> bases = reader->sequence();
    const auto replaced = checkBases(console, *reader, bases, s.replacement);
    if (!replaced) return false;

    // Capitals first, then codes over the same bytes: one copy of the genome.
    toCapitals(bases);
    if (letterFile) std::fwrite(bases.data(), 1, bases.size(), letterFile->get());
    if (codedFile) {
        toCodes(bases);
        std::fwrite(bases.data(), 1, bases.size(), codedFile->get());
    }
    if (!results.commit(console)) return false;

    console.say("\n", recordLabel(*reader), ": ", bases.size(), " bases");
    if (*replaced > 0)
        console.say("\n", *replaced, *replaced == 1 ? " letter" : " letters",
                    " other than A, C, G, T replaced by ", s.replacement);
    if (letterFile) console.say("\nletter genome: ", s.letterPath);
    if (codedFile) console.say("\ncoded genome: ", s.codedPath);
    return true;
}

}  // namespace ruz
