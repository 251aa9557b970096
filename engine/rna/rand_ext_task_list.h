// The task list of RandExtTaskList: reading the file and taking its task
// lines apart.
//
// Lines 1-6 free text; line 7 the experiment identifier; line 8 a column
// heading; then one task per line: immutSz<TAB>mutTipSz<TAB>misNu.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/context.h"
#include "replaced_end.h"

namespace ruz::replaced_end {

struct TaskList {
    std::string experimentId;
    std::vector<std::string> lines;  // the task lines, CR removed
    bool endsAtLongLine = false;     // a line too long for the line buffer ended it
};

// Reads the whole list up front (through the line buffer of `context`).
// Failures print their messages and return nothing.
std::optional<TaskList> readTaskList(RunContext& context, const std::string& path);

// Splits a task line into its three tab-separated fields. A line that does
// not have exactly three, holds a NUL byte or is too long is refused with
// the reason in `problem`.
std::optional<SizeTexts> splitTaskLine(const std::string& line, std::string* problem = nullptr);

// The genome margin that serves every task of the list that can run.
std::int32_t marginFor(const TaskList& list);

}  // namespace ruz::replaced_end
