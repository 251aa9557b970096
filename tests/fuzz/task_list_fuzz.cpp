// The task-list reader of RandExtTaskList.
//
// The input is a task list. It is read as the analysis reads it (through
// the reads loop and the line buffer), and what the reader gives is checked
// against the input's own lines: the experiment identifier of line 7, the
// task lines after line 8, the stop at a line too long for the line buffer.
// Each task line is then taken apart and converted as the analysis does
// before it scans: every task that can run must lie within the genome
// margin the list asks for, and its output names within the result folder.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/console.h"
#include "core/context.h"
#include "rna/rand_ext_task_list.h"
#include "rna/replaced_end.h"
#include "support/fuzz_support.h"

namespace {

using namespace ruz;
using namespace ruz::replaced_end;

constexpr int kHeadLines = 8;
constexpr int kExperimentLine = 7;

std::string withoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return std::string(line);
}

// The list as its description reads: lines at LF, a line of kLineLimit
// bytes or more ends the reading.
TaskList expectedList(std::string_view text) {
    const fuzz::EngineLines d = fuzz::engineLines(text);
    TaskList list;
    list.endsAtLongLine = d.endsAtLongLine;
    for (std::size_t i = 0; i < d.lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        if (number == kExperimentLine) list.experimentId = replaceDots(withoutCr(d.lines[i]));
        if (number > kHeadLines) list.lines.push_back(withoutCr(d.lines[i]));
    }
    return list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzz::scratchPath("TaskList.txt");
    static const std::string prefix = fuzz::scratchPath("");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fuzz::writeFileBytes(path, text);

    RecordingConsole console;
    RunContext context(console.console());
    const auto list = readTaskList(context, path);
    const TaskList expected = expectedList(text);
    if (expected.experimentId.find('\0') != std::string::npos) {
        FUZZ_CHECK(!list && list.failure().message.ends_with("(the experiment identifier) holds a NUL byte"),
                   "an experiment identifier holding a NUL byte was taken");
        return 0;
    }
    FUZZ_CHECK(bool(list), "a readable task list was refused: " + (list ? std::string() : list.failure().message));
    FUZZ_CHECK(list->experimentId == expected.experimentId, "experiment identifier \"" + list->experimentId + "\"");
    FUZZ_CHECK(list->lines == expected.lines, "the task lines differ from the file's");
    FUZZ_CHECK(list->endsAtLongLine == expected.endsAtLongLine, "the stop at a long line was missed");

    // The tasks the analysis runs: its lines in order, empty ones skipped,
    // up to the first that does not split or convert.
    const std::vector<TaskLine> tasks = taskLines(console.console(), *list);
    FUZZ_CHECK(console.keyWaits() == 0, "taking the task lines apart waited for a key");
    const std::int32_t margin = marginFor(tasks);
    FUZZ_CHECK(margin >= 11, "a margin of " + std::to_string(margin) + " is below the index keys' 11");
    for (const TaskLine& task : tasks) {
        const std::string& line = task.line;
        FUZZ_CHECK(!line.empty(), "an empty line became a task");
        if (!task.texts) {
            FUZZ_CHECK(task.texts.failure().message.starts_with("\nbad task line: "), "a bad line not named");
            break;
        }
        const auto& sizes = task.sizes;
        if (!sizes) {
            FUZZ_CHECK(sizes.failure().message.starts_with("\n"), "a refused task without a message");
            break;
        }
        const SizeTexts& texts = *task.texts;
        FUZZ_CHECK(sizes->immutSz >= 0 && sizes->mutTipSz >= 0 && sizes->mutTipSz <= 16,
                   "sizes the read model cannot hold were accepted");
        FUZZ_CHECK(sizes->readSize() >= 12 && static_cast<std::size_t>(sizes->readSize()) < kLineLimit,
                   "read size " + std::to_string(sizes->readSize()) + " was accepted");
        FUZZ_CHECK(sizes->readSize() - 1 <= margin,
                   "task \"" + line + "\" reads past the margin " + std::to_string(margin));
        const std::string stem = resultStem(prefix, list->experimentId, texts);
        FUZZ_CHECK(stem.starts_with(prefix) && stem.find('\0') == std::string::npos,
                   "output name \"" + stem + "\"");
    }
    return 0;
}
