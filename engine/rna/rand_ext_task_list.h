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
#include "core/outcome.h"
#include "replaced_end.h"

namespace ruz::replaced_end {

struct TaskList {
    std::string experimentId;
    std::vector<std::string> lines;  // the task lines, CR removed
    bool endsAtLongLine = false;     // a line too long for the line buffer ended it
};

// Reads the whole list up front (through the line buffer of `context`).
Outcome<TaskList> readTaskList(RunContext& context, const std::string& path);

// Splits a task line into its three tab-separated fields. A line that does
// not have exactly three, holds a NUL byte or is too long is refused:
// "\nbad task line: " + the line + the reason.
Outcome<SizeTexts> splitTaskLine(const std::string& line);

// A non-empty task line and what it gives: its sizes, or the failure that
// ends the list when its turn comes.
struct TaskLine {
    std::string line;
    Outcome<SizeTexts> texts;
    Outcome<Sizes> sizes;
};

// Takes every non-empty line of the list apart once.
std::vector<TaskLine> taskLines(Console& console, const TaskList& list);

// The genome margin that serves every task of the list that can run: the
// largest read size less one, and at least the 11 letters the index keys
// reach past the end.
std::int32_t marginFor(const std::vector<TaskLine>& tasks);

}  // namespace ruz::replaced_end
