// The call file reader and the dispatch that follows it.
//
// The input is a call file: line 1 the parameter file, line 2 the function
// name. It is read from beside an executable in the scratch folder, as the
// engine reads it, and the lines it gives are checked against the input's
// own lines. The call is then dispatched through the real analysis table
// with stand-in analyses, so the name lookup and the `threads` record of
// the parameter file are read too. What follows line 2 in the input is
// that parameter file: a plain name on line 1 names a file of the scratch
// folder, where the input's rest is written as the file "param".
#include <cstdint>
#include <iostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "analyses.h"
#include "core/console.h"
#include "core/context.h"
#include "core/entry.h"
#include "core/params.h"
#include "support/fuzz_support.h"

namespace {

using namespace ruz;

constexpr std::size_t kCallLineLimit = 199;

// A stand-in for every analysis: the dispatch is under test, not the
// analyses.
RunOutcome standIn(RunContext&, const Parameters&) { return RunEnd::Complete; }

// The real table's descriptions, every analysis replaced by the stand-in.
AnalysisTable standInTable() {
    static const std::vector<AnalysisInfo> descriptions = [] {
        std::vector<AnalysisInfo> d;
        for (const AnalysisInfo* a : analysisTable()) {
            d.push_back(*a);
            d.back().run = standIn;
        }
        return d;
    }();
    static const std::vector<const AnalysisInfo*> table = [] {
        std::vector<const AnalysisInfo*> t;
        for (const AnalysisInfo& a : descriptions) t.push_back(&a);
        return t;
    }();
    return table;
}

// The next line of `text` from `at`, without its line feed.
std::string_view lineAt(std::string_view text, std::size_t& at) {
    if (at >= text.size()) return {};
    const std::size_t lf = text.find('\n', at);
    const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
    const std::string_view line = text.substr(at, end - at);
    at = lf == std::string_view::npos ? text.size() : lf + 1;
    return line;
}

// Takes every character and keeps none.
class Discard : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The dispatch names unknown functions on the error stream; kept, that
    // text would grow with every input.
    static Discard discarded;
    std::cerr.rdbuf(&discarded);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string ownPath = fuzz::scratchPath("Ruzovizu");
    static const std::string callPath = fuzz::scratchPath("_ParamsOfFunc.txt");
    static const std::string paramPath = fuzz::scratchPath("param");
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::size_t at = 0;
    const std::string_view line1 = lineAt(text, at);
    const std::string_view line2 = lineAt(text, at);
    fuzz::writeFileBytes(callPath, text);
    fuzz::writeFileBytes(paramPath, text.substr(at));

    RecordingConsole console;
    const auto call = readCallFile(ownPath);
    FUZZ_CHECK(bool(call), "a readable call file was refused: " + (call ? std::string() : call.failure().message));
    if (line1.size() > kCallLineLimit || line2.size() > kCallLineLimit) {
        FUZZ_CHECK(!call->problem.empty(), "an over-long call file line was taken");
        FUZZ_CHECK(call->parameterFile.empty() && call->functionName.empty(),
                   "an over-long call file line left values behind");
        const char* const number = line1.size() > kCallLineLimit ? "line 1 " : "line 2 ";
        FUZZ_CHECK(call->problem.starts_with(number), "the problem names the wrong line: " + call->problem);
    } else if (line1.find('\0') != std::string_view::npos) {
        // The system would read the path only up to the NUL: another file.
        FUZZ_CHECK(call->problem.starts_with("line 1 ") && call->problem.ends_with(" holds a NUL byte"),
                   "a NUL in the parameter file's path was not refused: " + call->problem);
        FUZZ_CHECK(call->parameterFile.empty() && call->functionName.empty(),
                   "a refused call file left values behind");
    } else {
        FUZZ_CHECK(call->problem.empty(), "a call file that fits was refused: " + call->problem);
        FUZZ_CHECK(call->parameterFile == line1, "line 1 was read as \"" + call->parameterFile + "\"");
        FUZZ_CHECK(call->functionName == line2, "line 2 was read as \"" + call->functionName + "\"");
    }

    // The dispatch reads the named parameter file for its `threads` record;
    // only files of the scratch folder are offered to it.
    if (call->parameterFile.find('/') != std::string::npos) return 0;
    CallLines inScratch = *call;
    inScratch.parameterFile = fuzz::scratchPath(call->parameterFile);
    RunContext context(console.console());
    const int status = dispatch(context, standInTable(), inScratch);
    const AnalysisInfo* analysis = call->problem.empty() ? findAnalysis(standInTable(), call->functionName) : nullptr;
    FUZZ_CHECK(status == 0 || status == 1, "dispatch returned " + std::to_string(status));
    if (status == 0) {
        FUZZ_CHECK(analysis && analysis->run, "dispatch ran no analysis but reported success");
        FUZZ_CHECK(context.threads >= 1, "an analysis ran on " + std::to_string(context.threads) + " threads");
    }
    FUZZ_CHECK(console.text().ends_with("\ndone\n"), "the dispatch did not end with done");
    return 0;
}
