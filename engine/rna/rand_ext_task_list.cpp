// RandExtTaskList: RandExt once per task line of a task list, over one
// genome and one reads file. The genome and its index are built once; the
// reads file is scanned once per read size, for every task of that size.
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
Outcome<TaskList> readTaskList(RunContext& context, const std::string& path) {
    auto file = ReadsFile::open(path);
    if (!file) return file.failure();
    TaskList list;
    std::vector<char>& line = context.buff.line;
    std::size_t length = 0;
    for (int n = 1; n <= kHeadLines && file->next(line, length); ++n)
        if (n == kExperimentLine) list.experimentId = replaceDots(withoutFinalCr(line.data(), length));
    if (file->inputCount() == kHeadLines) {
        while (file->next(line, length)) list.lines.push_back(withoutFinalCr(line.data(), length));
    }
    if (file->stoppedAtReadError()) return failure("\ni can't read ", path);
    if (list.experimentId.find('\0') != std::string::npos)
        return failure("\ntask list ", path, ": line ", kExperimentLine,
                       " (the experiment identifier) holds a NUL byte");
    list.endsAtLongLine = file->stoppedAtLongLine();
    return list;
}

Outcome<SizeTexts> splitTaskLine(const std::string& line) {
    const auto refuse = [&](const char* why) { return failure("\nbad task line: ", shownLine(line), why); };
    if (line.size() > kLongestTaskLine) return refuse("");
    if (line.find('\0') != std::string::npos) return refuse(" (it holds a NUL byte)");
    const auto tab1 = line.find('\t');
    const auto tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) return refuse("");
    if (line.find('\t', tab2 + 1) != std::string::npos)
        return refuse(" (a task has three fields: immutSz, mutTipSz, misNu)");
    return SizeTexts{line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1)};
}

std::vector<TaskLine> taskLines(Console& console, const TaskList& list) {
    std::vector<TaskLine> tasks;
    for (const std::string& line : list.lines) {
        if (line.empty()) continue;
        auto texts = splitTaskLine(line);
        Outcome<Sizes> sizes = texts ? convertSizes(console, *texts) : Outcome<Sizes>(texts.failure());
        tasks.push_back({line, std::move(texts), std::move(sizes)});
    }
    return tasks;
}

std::int32_t marginFor(const std::vector<TaskLine>& tasks) {
    std::int32_t margin = 11;
    for (const TaskLine& t : tasks)
        if (t.sizes) margin = std::max(margin, t.sizes->readSize() - 1);
    return margin;
}

}  // namespace replaced_end

namespace {

constexpr ParamSpec kParameters[] = {
    kLetterGenome,
    kLetterReads,
    kResultDirectory,
    {"pthTaskList", ParamType::File, "task list", "?", {}},
    kTracksParameter,
    kThreadsParameter,
    kSeqNameParameter,
};

constexpr OutputSpec kOutputs[] = {
    {"{diRes}/{pthTaskList:line 7}_{immutSz}!{mutTipSz}!{misNu}!.txt", true},
    {"{diRes}/{pthTaskList:line 7}_{immutSz}!{mutTipSz}!{misNu}!Log.txt", false},
    {"{diRes}/{pthTaskList:line 7}_{immutSz}!{mutTipSz}!{misNu}!.bed", false},
    {"{diRes}/{pthTaskList:line 7}_{immutSz}!{mutTipSz}!{misNu}!EntropyUp.bedGraph", false},
    {"{diRes}/{pthTaskList:line 7}_{immutSz}!{mutTipSz}!{misNu}!EntropyLw.bedGraph", false},
};

struct Inputs {
    std::string resultPrefix;
    std::string genomePath;
    std::string readsPath;
    std::string taskListPath;
    std::string parameterFile;
    std::string experimentId;
    std::optional<TrackRequest> tracks;
    std::optional<ReportTracks> trackOutput;  // once the genome is loaded
};

// A task of the list that can run: its sizes, and once its read size has
// been scanned, its files, counts and how the scan ended.
struct ListTask {
    const TaskLine* line = nullptr;
    std::optional<RunFiles> files;
    Counters counters;
    std::optional<Outcome<ScanEnd>> scan;
};

// The tasks of the list up to the first line that cannot run.
std::vector<ListTask> runnableTasks(const std::vector<TaskLine>& lines) {
    std::vector<ListTask> tasks;
    for (const TaskLine& line : lines) {
        if (!line.sizes) break;
        tasks.push_back({&line, std::nullopt, {}, std::nullopt});
    }
    return tasks;
}

Outcome<RunFiles> createFiles(const Inputs& in, const SizeTexts& texts) {
    return RunFiles::create(in.resultPrefix, resultStem(in.resultPrefix, in.experimentId, texts),
                            {in.genomePath, in.readsPath, in.taskListPath, in.parameterFile},
                            in.tracks.has_value());
}

// Scans the reads once for task `first` and every later task of its read
// size: the placements of a read serve every split of it into immutable
// part and tip. Later tasks whose files cannot be made now wait for their
// own turn, where the failure is met again and reported.
Outcome<void> scanGroup(RunContext& context, const IndexedGenome& genome, const Inputs& in,
                        std::vector<ListTask>& tasks, std::size_t first) {
    const std::int32_t readSize = tasks[first].line->sizes->readSize();
    std::vector<std::size_t> members;
    for (std::size_t t = first; t < tasks.size(); ++t) {
        if (tasks[t].scan || tasks[t].line->sizes->readSize() != readSize) continue;
        auto files = createFiles(in, *tasks[t].line->texts);
        if (!files) {
            if (t == first) return files.failure();
            continue;
        }
        tasks[t].files = std::move(*files);
        members.push_back(t);
    }
    std::vector<Task> group;
    for (const std::size_t t : members) group.push_back({*tasks[t].line->sizes, &*tasks[t].files, {}});
    const auto scan = scanReads(context, in.readsPath, genome, group);
    for (std::size_t i = 0; i < members.size(); ++i) {
        tasks[members[i]].counters = group[i].counters;
        tasks[members[i]].scan = scan;
    }
    return {};
}

// Reports one task whose reads were scanned. A cut reads file has been
// reported already: this task's report covers the reads before the cut,
// and the list ends after it.
RunOutcome reportTask(RunContext& context, const IndexedGenome& genome, const Inputs& in, ListTask& task) {
    if (!*task.scan) return task.scan->failure();
    if (task.counters.fellIntoGenome == 0) return failure("\nno detected reads");
    const auto written =
        writeReport(context, genome.genome, *task.line->sizes, task.counters, *task.files,
                    {"Ruzovizu::fCutRnaReplacedEnd_BaseTaskList", in.genomePath, in.readsPath},
                    in.trackOutput ? &*in.trackOutput : nullptr);
    task.files.reset();
    if (!written) return written.failure();
    return **task.scan == ScanEnd::Complete ? RunEnd::Complete : RunEnd::Stopped;
}

RunOutcome run(RunContext& context, const Parameters& parameters) {
    Console& console = context.console;
    const auto prefix = resultPrefix(parameters.text("diRes"));
    if (!prefix) return prefix.failure();
    const std::string listPath = parameters.text("pthTaskList");
    Inputs in{*prefix, parameters.text("pthGnm"), parameters.text("pthReads"), listPath, parameters.path(), {}, {}, {}};
    auto trackWish = trackRequest(context, parameters);
    if (!trackWish) return trackWish.failure();
    in.tracks = std::move(*trackWish);

    const auto list = readTaskList(context, listPath);
    if (!list) return list.failure();
    in.experimentId = list->experimentId;
    const std::vector<TaskLine> lines = taskLines(console, *list);
    if (lines.empty() && !list->endsAtLongLine)
        return failure("\ntask list ", listPath, " holds no task (the tasks start on line ", kHeadLines + 1, ")");

    console.say("procedure  ", "RandExtTaskList", "\ngenome        ", in.genomePath, "\nreads         ",
                in.readsPath, "\ntaskList  =", listPath, "\nexperimentId=", in.experimentId);
    console.waitKey();
    console.say("\nexecuting...");

    const auto genome = loadIndexedGenome(in.genomePath, marginFor(lines), context.threads);
    if (!genome) return genome.failure();
    if (in.tracks)
        in.trackOutput = ReportTracks{
            trackSequence(console, *in.tracks, in.genomePath, (*genome)->genome.length), "RandExtTaskList"};

    console.say("\nimmutSz\tmutTipSz\tmisNu");
    std::vector<ListTask> tasks = runnableTasks(lines);
    for (std::size_t next = 0; next < lines.size(); ++next) {
        console.say("\n", shownLine(lines[next].line));
        if (!lines[next].sizes) return lines[next].sizes.failure();
        if (!tasks[next].scan) {
            if (auto scanned = scanGroup(context, **genome, in, tasks, next); !scanned) return scanned.failure();
        }
        const RunOutcome reported = reportTask(context, **genome, in, tasks[next]);
        if (!reported || *reported != RunEnd::Complete) return reported;
    }
    if (list->endsAtLongLine)
        return failure("\nbad task line: a line of ", kLineLimit, " characters or more ends the list");
    return RunEnd::Complete;
}

}  // namespace

RUZ_ANALYSIS(kRandExtTaskList) = {"RandExtTaskList", run, "RandExt for every task line of a task list",
                                  ReadsForm::Letters, kParameters, kOutputs};

}  // namespace ruz
