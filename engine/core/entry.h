// Engine entry: the call file, the command line and the dispatch of one
// analysis through a table the program hands in (the core knows no
// analysis). The entry loads the analysis's parameters through its
// description and prints every failure that an analysis returns, once.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "analysis.h"
#include "console.h"
#include "context.h"
#include "outcome.h"

namespace ruz {

inline constexpr std::string_view kCallFileName = "_ParamsOfFunc.txt";

// Finds an analysis by its exact name (case matters, nothing trimmed).
const AnalysisInfo* findAnalysis(AnalysisTable table, std::string_view name);

// The two lines of a call file: parameter file path and function name.
struct CallLines {
    std::string parameterFile;
    std::string functionName;
    // Why the call file names nothing to run (a line too long, a NUL in the
    // path); empty when it could be read.
    std::string problem;
    // Threads asked for on the command line; 0 when not given there.
    int threads = 0;
    // --tracks on the command line.
    bool tracks = false;
};

// Reads the call file beside the executable `ownPath`. A file that cannot
// be opened or read is a failure; a line that does not fit leaves both
// values empty, so no analysis runs, and `problem` says why.
Outcome<CallLines> readCallFile(const std::string& ownPath);

// Loads the parameter file through the analysis's description and runs
// the analysis on the context's threads. What it throws (no memory, a
// library error) becomes a failure.
RunOutcome runWithParameterFile(RunContext& context, const AnalysisInfo& analysis,
                                const std::string& parameterFile);

// Runs the analysis named `name` with its parameter file as dispatch does,
// but on the context's threads as they are and without the final "done":
// a failure is printed on the context's console. True when it ran to its
// end; false also when no analysis has that name (said on the console).
bool runNamedAnalysis(RunContext& context, AnalysisTable table, std::string_view name,
                      const std::string& parameterFile);

// Runs one analysis by name through the table; returns the process status:
// 0 when the analysis ran to its end, 1 otherwise. The number of threads is
// the command line's, else the parameter file's `threads` record, else what
// the machine offers. A failure is printed here, with its key wait. Prints
// "\ndone\n" and waits for a key at the end, as every run does.
int dispatch(RunContext& context, AnalysisTable table, const CallLines& call);

// The usage text, with every analysis, its parameters and their defaults.
void printUsage(std::ostream& out, AnalysisTable table);

// One line an analysis: its name, the form of the reads it reads, and the
// patterns of the files it writes, the main table first; tab-separated.
void printList(std::ostream& out, AnalysisTable table);

// The whole program: start-up from argv, call file or command line,
// dispatch, end. Returns the process exit status.
int runEngine(int argc, char** argv, Console& console, AnalysisTable table);

}  // namespace ruz
