#include "entry.h"

#include <algorithm>
#include <iostream>
#include <new>
#include <optional>
#include <stdexcept>

#include "files.h"
#include "params.h"
#include "platform.h"

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
    out << "usage: Ruzovizu                      run the analysis named in " << kCallFileName
        << " beside the executable\n"
        << "       Ruzovizu PARAMFILE FUNCTION   run FUNCTION with the parameter file PARAMFILE\n"
        << "       Ruzovizu --help | --version\n\nfunctions:\n";
    for (const AnalysisInfo& a : table) {
        const std::size_t pad = a.name.size() < kNameColumn ? kNameColumn - a.name.size() : 2;
        out << "  " << a.name << std::string(pad, ' ') << a.help
            << (a.run ? "" : " (not available in this version)") << '\n';
    }
}

// A name as messages show it: control characters and quotes escaped, so a
// CR at its end does not send the terminal back to the line's start.
std::string shownName(std::string_view name) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '"' || c == '\\') {
            shown += '\\';
            shown += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 15];
        } else {
            shown += c;
        }
    }
    return shown;
}

// Reads the call file beside the executable. A file that cannot be opened
// or read ends the run; a line that does not fit leaves both values empty,
// so no analysis runs, and says so on the error stream.
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
    return call;
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
        std::cerr << "Ruzovizu: no analysis is named \"" << shownName(call.functionName)
                  << "\" (Ruzovizu --help lists the names)\n";
    } else if (!analysis->run) {
        context.console.fail("\n", analysis->name, ": this analysis is not available in this version");
    } else {
        ranToEnd = runAnalysis(context, *analysis, call.parameterFile);
    }
    context.console.say("\ndone\n");
    context.console.waitKey();
    return ranToEnd ? 0 : 1;
}

int runEngine(int argc, char** argv, Console& console, AnalysisTable table) {
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (argc == 2 && (first == "--help" || first == "-h")) {
        printUsage(std::cout, table);
        return 0;
    }
    if (argc == 2 && first == "--version") {
        std::cout << "Ruzovizu " << RUZ_VERSION << '\n';
        return 0;
    }
    if (argc != 1 && (argc != 3 || first.starts_with("--"))) {
        std::cerr << "Ruzovizu: wrong command line\n";
        printUsage(std::cerr, table);
        return 2;
    }

    platform::prepareProcess();
    std::optional<CallLines> call;
    if (argc == 3) {
        call = CallLines{argv[1], argv[2], {}};
    } else {
        std::string ownPath = argc > 0 && argv[0] ? argv[0] : "";
        if (ownPath.size() > kOwnPathLimit) ownPath.resize(kOwnPathLimit);
        call = readCallFile(console, ownPath);
        if (!call) return 1;
    }
    RunContext context(console);
    return dispatch(context, table, *call);
}

}  // namespace ruz
