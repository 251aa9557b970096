// The Params folder delivered with the launcher, against the engine: the
// catalogue offers every analysis of the engine beside the launcher, and each
// function's template fills the grid with every name the analysis reads.
#include <gtest/gtest.h>

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
Catalogue catalogue() { return Catalogue(paramsFile(kCatalogueFileName), kCatalogueFileName); }

TEST(ParamsFolder, CatalogueOffersEveryAnalysisOfTheEngineBesideTheLauncher) {
    EXPECT_EQ(catalogue().packages(), QStringList{"Helixa"});
    EXPECT_TRUE(paramsFile(kAboutPackagesFileName).contains("Helixa"));
    QStringList offered = catalogue().functionsOf("Helixa");
    QStringList engine;
    for (const ruz::AnalysisInfo& analysis : ruz::analysisTable()) {
        engine.append(text(analysis.name));
        const Module module = catalogue().moduleOf(engine.last());
        EXPECT_EQ(module.directory, kThisDirectory);
        EXPECT_EQ(moduleExecutable("/x/", module.text, engine.last(), ExecutableRule::Posix),
                  "/x/" RUZ_ENGINE_FILE_NAME);
    }
    offered.sort();
    engine.sort();
    EXPECT_EQ(offered, engine);
}

TEST(ParamsFolder, EveryTemplateFillsTheGridWithEveryNameTheEngineReadsAndHasAnAboutText) {
    const QStringList about = paramsFile(kAboutFunctionsFileName);
    for (const QString& function : catalogue().functionsOf("Helixa")) {
        SCOPED_TRACE(function);
        const QStringList lines = paramsFile(function + ".txt");
        EXPECT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.size() % ParamGrid::kColumns, 0) << "whole four-line records";
        EXPECT_LE(lines.size(), ParamGrid::kRows * ParamGrid::kColumns) << "all shown in the grid";
        QStringList names;
        for (qsizetype i = 0; i + ParamGrid::kColumns <= lines.size(); i += ParamGrid::kColumns) {
            EXPECT_FALSE(lines[i].isEmpty()) << "an empty comment ends the records written";
            EXPECT_TRUE(kTypes.contains(lines[i + ParamGrid::Type])) << lines[i + ParamGrid::Type];
            names.append(lines[i + ParamGrid::Name]);
        }
        const ruz::AnalysisInfo* analysis = ruz::findAnalysis(ruz::analysisTable(), function.toStdString());
        ASSERT_NE(analysis, nullptr);
        for (std::string_view name : analysis->parameters) {
            EXPECT_TRUE(names.contains(text(name))) << name;
        }
        EXPECT_EQ(names.removeDuplicates(), 0) << "a name given twice";
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
