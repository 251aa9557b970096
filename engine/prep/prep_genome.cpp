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
//   <stem>.chrom.sizes  "name<TAB>length": the record's name and its
//               bases, which the analyses' genome-browser tracks take as
//               the sequence's name (left out for a record without a name
//               that a track can carry)
// The sequence lines of the record are joined. Letters other than A, C, G,
// T (N runs, IUPAC codes) are refused with their count and first positions,
// or replaced by the base named in nonAcgt with their count reported; they
// are never dropped, since dropping one would shift every later position.
// Symbols that are not letters are always refused.
#include <string>

#include "core/files.h"
#include "core/params.h"
#include "core/tracks.h"
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
    std::string sizesPath;
};

// nonAcgt: "refuse" (or blank), or one base letter in either case.
Outcome<char> replacementBase(std::string_view value) {
    if (isBlank(value) || value == "refuse") return char{0};
    if (value.size() == 1 && nucleotideCode[static_cast<unsigned char>(value[0])] != kNotNucleotide)
        return upperCase(value[0]);
    return failure("\nparameter nonAcgt = \"", value,
                   "\": write refuse, or the base (A, C, G or T) that replaces other letters");
}

Outcome<GenomeSettings> readSettings(const Parameters& parameters) {
    GenomeSettings s;
    s.fastaPath = parameters.text("pthFasta");
    const std::string& seqName = parameters.text("seqName");
    if (!isBlank(seqName)) s.seqName = seqName;
    const auto forms = outputForms(parameters.text("outForm"));
    if (!forms) return forms.failure();
    s.forms = *forms;
    const auto replacement = replacementBase(parameters.text("nonAcgt"));
    if (!replacement) return replacement.failure();
    s.replacement = *replacement;
    const auto prefix = resultPrefix(parameters.text("diRes"));
    if (!prefix) return prefix.failure();
    std::string derived = inputStem(s.fastaPath);
    if (!s.seqName.empty()) derived.append("_").append(fileNamePart(s.seqName));
    const auto stem = outputStem(parameters.text("outName"), derived);
    if (!stem) return stem.failure();
    if (s.forms.letter) s.letterPath = *prefix + *stem + ".txt";
    if (s.forms.coded) s.codedPath = *prefix + *stem + ".bin";
    s.sizesPath = *prefix + *stem + ".chrom.sizes";
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

// Reads up to the record asked for. Fails when the file is malformed,
// holds FASTQ, or has no record of that name.
Outcome<void> findRecord(SequenceReader& reader, const std::string& seqName) {
    for (;;) {
        const auto status = reader.next();
        if (status == SequenceReader::Status::Failed) return reader.reportEnd();
        if (status == SequenceReader::Status::End)
            return failure("\n", reader.path(), ": no record is named ", seqName, " (", reader.recordCount(),
                           reader.recordCount() == 1 ? " record" : " records", " read)");
        if (reader.format() == SequenceFormat::Fastq)
            return failure("\n", reader.path(), " is a FASTQ file: a genome comes as FASTA");
        if (seqName.empty() || reader.name() == seqName) return {};
    }
}

// Checks the record's symbols and replaces other letters where asked.
// Returns the number replaced.
Outcome<std::int64_t> checkBases(const SequenceReader& reader, std::span<char> bases, char replacement) {
    if (bases.empty()) return failure("\n", recordLabel(reader), ": the record holds no bases");
    const SymbolSurvey survey = surveySymbols(bases);
    if (survey.count == 0) return 0;
    if (!replacement)
        return failure("\n", recordLabel(reader), ": ", survey.describe(),
                       "; set nonAcgt to the base that replaces the letters among them");
    if (survey.letters < survey.count)
        return failure("\n", recordLabel(reader), ": ", survey.describe(),
                       "; only letters are replaced, other symbols are refused");
    replaceNonBaseLetters(bases, replacement);
    return survey.count;
}

constexpr ParamSpec kParameters[] = {
    {"pthFasta", ParamType::File, "FASTA file of the genome (.fa or .fa.gz)", "?", {}},
    {"seqName", ParamType::Str, "record name (blank: the first record)", "blank", {}},
    kResultDirectory,
    {"outName", ParamType::Str, "output name (blank: the FASTA file's name)", "blank", {}},
    {"outForm", ParamType::Str, "files written: letter, coded or both", "both", {}},
    {"nonAcgt", ParamType::Str, "other letters (N...): refuse, or the base A/C/G/T put instead", "refuse", {}},
    kThreadsParameter,
};

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/{outName}.txt", true},
    {"{diRes}/{outName}.bin", false},
    {"{diRes}/{outName}.chrom.sizes", false},
};

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    const auto settings = readSettings(parameters);
    if (!settings) return settings.failure();
    const GenomeSettings& s = *settings;

    echo(console, s);
    console.waitKey();
    console.say("\nexecuting...");

    auto reader = prep::SequenceReader::open(s.fastaPath);
    if (!reader) return reader.failure();
    // The letter and the coded genome form one result set: both land, or
    // neither does.
    ResultSet results({s.fastaPath, parameters.path()});
    ResultFile* letterFile = nullptr;
    ResultFile* codedFile = nullptr;
    if (s.forms.letter) {
        auto file = results.create(s.letterPath);
        if (!file) return file.failure();
        letterFile = *file;
    }
    if (s.forms.coded) {
        auto file = results.create(s.codedPath);
        if (!file) return file.failure();
        codedFile = *file;
    }

    if (auto found = findRecord(**reader, s.seqName); !found) return found.failure();
    const std::span<char> bases = (*reader)->sequence();
    const auto replaced = checkBases(**reader, bases, s.replacement);
    if (!replaced) return replaced.failure();

    // Capitals first, then codes over the same bytes: one copy of the genome.
    toCapitals(bases);
    if (letterFile) std::fwrite(bases.data(), 1, bases.size(), letterFile->get());
    if (codedFile) {
        toCodes(bases);
        std::fwrite(bases.data(), 1, bases.size(), codedFile->get());
    }
    const bool named = isTrackName((*reader)->name());
    if (named) {
        auto sizes = results.create(s.sizesPath);
        if (!sizes) return sizes.failure();
        const std::string line =
            chromSizesLine((*reader)->name(), static_cast<std::int64_t>(bases.size()));
        std::fwrite(line.data(), 1, line.size(), (*sizes)->get());
    } else {
        // An earlier record's name must not name this genome.
        results.replaces(s.sizesPath);
    }
    if (auto committed = results.commit(); !committed) return committed.failure();

    console.say("\n", recordLabel(**reader), ": ", bases.size(), " bases");
    if (*replaced > 0)
        console.say("\n", *replaced, *replaced == 1 ? " letter" : " letters", " other than A, C, G, T replaced by ",
                    s.replacement);
    if (letterFile) console.say("\nletter genome: ", s.letterPath);
    if (codedFile) console.say("\ncoded genome: ", s.codedPath);
    if (named) console.say("\nsequence name: ", s.sizesPath);
    return RunEnd::Complete;
}

}  // namespace

RUZ_ANALYSIS(kPrepGenome) = {"fPrepGenome", run,
                             "write a letter and/or coded genome file from one record of a FASTA(.gz) file",
                             ReadsForm::None, kParameters, kOutputs};

}  // namespace ruz
