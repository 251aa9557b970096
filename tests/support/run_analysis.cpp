#include "support/run_analysis.h"

#include "analyses.h"
#include "core/entry.h"
#include "support/test_files.h"

namespace ruz::test {

bool runAnalysis(RunContext& context, std::string_view name, const std::string& parameterFile) {
    return runNamedAnalysis(context, analysisTable(), name, parameterFile);
}

bool runWithParameters(RunContext& context, std::string_view name, const std::string& parameterFile,
                       const std::vector<std::pair<std::string, std::string>>& records) {
    std::string text;
    for (const auto& [parameter, value] : records) text += record(parameter, value);
    writeFile(parameterFile, text);
    return runAnalysis(context, name, parameterFile);
}

}  // namespace ruz::test
