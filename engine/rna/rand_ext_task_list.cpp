// RandExtTaskList: RandExt once per task line of a task list, over one
// genome and one reads file. The genome and its index are built once; the
// reads file is scanned again for every task.
//
// Parameters: diRes, pthGnm, pthReads, pthTaskList.
// Task list: lines 1-6 free text; line 7 the experiment identifier (dots
// become "_"); line 8 a column heading; then one task per line:
// immutSz<TAB>mutTipSz<TAB>misNu, at most 99 characters. Empty lines are
// skipped. Each task writes <id>_immutSz!mutTipSz!misNu!.txt and ...Log.txt
// in the formats of RandExt. A task that fails or places no read ends the
// list.
#include <algorithm>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/params.h"
#include "core/reads.h"
#include "rand_ext_task_list.h"
#include "replaced_end.h"
#include "rna_analyses.h"

namespace ruz {

namespace {

using namespace replaced_end;

// Task lines must keep both tabs and their end within the first 100
// characters.
constexpr std::size_t kLongestTaskLine = 99;
constexpr int kHeadLines = 8;
constexpr int kExperimentLine = 7;

std::string withoutFinalCr(const char* line, std::size_t length) {
    return std::string(line, lengthWithoutCr(line, length));
}

// A task line as the console shows it: a NUL byte as "\0".
std::string shownLine(const std::string& line) {
    std::string shown;
    for (const char c : line) {
        if (c == '\0')
            shown += "\\0";
        else
            shown += c;
    }
    return shown;
}

}  // namespace

namespace replaced_end {

// Reads the whole list up front: the largest read size of its tasks sets
// the genome's circular margin. The experiment identifier names files, so
// a NUL byte in it is refused.
std::optional<TaskList> readTaskList(RunContext& context, const std::string& path) {
    Console& console = context.console;
    auto file = ReadsFile::open(console, path);
    if (!file) return std::nullopt;
    TaskList list;
    std::vector<char>& line = context.buff.line;
    std::size_t length = 0;
    for (int n = 1; n <= kHeadLines && file->next(line, length); ++n)
        if (n == kExperimentLine) list.experimentId = replaceDots(withoutFinalCr(line.data(), length));
    if (file->inputCount() == kHeadLines) {
        while (file->next(line, length)) list.lines.push_back(withoutFinalCr(line.data(), length));
    }
    if (file->stoppedAtReadError()) {
        file->reportEnd(console);
        return std::nullopt;
    }
    if (list.experimentId.find('\0') != std::string::npos) {
        console.fail("\ntask list ", path, ": line ", kExperimentLine,
                     " (the experiment identifier) holds a NUL byte");
        return std::nullopt;
    }
    list.endsAtLongLine = file->stoppedAtLongLine();
    return list;
}

// Splits a task line into its three tab-separated fields. A line that does
// not have exactly three, holds a NUL byte or is too long is refused with
// the reason in `problem`.
std::optional<SizeTexts> splitTaskLine(const std::string& line, std::string* problem) {
    const auto refuse = [&](const char* why) -> std::optional<SizeTexts> {
        if (problem) *problem = why;
        return std::nullopt;
    };
    if (line.size() > kLongestTaskLine) return refuse("");
    if (line.find('\0') != std::string::npos) return refuse(" (it holds a NUL byte)");
    const auto tab1 = line.find('\t');
    const auto tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) return refuse("");
    if (line.find('\t', tab2 + 1) != std::string::npos)
        return refuse(" (a task has three fields: immutSz, mutTipSz, misNu)");
    return SizeTexts{line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1),
                     line.substr(tab2 + 1)};
}

// The margin that serves every task that can run: the largest read size
// less one, and at least the 11 letters the index keys reach past the end.
std::int32_t marginFor(const TaskList& list) {
    std::int32_t margin = 11;
    RecordingConsole quiet;  // refusals are reported when their task comes up
    for (const std::string& line : list.lines) {
        const auto texts = splitTaskLine(line);
        if (!texts) continue;
        if (const auto sizes = convertSizes(quiet.console(), *texts))
            margin = std::max(margin, sizes->readSize() - 1);
    }
    return margin;
}

}  // namespace replaced_end

namespace {

struct Inputs {
    std::string resultPrefix;
    std::string genomePath;
    std::string readsPath;
    std::string taskListPath;
    std::string parameterFile;
    std::string experimentId;
};

// A task of the list: its line, its sizes, and once its read size has been
// scanned, its files and counts.
struct ListTask {
    SizeTexts texts;
    std::optional<Sizes> sizes;
    std::optional<RunFiles> files;
    Counters counters;
    ScanEnd scan = ScanEnd::Failed;
    bool scanned = false;
};

// The tasks of the list up to the first line that cannot run; each task's
// sizes are converted quietly here and again, with their messages, when
// the task comes up.
std::vector<ListTask> runnableTasks(const TaskList& list) {
    std::vector<ListTask> tasks;
    RecordingConsole quiet;
    for (const std::string& line : list.lines) {
        if (line.empty()) continue;
        const auto texts = splitTaskLine(line);
        if (!texts) break;
        auto sizes = convertSizes(quiet.console(), *texts);
        if (!sizes) break;
        tasks.push_back({*texts, sizes, std::nullopt, {}, ScanEnd::Failed, false});
    }
    return tasks;
}

std::optional<RunFiles> createFiles(Console& console, const Inputs& in, const SizeTexts& texts) {
    return RunFiles::create(console, in.resultPrefix, resultStem(in.resultPrefix, in.experimentId, texts),
                            {in.genomePath, in.readsPath, in.taskListPath, in.parameterFile});
}

// Scans the reads once for task `first` and every later task of its read
// size: the placements of a read serve every split of it into immutable
// part and tip. Later tasks whose files cannot be made now wait for their
// own turn, where the failure is reported.
void scanGroup(RunContext& context, const IndexedGenome& genome, const Inputs& in,
               std::vector<ListTask>& tasks, std::size_t first) {
    const std::int32_t readSize = tasks[first].sizes->readSize();
    std::vector<std::size_t> members;
    RecordingConsole quiet;
    for (std::size_t t = first; t < tasks.size(); ++t) {
        if (tasks[t].scanned || tasks[t].sizes->readSize() != readSize) continue;
        tasks[t].files = createFiles(t == first ? context.console : quiet.console(), in, tasks[t].texts);
        if (!tasks[t].files) {
            if (t == first) break;
            continue;
        }
        members.push_back(t);
    }
    for (const std::size_t t : members) tasks[t].scanned = true;
    tasks[first].scanned = true;
    if (members.empty()) return;
    std::vector<Task> group;
    for (const std::size_t t : members) group.push_back({*tasks[t].sizes, &*tasks[t].files, {}});
    const ScanEnd scan = scanReads(context, in.readsPath, genome, group);
    for (std::size_t i = 0; i < members.size(); ++i) {
        tasks[members[i]].counters = group[i].counters;
        tasks[members[i]].scan = scan;
    }
}

// Reports one task whose reads were scanned; false ends the list.
bool reportTask(RunContext& context, const IndexedGenome& genome, const Inputs& in, ListTask& task) {
    if (!task.files || task.scan == ScanEnd::Failed) return false;
    if (task.counters.fellIntoGenome == 0) {
        context.console.fail("\nno detected reads");
        return false;
    }
    const bool written =
        writeReport(context, genome.genome, *task.sizes, task.counters, *task.files,
                    {"Ruzovizu::fCutRnaReplacedEnd_BaseTaskList", in.genomePath, in.readsPath});
    task.files.reset();
    // A cut reads file has been reported: this task's report covers the
    // reads before the cut, and the list ends here.
    return written && task.scan == ScanEnd::Complete;
}

}  // namespace

bool RandExtTaskList(RunContext& context, const std::string& parameterFile) {
    Console& console = context.console;
    auto table = loadParameters(console, parameterFile, kRandExtTaskListParameters);
    if (!table) return false;
    const auto prefix = resultPrefix(console, table->lookup("diRes"));
    if (!prefix) return false;
    const std::string listPath = table->lookup("pthTaskList");
    Inputs in{*prefix, table->lookup("pthGnm"), table->lookup("pthReads"), listPath, parameterFile,
              {}};

    const auto list = readTaskList(context, listPath);
    if (!list) return false;
    in.experimentId = list->experimentId;
    const bool anyTask = std::any_of(list->lines.begin(), list->lines.end(),
                                     [](const std::string& line) { return !line.empty(); });
    if (!anyTask && !list->endsAtLongLine) {
        console.fail("\ntask list ", listPath, " holds no task (the tasks start on line ",
                     kHeadLines + 1, ")");
        return false;
    }

    console.say("procedure  ", "RandExtTaskList", "\ngenome        ", in.genomePath,
                "\nreads         ", in.readsPath, "\ntaskList  =", listPath, "\nexperimentId=",
                in.experimentId);
    console.waitKey();
    console.say("\nexecuting...");

    const auto genome = loadIndexedGenome(console, in.genomePath, marginFor(*list), context.threads);
    if (!genome) return false;

    console.say("\nimmutSz\tmutTipSz\tmisNu");
    std::vector<ListTask> tasks = runnableTasks(*list);
    std::size_t next = 0;
    for (const std::string& line : list->lines) {
        if (line.empty()) continue;
        console.say("\n", shownLine(line));
        std::string problem;
        const auto texts = splitTaskLine(line, &problem);
        if (!texts) {
            console.fail("\nbad task line: ", shownLine(line), problem);
            return false;
        }
        if (!convertSizes(console, *texts)) return false;
        // The line converts, so it is the next runnable task.
        if (!tasks[next].scanned) scanGroup(context, *genome, in, tasks, next);
        if (!reportTask(context, *genome, in, tasks[next])) return false;
        ++next;
    }
    if (list->endsAtLongLine) {
        console.fail("\nbad task line: a line of ", kLineLimit, " characters or more ends the list");
        return false;
    }
    return true;
}

}  // namespace ruz
