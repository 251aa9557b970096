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

struct TaskList {
    std::string experimentId;
    std::vector<std::string> lines;  // the task lines, CR removed
    bool endsAtLongLine = false;     // a line too long for the line buffer ended it
};

std::string withoutFinalCr(const char* line, std::size_t length) {
    return std::string(line, lengthWithoutCr(line, length));
}

// Reads the whole list up front: the largest read size of its tasks sets
// the genome's circular margin.
std::optional<TaskList> readTaskList(RunContext& context, const std::string& path) {
    auto file = ReadsFile::open(context.console, path);
    if (!file) return std::nullopt;
    TaskList list;
    std::vector<char>& line = context.buff.line;
    std::size_t length = 0;
    for (int n = 1; n <= kHeadLines && file->next(line, length); ++n)
        if (n == kExperimentLine) list.experimentId = replaceDots(withoutFinalCr(line.data(), length));
    if (file->inputCount() == kHeadLines) {
        while (file->next(line, length)) list.lines.push_back(withoutFinalCr(line.data(), length));
    }
    list.endsAtLongLine = file->stoppedAtLongLine();
    return list;
}

// Splits a task line at its first two tabs; the third field runs to the
// end of the line.
std::optional<SizeTexts> splitTaskLine(const std::string& line) {
    if (line.size() > kLongestTaskLine) return std::nullopt;
    const auto tab1 = line.find('\t');
    if (tab1 == std::string::npos) return std::nullopt;
    const auto tab2 = line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) return std::nullopt;
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

struct Inputs {
    std::string resultPrefix;
    std::string genomePath;
    std::string readsPath;
    std::string experimentId;
};

bool runTask(RunContext& context, const IndexedGenome& genome, const Inputs& in,
             const SizeTexts& texts, const Sizes& sizes) {
    auto files = RunFiles::create(context.console, in.resultPrefix,
                                  resultStem(in.resultPrefix, in.experimentId, texts));
    if (!files) return false;
    Counters counters;
    Placer placer(genome, sizes);
    if (!scanReads(context, in.readsPath, sizes, placer, *files, counters)) return false;
    if (counters.fellIntoGenome == 0) {
        context.console.fail("\nno detected reads");
        return false;
    }
    return writeReport(context, genome.genome, sizes, counters, *files,
                       {"Ruzovizu::fCutRnaReplacedEnd_BaseTaskList", in.genomePath, in.readsPath});
}

}  // namespace

bool RandExtTaskList(RunContext& context, const std::string& parameterFile) {
    Console& console = context.console;
    ParameterTable table = loadParameterTable(console, parameterFile);
    const auto prefix = resultPrefix(console, table.lookup("diRes"));
    if (!prefix) return false;
    Inputs in{*prefix, table.lookup("pthGnm"), table.lookup("pthReads"), {}};
    const std::string listPath = table.lookup("pthTaskList");

    const auto list = readTaskList(context, listPath);
    if (!list) return false;
    in.experimentId = list->experimentId;

    console.say("procedure  ", "RandExtTaskList", "\ngenome        ", in.genomePath,
                "\nreads         ", in.readsPath, "\ntaskList  =", listPath, "\nexperimentId=",
                in.experimentId);
    console.waitKey();
    console.say("\nexecuting...");

    const auto genome = loadIndexedGenome(console, in.genomePath, marginFor(*list));
    if (!genome) return false;
    context.genomeLength = genome->genome.length;

    console.say("\nimmutSz\tmutTipSz\tmisNu");
    for (const std::string& line : list->lines) {
        if (line.empty()) continue;
        console.say("\n", line);
        const auto texts = splitTaskLine(line);
        if (!texts) {
            console.fail("\nbad task line: ", line);
            return false;
        }
        const auto sizes = convertSizes(console, *texts);
        if (!sizes || !runTask(context, *genome, in, *texts, *sizes)) return false;
    }
    if (list->endsAtLongLine) {
        console.fail("\nbad task line: a line of ", kLineLimit, " characters or more ends the list");
        return false;
    }
    return true;
}

}  // namespace ruz
