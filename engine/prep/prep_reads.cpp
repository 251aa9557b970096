// fPrepReads: a FASTQ or FASTA file (plain or gzip) to the reads files the
// analyses read.
//
// Parameters: pthFastq (FASTQ, FASTQ.gz, FASTA or FASTA.gz), diRes (result
// directory), outName (blank: the input's name without ".gz" and its
// extension), outForm (letter, coded or both; blank: both), rMinSz and
// rMaxSz (the lengths kept, after trimming; blank: 1 and 5119, the longest
// line of a reads file), trimHeadSz and trimTailSz (bases cut from the read's start
// and end; blank: 0), readsWithN (drop or keep the reads holding N or any
// other symbol than A, C, G, T; blank: drop; a coded file cannot hold them).
// Outputs, in the result directory:
//   <stem>.txt          letter reads: one read a line in capitals, LF ends
//   <stem>.bin          coded reads: one byte 0..3 a base, each read ended by
//                       byte 10
//   <stem>_PrepLog.txt  the settings and the counts: input, written, too
//                       short, too long, with N
// Each read is trimmed first, then measured against the bounds (a read left
// empty is always too short), then examined for N. The outputs keep the
// input's order and reach their names only when the whole input was read.
#include <algorithm>
#include <string>

#include "core/coded_output.h"
#include "core/context.h"
#include "core/files.h"
#include "core/params.h"
#include "core/report_text.h"
#include "prep_common.h"
#include "sequence_reader.h"

namespace ruz {

namespace {

using namespace prep;

// The longest read a reads file holds: a line of the engine's line buffer.
constexpr std::int32_t kLongestRead = static_cast<std::int32_t>(kLineLimit) - 1;

struct ReadRules {
    std::int32_t minSize = 1;
    std::int32_t maxSize = kLongestRead;
    std::int32_t trimHead = 0;
    std::int32_t trimTail = 0;
    bool keepWithN = false;
};

enum class ReadFate { Written, TooShort, TooLong, DroppedWithN };

// What becomes of one read: its fate and the part of it that is kept.
struct ReadVerdict {
    ReadFate fate = ReadFate::Written;
    bool otherSymbols = false;
    std::size_t offset = 0;
    std::size_t length = 0;
};

// The per-read work: a pure function of the read's bytes and the rules.
ReadVerdict judgeRead(std::span<const char> read, const ReadRules& rules) {
    ReadVerdict v;
    const auto cut = static_cast<std::size_t>(rules.trimHead) + static_cast<std::size_t>(rules.trimTail);
    v.offset = static_cast<std::size_t>(rules.trimHead);
    v.length = read.size() > cut ? read.size() - cut : 0;
    if (v.length == 0 || v.length < static_cast<std::size_t>(rules.minSize)) {
        v.fate = ReadFate::TooShort;
        return v;
    }
    if (v.length > static_cast<std::size_t>(rules.maxSize)) {
        v.fate = ReadFate::TooLong;
        return v;
    }
    const char* kept = read.data() + v.offset;
    v.otherSymbols = std::any_of(kept, kept + v.length, [](char c) {
        return nucleotideCode[static_cast<unsigned char>(c)] == kNotNucleotide;
    });
    if (v.otherSymbols && !rules.keepWithN) v.fate = ReadFate::DroppedWithN;
    return v;
}

struct ReadCounts {
    std::int64_t input = 0;
    std::int64_t written = 0;
    std::int64_t tooShort = 0;
    std::int64_t tooLong = 0;
    std::int64_t withN = 0;

    void add(const ReadVerdict& v) {
        ++input;
        if (v.otherSymbols) ++withN;
        switch (v.fate) {
        case ReadFate::Written: ++written; break;
        case ReadFate::TooShort: ++tooShort; break;
        case ReadFate::TooLong: ++tooLong; break;
        case ReadFate::DroppedWithN: break;
        }
    }
};

// The kept part of a written read, in capitals and/or codes, each ended by
// a line feed.
void writeRead(std::span<const char> read, const ReadVerdict& v, BlockWriter* letters,
               BlockWriter* codes) {
    const auto* kept = reinterpret_cast<const unsigned char*>(read.data() + v.offset);
    const std::size_t line = v.length + 1;
    if (letters) {
        char* out = letters->room(line);
        for (std::size_t i = 0; i < v.length; ++i) out[i] = kUpperLetter[kept[i]];
        out[v.length] = '\n';
        letters->advance(line);
    }
    if (codes) {
        char* out = codes->room(line);
        for (std::size_t i = 0; i < v.length; ++i) out[i] = static_cast<char>(nucleotideCode[kept[i]]);
        out[v.length] = '\n';
        codes->advance(line);
    }
}

struct ReadsSettings {
    std::string inputPath;
    OutputForms forms;
    ReadRules rules;
    std::string letterPath;
    std::string codedPath;
    std::string logPath;
};

// An optional size: blank gives `unset`; otherwise a number by its rule.
Outcome<std::int32_t> optionalSize(Console& console, const Parameters& parameters, std::string_view name,
                                   std::int32_t unset) {
    if (isBlank(parameters.text(name))) return unset;
    return parameters.number(console, name);
}

Outcome<ReadRules> readRules(Console& console, const Parameters& parameters) {
    const auto minSize = optionalSize(console, parameters, "rMinSz", 1);
    if (!minSize) return minSize.failure();
    const auto maxSize = optionalSize(console, parameters, "rMaxSz", kLongestRead);
    if (!maxSize) return maxSize.failure();
    if (*maxSize < *minSize) {
        const std::string& minText = parameters.text("rMinSz");
        const std::string& maxText = parameters.text("rMaxSz");
        return failure("\nparameter ", shownNumber("rMaxSz", isBlank(maxText) ? std::to_string(kLongestRead) : maxText, *maxSize),
                       " is below ", shownNumber("rMinSz", isBlank(minText) ? "1" : minText, *minSize));
    }
    const auto trimHead = optionalSize(console, parameters, "trimHeadSz", 0);
    if (!trimHead) return trimHead.failure();
    const auto trimTail = optionalSize(console, parameters, "trimTailSz", 0);
    if (!trimTail) return trimTail.failure();
    ReadRules rules{*minSize, *maxSize, *trimHead, *trimTail, false};

    const std::string& withN = parameters.text("readsWithN");
    if (withN == "keep") {
        rules.keepWithN = true;
    } else if (!isBlank(withN) && withN != "drop") {
        return failure("\nparameter readsWithN = \"", withN, "\": write drop or keep");
    }
    return rules;
}

Outcome<ReadsSettings> readSettings(Console& console, const Parameters& parameters) {
    ReadsSettings s;
    s.inputPath = parameters.text("pthFastq");
    const auto forms = outputForms(parameters.text("outForm"));
    if (!forms) return forms.failure();
    s.forms = *forms;
    const auto rules = readRules(console, parameters);
    if (!rules) return rules.failure();
    s.rules = *rules;
    if (s.rules.keepWithN && s.forms.coded)
        return failure("\nparameter readsWithN = keep: a coded reads file cannot hold N;"
                       " drop them or set outForm to letter");
    const auto prefix = resultPrefix(parameters.text("diRes"));
    if (!prefix) return prefix.failure();
    const auto stem = outputStem(parameters.text("outName"), inputStem(s.inputPath));
    if (!stem) return stem.failure();
    if (s.forms.letter) s.letterPath = *prefix + *stem + ".txt";
    if (s.forms.coded) s.codedPath = *prefix + *stem + ".bin";
    s.logPath = *prefix + *stem + "_PrepLog.txt";
    return s;
}

std::string boundsText(const ReadRules& r) { return ruz::boundsText(r.minSize, r.maxSize, ','); }

void echo(Console& console, const ReadsSettings& s) {
    const ReadRules& r = s.rules;
    console.say("procedure  fPrepReads", "\nreads         ", s.inputPath, "\nletter reads  ",
                s.forms.letter ? s.letterPath : "not written", "\ncoded reads   ",
                s.forms.coded ? s.codedPath : "not written", "\nlog           ", s.logPath,
                "\nsize bounds   ", boundsText(r), "\ntrimmed       head ", r.trimHead, ", tail ",
                r.trimTail, "\nreads with N  ", r.keepWithN ? "kept" : "dropped");
}

std::string countsText(const ReadCounts& c, bool keepWithN) {
    std::string text;
    appendField(text, "\ninput=", c.input);
    appendField(text, "\nwritten=", c.written);
    appendField(text, "\ntoo short=", c.tooShort);
    appendField(text, "\ntoo long=", c.tooLong);
    appendField(text, "\nwith N=", c.withN);
    return text + (keepWithN ? " (kept)" : " (dropped)");
}

std::string logText(const ReadsSettings& s, const ReadCounts& c) {
    const ReadRules& r = s.rules;
    return "program= Ruzovizu::fPrepReads\ninput= " + s.inputPath +
           "\nletter reads= " + (s.forms.letter ? s.letterPath : "not written") +
           "\ncoded reads= " + (s.forms.coded ? s.codedPath : "not written") +
           "\nsize bounds=" + boundsText(r) + "; trimHeadSz=" + std::to_string(r.trimHead) +
           "; trimTailSz=" + std::to_string(r.trimTail) + countsText(c, r.keepWithN);
}

// The reads files and the log, one result set: all land, or none does.
struct ReadsOutputs {
    ResultSet results;
    ResultFile* letters = nullptr;
    ResultFile* codes = nullptr;
    ResultFile* log = nullptr;
};

Outcome<ReadsOutputs> createOutputs(const ReadsSettings& s, const std::string& parameterFile) {
    ReadsOutputs out{ResultSet({s.inputPath, parameterFile})};
    if (s.forms.letter) {
        auto file = out.results.create(s.letterPath);
        if (!file) return file.failure();
        out.letters = *file;
    }
    if (s.forms.coded) {
        auto file = out.results.create(s.codedPath);
        if (!file) return file.failure();
        out.codes = *file;
    }
    auto log = out.results.create(s.logPath);
    if (!log) return log.failure();
    out.log = *log;
    return out;
}

// The reads loop: every record is judged, counted and, when kept, written.
// Fails when the input is malformed or unreadable.
Outcome<void> convertReads(SequenceReader& reader, const ReadRules& rules, ReadsOutputs& out, ReadCounts& counts) {
    std::optional<BlockWriter> letters, codes;
    if (out.letters) letters.emplace(out.letters->get());
    if (out.codes) codes.emplace(out.codes->get());
    BlockWriter* letterSink = letters ? &*letters : nullptr;
    BlockWriter* codeSink = codes ? &*codes : nullptr;
    while (reader.next() == SequenceReader::Status::Record) {
        const std::span<const char> read = reader.sequence();
        const ReadVerdict verdict = judgeRead(read, rules);
        counts.add(verdict);
        if (verdict.fate == ReadFate::Written) writeRead(read, verdict, letterSink, codeSink);
    }
    if (letters) letters->flush();
    if (codes) codes->flush();
    return reader.reportEnd();
}

constexpr ParamSpec kParameters[] = {
    {"pthFastq", ParamType::File, "reads file: FASTQ or FASTA, plain or .gz", "?", {}},
    kResultDirectory,
    {"outName", ParamType::Str, "output name (blank: the reads file's name)", "blank", {}},
    {"outForm", ParamType::Str, "files written: letter, coded or both", "both", {}},
    {"rMinSz", ParamType::Int, "shortest read kept, after trimming", "1", kNotNegative},
    {"rMaxSz", ParamType::Int, "longest read kept, after trimming (5119 at most)", "5119",
     NumberRule{0, kLongestRead, "must not be negative", "the longest line a reads file may hold", false}},
    {"trimHeadSz", ParamType::Int, "bases cut from the start of every read", "0", kNotNegative},
    {"trimTailSz", ParamType::Int, "bases cut from the end of every read", "0", kNotNegative},
    {"readsWithN", ParamType::Str, "reads holding N: drop, or keep (letter files only)", "drop", {}},
};

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/{outName}.txt", true},
    {"{diRes}/{outName}.bin", false},
    {"{diRes}/{outName}_PrepLog.txt", false},
};

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    const auto settings = readSettings(console, parameters);
    if (!settings) return settings.failure();
    const ReadsSettings& s = *settings;

    echo(console, s);
    console.waitKey();
    console.say("\nexecuting...");

    auto reader = SequenceReader::open(s.inputPath);
    if (!reader) return reader.failure();
    auto outputs = createOutputs(s, parameters.path());
    if (!outputs) return outputs.failure();
    ReadCounts counts;
    if (auto converted = convertReads(**reader, s.rules, *outputs, counts); !converted) return converted.failure();

    const std::string log = logText(s, counts);
    std::fwrite(log.data(), 1, log.size(), outputs->log->get());
    if (auto committed = outputs->results.commit(); !committed) return committed.failure();
    console.say(countsText(counts, s.rules.keepWithN));
    return RunEnd::Complete;
}

}  // namespace

RUZ_ANALYSIS(kPrepReads) = {"fPrepReads", run,
                            "write letter and/or coded reads files from a FASTQ(.gz) or FASTA(.gz) file",
                            ReadsForm::Sequences, kParameters, kOutputs};

}  // namespace ruz
