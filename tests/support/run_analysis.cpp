#include "support/run_analysis.h"

#include "analyses.h"
#include "core/entry.h"

namespace ruz::test {

bool runAnalysis(RunContext& context, std::string_view name, const std::string& parameterFile) {
    return runNamedAnalysis(context, analysisTable(), name, parameterFile);
}

}  // namespace ruz::test
