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

// The usage line of one parameter: its name, type word, default and
// comment, in columns.
void printParameter(std::ostream& out, const ParamSpec& p) {
    std::string head = "      ";
    head.append(p.name);
    head.resize(std::max<std::size_t>(head.size() + 1, 20), ' ');
    head.append(typeWord(p.type));
    head.resize(std::max<std::size_t>(head.size() + 1, 26), ' ');
    head.append(p.defaultValue);
    head.resize(std::max<std::size_t>(head.size() + 1, 34), ' ');
    out << head << p.comment << '\n';
}

}  // namespace

void printUsage(std::ostream& out, AnalysisTable table) {
    out << "usage: Ruzovizu [-t N]                      run the analysis named in " << kCallFileName
        << " beside the executable\n"
        << "       Ruzovizu [-t N] PARAMFILE FUNCTION   run FUNCTION with the parameter file PARAMFILE\n"
        << "       Ruzovizu --help | --list | --template FUNCTION | --version\n\n"
        << "options:\n"
        << "  -t N, --threads N   work on N threads, 0 for every processor available ("
        << availableThreads() << ");\n"
        << "                      default: the parameter file's `threads` record, else every\n"
        << "                      processor. The results do not depend on it.\n"
        << "  --tracks            also write genome-browser tracks (BED, bedGraph, bigWig,\n"
        << "                      FASTA) of the positions the function reports, whatever the\n"
        << "                      parameter file's `tracks` record says\n"
        << "  --list              one line a function: name, reads form, result files\n"
        << "  --template FUNCTION the function's parameter file with its defaults\n\n"
        << "functions:\n";
    for (const AnalysisInfo* a : table) {
        const std::size_t pad = a->name.size() < kNameColumn ? kNameColumn - a->name.size() : 2;
        out << "  " << a->name << std::string(pad, ' ') << a->help << '\n';
    }
    out << "\nparameters of each function (name, type, default, meaning):\n";
    for (const AnalysisInfo* a : table) {
        out << "  " << a->name << '\n';
        for (const ParamSpec& p : a->parameters) printParameter(out, p);
    }
}

void printList(std::ostream& out, AnalysisTable table) {
    for (const AnalysisInfo* a : table) {
        out << a->name << '\t' << readsFormWord(a->reads) << '\t';
        bool first = true;
        for (const bool main : {true, false}) {
            for (const OutputSpec& o : a->outputs) {
                if (o.mainTable != main) continue;
                out << (first ? "" : " ") << o.pattern;
                first = false;
            }
        }
        out << '\n';
    }
}

Outcome<CallLines> readCallFile(const std::string& ownPath) {
    const std::string path = directoryOf(ownPath) + std::string(kCallFileName);
    auto file = openStream(path);
    if (!file) return file.failure();
    std::string text;
    if (!readAll(file->get(), text)) return failure("\ni can't read ", path);
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

// Runs the analysis; what it throws becomes a failure.
RunOutcome runCaught(RunContext& context, const AnalysisInfo& analysis, const Parameters& parameters) {
    try {
        return analysis.run(context, parameters);
    } catch (const std::bad_alloc&) {
        return failure("\nno memory to go on with ", analysis.name);
    } catch (const std::exception& e) {
        return failure("\n", analysis.name, " stopped: ", e.what());
    }
}

// The thread count of a run: the command line's, else the parameter file's
// `threads` record, else every processor available (also for a record of
// 0); then bounded.
Outcome<int> threadsOf(Console& console, const CallLines& call, const Parameters& parameters) {
    int asked = call.threads;
    if (asked <= 0) {
        const auto record = parameters.threads(console);
        if (!record) return record.failure();
        asked = record->value_or(0) == 0 ? availableThreads() : **record;
    }
    return threadsToUse(console, asked);
}

}  // namespace

const AnalysisInfo* findAnalysis(AnalysisTable table, std::string_view name) {
    for (const AnalysisInfo* a : table)
        if (a->name == name) return a;
    return nullptr;
}

RunOutcome runWithParameterFile(RunContext& context, const AnalysisInfo& analysis,
                                const std::string& parameterFile) {
    const auto parameters = Parameters::load(parameterFile, analysis);
    if (!parameters) return parameters.failure();
    return runCaught(context, analysis, *parameters);
}

bool runNamedAnalysis(RunContext& context, AnalysisTable table, std::string_view name,
                      const std::string& parameterFile) {
    const AnalysisInfo* analysis = findAnalysis(table, name);
    if (!analysis) {
        context.console.say("\nno analysis is named \"", shownText(name), "\"");
        return false;
    }
    const RunOutcome end = runWithParameterFile(context, *analysis, parameterFile);
    if (!end) context.console.report(end.failure());
    return end && *end == RunEnd::Complete;
}

int dispatch(RunContext& context, AnalysisTable table, const CallLines& call) {
    Console& console = context.console;
    bool ranToEnd = false;
    const AnalysisInfo* analysis =
        call.problem.empty() ? findAnalysis(table, call.functionName) : nullptr;
    if (!call.problem.empty()) {
        std::cerr << "Ruzovizu: " << call.problem << "; nothing is run\n";
    } else if (!analysis) {
        std::cerr << "Ruzovizu: no analysis is named \"" << shownText(call.functionName)
                  << "\" (Ruzovizu --help lists the names)\n";
    } else if (const auto parameters = Parameters::load(call.parameterFile, *analysis); !parameters) {
        console.report(parameters.failure());
    } else if (const auto threads = threadsOf(console, call, *parameters); !threads) {
        console.report(threads.failure());
    } else {
        context.threads = *threads;
        context.tracks = call.tracks;
        if (call.tracks && !analysis->parameter("tracks"))
            console.say("\n--tracks: ", analysis->name, " reports no positions; it writes no tracks");
        const ThreadAllowance allowance(context.threads);
        const RunOutcome end = runCaught(context, *analysis, *parameters);
        if (!end) console.report(end.failure());
        ranToEnd = end && *end == RunEnd::Complete;
    }
    console.say("\ndone\n");
    console.waitKey();
    return ranToEnd ? 0 : 1;
}

namespace {

// The command line: options, then none or two words.
struct CommandLine {
    bool help = false;
    bool list = false;
    bool version = false;
    std::string templateOf;  // --template NAME
    int threads = 0;
    bool tracks = false;
    std::vector<std::string> words;
    std::string problem;  // empty when the line is understood
};

CommandLine parseCommandLine(int argc, char** argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--list") {
            line.list = true;
        } else if (arg == "--template") {
            if (i + 1 >= argc) {
                line.problem = "--template needs the name of a function";
                return line;
            }
            line.templateOf = argv[++i];
        } else if (arg == "--version") {
            line.version = true;
        } else if (arg == "--tracks") {
            line.tracks = true;
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
    if (!line.help && !line.list && !line.version && line.templateOf.empty() && line.words.size() != 0 &&
        line.words.size() != 2)
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
    if (line.list) {
        printList(std::cout, table);
        return 0;
    }
    if (!line.templateOf.empty()) {
        const AnalysisInfo* analysis = findAnalysis(table, line.templateOf);
        if (!analysis) {
            std::cerr << "Ruzovizu: no analysis is named \"" << shownText(line.templateOf)
                      << "\" (Ruzovizu --help lists the names)\n";
            return 2;
        }
        std::cout << templateText(*analysis);
        return 0;
    }
    if (line.version) {
        std::cout << "Ruzovizu " << RUZ_VERSION << '\n';
        return 0;
    }

    platform::prepareProcess();
    std::set_terminate(endOnEscapedException);
    CallLines call{line.words.size() == 2 ? line.words[0] : std::string(),
                   line.words.size() == 2 ? line.words[1] : std::string(), {}, 0};
    if (line.words.empty()) {
        std::string ownPath = platform::executablePath(argc > 0 ? argv[0] : nullptr);
        if (ownPath.size() > kOwnPathLimit) ownPath.resize(kOwnPathLimit);
        auto read = readCallFile(ownPath);
        if (!read) {
            console.report(read.failure());
            return 1;
        }
        call = std::move(*read);
    }
    call.threads = line.threads;
    call.tracks = line.tracks;
    RunContext context(console);
    if (Progress::errorStreamIsTerminal()) context.progress.enable(stderr);
    return dispatch(context, table, call);
}

}  // namespace ruz
