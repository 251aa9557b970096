// Engine entry: the call file, the command line and the dispatch of one
// analysis through a table the program hands in (the core knows no
// analysis).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "console.h"
#include "context.h"

namespace ruz {

inline constexpr std::string_view kCallFileName = "_ParamsOfFunc.txt";

// An analysis receives the run context and the path of its parameter file
// and returns whether it ran to its end (false after any failure message).
using AnalysisFunction = bool (*)(RunContext& context, const std::string& parameterFile);

struct AnalysisInfo {
    std::string_view name;      // dispatch name, matched exactly
    AnalysisFunction run;       // nullptr: not available in this version
    std::string_view help;      // one line for --help
    std::span<const std::string_view> parameters;  // names read from the parameter file
};

using AnalysisTable = std::span<const AnalysisInfo>;

// Finds an analysis by its exact name (case matters, nothing trimmed).
const AnalysisInfo* findAnalysis(AnalysisTable table, std::string_view name);

// The two lines of a call file: parameter file path and function name.
struct CallLines {
    std::string parameterFile;
    std::string functionName;
    // Why the call file names nothing to run (a line too long); empty when
    // it could be read.
    std::string problem;
    // Threads asked for on the command line; 0 when not given there.
    int threads = 0;
};

// Reads the call file beside the executable `ownPath`. A file that cannot
// be opened or read ends the run (message, key wait, nothing returned); a
// line that does not fit leaves both values empty, so no analysis runs, and
// `problem` says why.
std::optional<CallLines> readCallFile(Console& console, const std::string& ownPath);

// Runs one analysis by name through the table; returns the process status:
// 0 when the analysis ran to its end, 1 otherwise. The number of threads is
// the command line's, else the parameter file's `threads` record, else what
// the machine offers. What the analysis throws
// (no memory, a library error) is reported on the console and ends the run
// like a failure. Prints "\ndone\n" and waits for a key at the end, as every
// run does.
int dispatch(RunContext& context, AnalysisTable table, const CallLines& call);

// The whole program: start-up from argv, call file or command line,
// dispatch, end. Returns the process exit status.
int runEngine(int argc, char** argv, Console& console, AnalysisTable table);

}  // namespace ruz
