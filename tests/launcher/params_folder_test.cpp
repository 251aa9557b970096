// The Params folder delivered with the launcher, against the engine: the
// catalogue offers every analysis of the engine beside the launcher, and each
// function's template fills the grid with every name the analysis reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "analyses.h"
#include "model/about_file.h"
#include "model/catalogue.h"
#include "model/launch_paths.h"
#include "model/param_grid.h"
#include "model/text_lines.h"
#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

const QStringList kTypes = {"dir", "file", "int", "str"};

QStringList paramsFile(const QString& name) {
    return readLines(test_support::projectParamsDir() + '/' + name);
}
QString text(std::string_view view) { return QString::fromUtf8(view.data(), qsizetype(view.size())); }
Catalogue catalogue() { return Catalogue(readLines(test_support::projectCatalogue()), kCatalogueFileName); }

TEST(ParamsFolder, CatalogueOffersEveryAnalysisOfTheEngineBesideTheLauncher) {
    EXPECT_EQ(catalogue().packages(), QStringList{"Helixa"});
    EXPECT_TRUE(paramsFile(kAboutPackagesFileName).contains("Helixa"));
    QStringList offered = catalogue().functionsOf("Helixa");
    QStringList engine;
    for (const ruz::AnalysisInfo* analysis : ruz::analysisTable()) {
        engine.append(text(analysis->name));
        const Module module = catalogue().moduleOf(engine.last());
        EXPECT_EQ(module.directory, kThisDirectory);
        EXPECT_EQ(moduleExecutable("/x/", module.text, engine.last(), ExecutableRule::Posix),
                  "/x/" RUZ_ENGINE_FILE_NAME);
    }
    offered.sort();
    engine.sort();
    EXPECT_EQ(offered, engine);
}

// The first line where a template differs from what its analysis's
// description gives, or nothing.
std::optional<QString> firstDifference(const QStringList& lines, const QStringList& described) {
    for (qsizetype i = 0; i < std::max(lines.size(), described.size()); ++i) {
        const QString have = i < lines.size() ? lines[i] : QStringLiteral("(the file ends)");
        const QString want = i < described.size() ? described[i] : QStringLiteral("(the description ends)");
        if (have != want)
            return QStringLiteral("line %1 is \"%2\", the description gives \"%3\"").arg(i + 1).arg(have, want);
    }
    return std::nullopt;
}

// Each analysis's template is the one its description gives (comments,
// types, names and defaults, in order) and fits the grid; each has an about
// text.
TEST(ParamsFolder, EveryTemplateIsTheOneItsDescriptionGivesAndHasAnAboutText) {
    const QStringList about = paramsFile(kAboutFunctionsFileName);
    for (const ruz::AnalysisInfo* analysis : ruz::analysisTable()) {
        const QString function = text(analysis->name);
        SCOPED_TRACE(function.toStdString());
        const QStringList lines = paramsFile(function + ".txt");
        QStringList described = text(ruz::templateText(*analysis)).split(u'\n');
        described.removeLast();  // after the last line's LF
        const auto difference = firstDifference(lines, described);
        EXPECT_FALSE(difference) << "params/" << function.toStdString() << ".txt: " << difference->toStdString();
        EXPECT_LE(lines.size(), ParamGrid::kRows * ParamGrid::kColumns) << "all shown in the grid";
        for (qsizetype i = ParamGrid::Type; i < lines.size(); i += ParamGrid::kColumns)
            EXPECT_TRUE(kTypes.contains(lines[i])) << lines[i];
        EXPECT_TRUE(about.contains(function)) << "else its about window shows the file's start";
        EXPECT_NO_THROW(aboutBlock(about, function, kAboutFunctionsFileName));
    }
}

// "my file" opens the value of the record commented "task list"; the sample
// has the task list's heading on line 8 and one task a line after it.
TEST(ParamsFolder, TaskListRecordAndSampleFollowTheTaskListLayout) {
    const QStringList taskList = paramsFile("RandExtTaskList.txt");
    const qsizetype at = taskList.indexOf("pthTaskList");
    ASSERT_EQ(at % ParamGrid::kColumns, ParamGrid::Name);
    EXPECT_EQ(taskList[at - ParamGrid::Name], "task list");
    const QStringList sample = paramsFile(kTaskListSampleFileName);
    ASSERT_GE(sample.size(), 9);
    EXPECT_EQ(sample[7], "immutSz\tmutTipSz\tmisNu");
    for (const QString& task : sample.mid(8)) EXPECT_EQ(task.split('\t').size(), 3) << task;
}

}  // namespace
}  // namespace quellon
