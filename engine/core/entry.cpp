#include "entry.h"

#include <array>
#include <fstream>
#include <iostream>

#include "files.h"
#include "params.h"
#include "rna/rna_analyses.h"

#ifndef RUZ_VERSION
#define RUZ_VERSION "0"
#endif

namespace ruz {

namespace {

using Names = std::string_view;

constexpr std::array<Names, 7> kRandExtParams = {"pthGnm", "pthReads", "diRes", "experimentId",
                                                 "immutSz", "mutTipSz", "misNu"};
constexpr std::array<Names, 4> kTaskListParams = {"pthGnm", "pthReads", "diRes", "pthTaskList"};
constexpr std::array<Names, 5> kBoundedParams = {"diRes", "pthReads", "pthGnm", "rMinSz", "rMaxSz"};
constexpr std::array<Names, 3> kAssemblyParams = {"diRes", "pthReads", "pthGnm"};
constexpr std::array<Names, 6> kRatingParams = {"diRes",  "diReads", "pthList",
                                                "pthGnm", "rMinSz",  "rMaxSz"};

// The order is the order in which names are compared.
constexpr std::array<AnalysisInfo, 11> kAnalyses = {{
    {"fMatchReadsT_VarSzO", nullptr, "count exact matches of reads of many sizes per genome position",
     kBoundedParams},
    {"fMatchReadsT_VarSzParted", nullptr, "find reads whose tail lies just before their head",
     kBoundedParams},
    {"fMatchReadsT_VarSzPartedRate", nullptr, "rate the parted positions over a list of reads files",
     kRatingParams},
    {"fIdentifyCircularRna", nullptr, "find circularly permuted reads on both strands", kBoundedParams},
    {"RandExt", RandExt, "find reads whose end was replaced, with the entropy of the tips per site",
     kRandExtParams},
    {"RandExtTaskList", RandExtTaskList, "RandExt for every task line of a task list",
     kTaskListParams},
    {"fMapReadsOnToSeq", nullptr, "write the longest exact piece of each read, with a length histogram",
     kBoundedParams},
    {"fReadsOutOfSeq", nullptr, "write the coded reads that occur nowhere in the genome",
     kBoundedParams},
    {"fGetReadsThatOutOfSeq", nullptr, "write the letter reads that occur nowhere in the genome",
     kBoundedParams},
    {"fMapReadsOneInSeq", nullptr, "separate reads found once from reads found many times",
     kBoundedParams},
    {"fTestGenomeSborka", nullptr, "measure the repeats of an assembly and the reads contradicting it",
     kAssemblyParams},
}};

// The call file allows 199 characters a line.
constexpr std::size_t kCallLineLimit = 199;
// Only the first 500 characters of the program's own path are used.
constexpr std::size_t kOwnPathLimit = 500;

void printUsage(std::ostream& out) {
    out << "usage: Ruzovizu                      run the analysis named in " << kCallFileName
        << " beside the executable\n"
        << "       Ruzovizu PARAMFILE FUNCTION   run FUNCTION with the parameter file PARAMFILE\n"
        << "       Ruzovizu --help | --version\n\nfunctions:\n";
    for (const AnalysisInfo& a : kAnalyses) {
        out << "  " << a.name << std::string(30 - a.name.size(), ' ') << a.help
            << (a.run ? "" : " (not available in this version)") << '\n';
    }
}

// Reads the call file beside the executable; prints the stream opener's
// message when it cannot be opened.
std::optional<CallLines> readCallFile(Console& console, const std::string& ownPath) {
    const std::string path = directoryOf(ownPath) + std::string(kCallFileName);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        console.fail("\ni can't open\n", path);
        return std::nullopt;
    }
    CallLines call;
    // A line that does not fit fails this read and the next, which leaves
    // both values empty: no analysis runs.
    readLimitedLine(in, call.parameterFile, kCallLineLimit);
    readLimitedLine(in, call.functionName, kCallLineLimit);
    return call;
}

}  // namespace

std::span<const AnalysisInfo> analysisTable() { return kAnalyses; }

const AnalysisInfo* findAnalysis(std::string_view name) {
    for (const AnalysisInfo& a : kAnalyses)
        if (a.name == name) return &a;
    return nullptr;
}

int dispatch(RunContext& context, const CallLines& call) {
    bool ranToEnd = false;
    const AnalysisInfo* analysis = findAnalysis(call.functionName);
    if (!analysis) {
        std::cerr << "Ruzovizu: no analysis is named \"" << call.functionName
                  << "\" (Ruzovizu --help lists the names)\n";
    } else if (!analysis->run) {
        context.console.fail("\n", analysis->name, ": this analysis is not available in this version");
    } else {
        ranToEnd = analysis->run(context, call.parameterFile);
    }
    context.console.say("\ndone\n");
    context.console.waitKey();
    return ranToEnd ? 0 : 1;
}

int runEngine(int argc, char** argv, Console& console) {
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (argc == 2 && (first == "--help" || first == "-h")) {
        printUsage(std::cout);
        return 0;
    }
    if (argc == 2 && first == "--version") {
        std::cout << "Ruzovizu " << RUZ_VERSION << '\n';
        return 0;
    }
    if (argc != 1 && (argc != 3 || first.starts_with("--"))) {
        std::cerr << "Ruzovizu: wrong command line\n";
        printUsage(std::cerr);
        return 2;
    }

    std::optional<CallLines> call;
    if (argc == 3) {
        call = CallLines{argv[1], argv[2]};
    } else {
        std::string ownPath = argc > 0 && argv[0] ? argv[0] : "";
        if (ownPath.size() > kOwnPathLimit) ownPath.resize(kOwnPathLimit);
        call = readCallFile(console, ownPath);
        if (!call) return 1;
    }
    RunContext context(console);
    return dispatch(context, *call);
}

}  // namespace ruz
