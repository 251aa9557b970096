// Entry points of the RNA analyses. Each reads its settings from the
// parameter file and returns whether it ran to its end.
#pragma once

#include <string>

#include "core/context.h"

namespace ruz {

// Reads whose end was replaced, for one setting of the sizes.
bool RandExt(RunContext& context, const std::string& parameterFile);

// The same over the task lines of a task list, one genome and index for all.
bool RandExtTaskList(RunContext& context, const std::string& parameterFile);

}  // namespace ruz
