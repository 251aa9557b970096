// What an analysis says of itself: its name, what it does, the parameters
// it reads (with the comment, type and default of the launcher's template,
// and the rules of its numbers) and what it writes. The dispatch table, the
// usage text, the list the tools walk, the reading of parameters and the
// check of the templates all derive from these descriptions.
//
// Each analysis source exports exactly one, through RUZ_ANALYSIS; the build
// collects them into the table (analysis_table.cpp, generated).
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "context.h"
#include "outcome.h"

namespace ruz {

class Parameters;

// The type word of a parameter record.
enum class ParamType { Dir, File, Int, Str };

std::string_view typeWord(ParamType type);

// The rules of a number parameter. A refusal reads "\nparameter NAME = V "
// followed by the rule's words: `belowLeast` under `least`; " is above
// MOST, " + `aboveMostReason` over `most`.
struct NumberRule {
    std::int32_t least = std::numeric_limits<std::int32_t>::min();
    std::int32_t most = std::numeric_limits<std::int32_t>::max();
    std::string_view belowLeast = "must not be negative";
    std::string_view aboveMostReason;
    // Its text enters the result names, so it must be a plain decimal
    // number (a sign and digits, blanks around them).
    bool namesResults = false;
};

// The rule of most sizes: 0 or more.
inline constexpr NumberRule kNotNegative{0, std::numeric_limits<std::int32_t>::max(), "must not be negative", {},
                                         false};

struct ParamSpec {
    std::string_view name;
    ParamType type = ParamType::Str;
    std::string_view comment;       // the template's comment line
    std::string_view defaultValue;  // the template's value
    NumberRule number{};            // for ParamType::Int
    // Whether the launcher's template holds the record; one that it does
    // not hold is still read when a parameter file gives it.
    bool inTemplate = true;
};

// The form of the reads an analysis reads, so that tools can give it the
// right files.
enum class ReadsForm { Letters, Codes, Sequences, None };

std::string_view readsFormWord(ReadsForm form);

// A file an analysis writes: its name as a pattern over the parameters
// (`{diRes}/{pthReads:base}[{rMinSz}-{rMaxSz}]{pthGnm:base}_Log.txt`), and
// whether it is the analysis's main table.
struct OutputSpec {
    std::string_view pattern;
    bool mainTable = false;
};

// An analysis receives the run context and its parameters, read and
// checked through its description.
using AnalysisFunction = RunOutcome (*)(RunContext& context, const Parameters& parameters);

struct AnalysisInfo {
    std::string_view name;  // dispatch name, matched exactly
    AnalysisFunction run;
    std::string_view help;  // one line for --help
    ReadsForm reads = ReadsForm::None;
    std::span<const ParamSpec> parameters;
    std::span<const OutputSpec> outputs;

    const ParamSpec* parameter(std::string_view name) const;
};

// The launcher's template of the analysis: one four-line record a
// parameter (comment, type word, name, default value), each line ended by
// LF.
std::string templateText(const AnalysisInfo& analysis);

// The table of every analysis, in the order of their sources.
using AnalysisTable = std::span<const AnalysisInfo* const>;

// The parameter every parameter file may hold: the threads of the run.
inline constexpr ParamSpec kThreadsParameter = {
    "threads", ParamType::Int, "threads to work on (0: every processor)", "0",
    NumberRule{0, std::numeric_limits<std::int32_t>::max(), "must be 0 (every processor) or more", {}, false}};

// The inputs and the result folder most analyses read, as their templates
// describe them.
inline constexpr ParamSpec kResultDirectory = {"diRes", ParamType::Dir, "result directory", "?", {}};
inline constexpr ParamSpec kCodedReads = {"pthReads", ParamType::File, "coded reads file: bytes 0-3, one read a line",
                                          "?", {}};
inline constexpr ParamSpec kCodedGenome = {"pthGnm", ParamType::File, "coded genome file: one byte 0-3 a base", "?", {}};
inline constexpr ParamSpec kLetterGenome = {"pthGnm", ParamType::File, "genome file: letters ACGT only, no header",
                                            "?", {}};
inline constexpr ParamSpec kLetterReads = {"pthReads", ParamType::File, "reads file: letters, one read a line", "?",
                                           {}};
inline constexpr ParamSpec kLetterReadsCrLf = {"pthReads", ParamType::File,
                                               "reads file: letters, one read a line (LF or CR LF)", "?", {}};

// Marks the one description an analysis source exports:
//   RUZ_ANALYSIS(kRandExt) = {"RandExt", run, "help", ...};
// The build finds these lines and lists them in the dispatch table.
#define RUZ_ANALYSIS(id)                  \
    extern const ::ruz::AnalysisInfo id; \
    constinit const ::ruz::AnalysisInfo id

}  // namespace ruz
