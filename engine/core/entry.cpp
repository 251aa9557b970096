#include "entry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

#include "files.h"
#include "parallel.h"
#include "params.h"
#include "platform.h"
#include "report_text.h"

#ifndef RUZ_VERSION
#define RUZ_VERSION "0"
#endif

namespace ruz {

namespace {

// The call file allows 199 characters a line.
constexpr std::size_t kCallLineLimit = 199;
// Only the first 500 characters of the program's own path are used.
constexpr std::size_t kOwnPathLimit = 500;
// Names are padded to this width in the usage text.
constexpr std::size_t kNameColumn = 30;

void printUsage(std::ostream& out, AnalysisTable table) {
    out << "usage: Ruzovizu [-t N]                      run the analysis named in " << kCallFileName
        << " beside the executable\n"
        << "       Ruzovizu [-t N] PARAMFILE FUNCTION   run FUNCTION with the parameter file PARAMFILE\n"
        << "       Ruzovizu --help | --version\n\n"
        << "options:\n"
        << "  -t N, --threads N   work on N threads, 0 for every processor available ("
        << availableThreads() << ");\n"
        << "                      default: the parameter file's `threads` record, else every\n"
        << "                      processor. The results do not depend on it.\n\nfunctions:\n";
    for (const AnalysisInfo& a : table) {
        const std::size_t pad = a.name.size() < kNameColumn ? kNameColumn - a.name.size() : 2;
        out << "  " << a.name << std::string(pad, ' ') << a.help
            << (a.run ? "" : " (not available in this version)") << '\n';
    }
}

}  // namespace

std::optional<CallLines> readCallFile(Console& console, const std::string& ownPath) {
    const std::string path = directoryOf(ownPath) + std::string(kCallFileName);
    FilePtr file = openStream(console, path);
    if (!file) return std::nullopt;
    std::string text;
    if (!readAll(file.get(), text)) {
        console.fail("\ni can't read ", path);
        return std::nullopt;
    }
    CallLines call;
    LineCursor lines(text);
    if (lines.next(call.parameterFile, kCallLineLimit) == LineCursor::Status::TooLong ||
        lines.next(call.functionName, kCallLineLimit) == LineCursor::Status::TooLong) {
        CallLines unusable;
        unusable.problem = "line " + std::to_string(lines.lineNumber()) + " of the call file " +
                           path + " is longer than " + std::to_string(kCallLineLimit) +
                           " characters";
        return unusable;
    }
    // A NUL byte would cut the path where the system reads it: another
    // file than the one written would be read.
    if (call.parameterFile.find('\0') != std::string::npos) {
        CallLines unusable;
        unusable.problem = "line 1 of the call file " + path + " holds a NUL byte";
        return unusable;
    }
    return call;
}

namespace {

// The thread count of a run: the command line's, else the parameter file's
// `threads` record, else every processor available (also for a record of 0
// or an empty one). A record that is not a whole number of at least 0 is
// refused by name.
std::optional<int> threadsOf(Console& console, const CallLines& call) {
    if (call.threads > 0) return call.threads;
    // A quiet look: the analysis reports a file it cannot open itself.
    RecordingConsole quiet;
    FilePtr file = openFile(quiet.console(), call.parameterFile, "rb");
    std::string text;
    if (!file || !readAll(file.get(), text)) return availableThreads();
    ParameterTable table = ParameterTable::parse(text);
    if (!table.contains("threads") || table.lookup("threads").empty()) return availableThreads();
    const std::string& value = table.lookup("threads");
    const auto n = intParameter(console, "threads", value);
    if (!n) return std::nullopt;
    if (*n < 0) {
        console.fail("\nparameter ", shownNumber("threads", value, *n),
                     " must be 0 (every processor) or more");
        return std::nullopt;
    }
    noteReading(console, "threads", value, *n);
    return *n == 0 ? availableThreads() : *n;
}

// The threads a run works on: the count asked for, lowered to the limit
// and to what the system lets the process start, with a console line
// whenever it is lowered.
int threadsToUse(Console& console, int asked) {
    int threads = asked;
    if (threads > threadLimit()) {
        threads = threadLimit();
        console.say("\nthreads: ", asked, " asked for, ", threads, " used (", kThreadsPerProcessor,
                    " a processor at most)");
    }
    const int startable = startableThreads(threads);
    if (startable < threads) {
        console.say("\nthreads: the system started only ", startable, " of ", threads,
                    " threads; the run goes on with ", startable);
        threads = startable;
    }
    return threads;
}

bool runAnalysis(RunContext& context, const AnalysisInfo& analysis, const std::string& parameterFile) {
    try {
        return analysis.run(context, parameterFile);
    } catch (const std::bad_alloc&) {
        context.console.fail("\nno memory to go on with ", analysis.name);
    } catch (const std::exception& e) {
        context.console.fail("\n", analysis.name, " stopped: ", e.what());
    }
    return false;
}

}  // namespace

const AnalysisInfo* findAnalysis(AnalysisTable table, std::string_view name) {
    for (const AnalysisInfo& a : table)
        if (a.name == name) return &a;
    return nullptr;
}

int dispatch(RunContext& context, AnalysisTable table, const CallLines& call) {
    bool ranToEnd = false;
    const AnalysisInfo* analysis =
        call.problem.empty() ? findAnalysis(table, call.functionName) : nullptr;
    if (!call.problem.empty()) {
        std::cerr << "Ruzovizu: " << call.problem << "; nothing is run\n";
    } else if (!analysis) {
        std::cerr << "Ruzovizu: no analysis is named \"" << shownText(call.functionName)
                  << "\" (Ruzovizu --help lists the names)\n";
    } else if (!analysis->run) {
        context.console.fail("\n", analysis->name, ": this analysis is not available in this version");
    } else if (const auto asked = threadsOf(context.console, call)) {
        context.threads = threadsToUse(context.console, *asked);
        const ThreadAllowance allowance(context.threads);
        ranToEnd = runAnalysis(context, *analysis, call.parameterFile);
    }
    context.console.say("\ndone\n");
    context.console.waitKey();
    return ranToEnd ? 0 : 1;
}

namespace {

// The command line: options, then none or two words.
struct CommandLine {
    bool help = false;
    bool version = false;
    int threads = 0;
    std::vector<std::string> words;
    std::string problem;  // empty when the line is understood
};

CommandLine parseCommandLine(int argc, char** argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--version") {
            line.version = true;
        } else if (arg == "--threads" || arg == "-t") {
            std::int32_t n = 0;
            if (i + 1 >= argc || toInt32(argv[i + 1], n) != IntConversion::Ok ||
                std::to_string(n) != argv[i + 1] || n < 0) {
                line.problem = "--threads needs a whole number, 0 for every processor";
                return line;
            }
            line.threads = n == 0 ? availableThreads() : n;
            ++i;
        } else if (arg.starts_with("--threads=")) {
            std::int32_t n = 0;
            const std::string_view value = arg.substr(10);
            if (toInt32(value, n) != IntConversion::Ok || std::to_string(n) != value || n < 0) {
                line.problem = "--threads needs a whole number, 0 for every processor";
                return line;
            }
            line.threads = n == 0 ? availableThreads() : n;
        } else if (arg.starts_with("-") && arg.size() > 1) {
            line.problem = "unknown option " + std::string(arg);
            return line;
        } else {
            line.words.emplace_back(arg);
        }
    }
    if (!line.help && !line.version && line.words.size() != 0 && line.words.size() != 2)
        line.problem = "give both the parameter file and the function, or neither";
    return line;
}

}  // namespace

namespace {

// An exception that escaped a thread of a library ends the process through
// std::terminate; the run still says why and leaves no temporary file.
[[noreturn]] void endOnEscapedException() {
    std::string what = "an error escaped a thread";
    if (const std::exception_ptr e = std::current_exception()) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            what = x.what();
        } catch (...) {
        }
    }
    std::fprintf(stdout, "\nRuzovizu stopped: %s\n", what.c_str());
    std::fflush(stdout);
    platform::removeWatchedFiles();
    std::_Exit(1);
}

}  // namespace

int runEngine(int argc, char** argv, Console& console, AnalysisTable table) {
    const CommandLine line = parseCommandLine(argc, argv);
    if (!line.problem.empty()) {
        std::cerr << "Ruzovizu: " << line.problem << "\n";
        printUsage(std::cerr, table);
        return 2;
    }
    if (line.help) {
        printUsage(std::cout, table);
        return 0;
    }
    if (line.version) {
        std::cout << "Ruzovizu " << RUZ_VERSION << '\n';
        return 0;
    }

    platform::prepareProcess();
    std::set_terminate(endOnEscapedException);
    std::optional<CallLines> call;
    if (line.words.size() == 2) {
        call = CallLines{line.words[0], line.words[1], {}, 0};
    } else {
        std::string ownPath = platform::executablePath(argc > 0 ? argv[0] : nullptr);
        if (ownPath.size() > kOwnPathLimit) ownPath.resize(kOwnPathLimit);
        call = readCallFile(console, ownPath);
        if (!call) return 1;
    }
    call->threads = line.threads;
    RunContext context(console);
    if (Progress::errorStreamIsTerminal()) context.progress.enable(stderr);
    return dispatch(context, table, *call);
}

}  // namespace ruz
