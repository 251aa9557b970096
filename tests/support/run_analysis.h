// Runs an analysis of the engine's table in the test process, as the entry
// does: its parameter file read through its description, a failure printed
// on the run's console with its key wait.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/context.h"

namespace ruz::test {

// True when the analysis named `name` ran to its end.
bool runAnalysis(RunContext& context, std::string_view name, const std::string& parameterFile);

// Writes `records` (name, value) as the parameter file `parameterFile`,
// then runs the analysis `name` on it.
bool runWithParameters(RunContext& context, std::string_view name, const std::string& parameterFile,
                       const std::vector<std::pair<std::string, std::string>>& records);

}  // namespace ruz::test
