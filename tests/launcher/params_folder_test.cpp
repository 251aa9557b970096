// The Params folder delivered with the launcher, checked against the engine:
// every function the catalogue offers has a template holding every parameter
// that analysis reads, and an about text.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QRegularExpression>

#include <string>

#include "model/about_file.h"
#include "model/catalogue.h"
#include "model/launch_paths.h"
#include "model/param_grid.h"
#include "model/text_lines.h"
#include "core/entry.h"
#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

const QString kPackage = "Helixa";

QString paramsFile(const QString& name) { return test_support::projectParamsDir() + '/' + name; }

QStringList catalogueFunctions() {
    return Catalogue::read(paramsFile(kCatalogueFileName)).functionsOf(kPackage);
}

QStringList engineFunctions() {
    QStringList names;
    for (const ruz::AnalysisInfo& analysis : ruz::analysisTable()) {
        names.append(QString::fromStdString(std::string(analysis.name)));
    }
    return names;
}

const ruz::AnalysisInfo& engineAnalysis(const QString& function) {
    const ruz::AnalysisInfo* analysis = ruz::findAnalysis(function.toStdString());
    if (!analysis) throw std::runtime_error("no analysis " + function.toStdString());
    return *analysis;
}

TEST(ParamsCatalogue, HelixaOffersEveryEngineFunctionFromTheEngineBesideTheLauncher) {
    const Catalogue catalogue = Catalogue::read(paramsFile(kCatalogueFileName));
    EXPECT_EQ(catalogue.packages(), QStringList{kPackage});
    QStringList offered = catalogueFunctions();
    QStringList engine = engineFunctions();
    offered.sort();
    engine.sort();
    EXPECT_EQ(offered, engine);
    EXPECT_EQ(catalogueFunctions().first(), "RandExt") << "the package choice shows it first";
    for (const QString& function : engine) {
        const Module module = catalogue.moduleOf(function);
        EXPECT_EQ(module.directory, kThisDirectory);
        EXPECT_EQ(moduleExecutable("/x/", module.text, function, ExecutableRule::Posix),
                  "/x/" RUZ_ENGINE_FILE_NAME);
    }
}

class ParamsTemplate : public ::testing::TestWithParam<std::string> {
protected:
    QString function() const { return QString::fromStdString(GetParam()); }
    QStringList lines() const { return readLines(paramsFile(function() + ".txt")); }
};

TEST_P(ParamsTemplate, IsWholeFourLineRecordsThatFitTheGrid) {
    const QStringList lines = this->lines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.size() % ParamGrid::kColumns, 0);
    EXPECT_LE(lines.size(), ParamGrid::kRows * ParamGrid::kColumns) << "every record shows in the grid";
    const QStringList types = {"dir", "file", "int", "str"};
    for (int i = 0; i + ParamGrid::kColumns <= lines.size(); i += ParamGrid::kColumns) {
        const QString& comment = lines[i + ParamGrid::Comment];
        const QString& type = lines[i + ParamGrid::Type];
        const QString& value = lines[i + ParamGrid::Value];
        EXPECT_FALSE(comment.isEmpty()) << "an empty comment would end the record list";
        EXPECT_LE(comment.size(), 45) << "the comment column is 300 pixels wide: " << comment.toStdString();
        EXPECT_TRUE(types.contains(type)) << type.toStdString();
        if (type == "file" || type == "dir") {
            EXPECT_EQ(value, "?") << "nothing chosen yet";
        }
        if (type == "int") {
            EXPECT_TRUE(QRegularExpression("^[0-9]+$").match(value).hasMatch()) << value.toStdString();
        }
    }
}

TEST_P(ParamsTemplate, HoldsEveryParameterTheEngineReads) {
    QStringList names;
    const QStringList lines = this->lines();
    for (int i = ParamGrid::Name; i < lines.size(); i += ParamGrid::kColumns) names.append(lines[i]);
    for (std::string_view name : engineAnalysis(function()).parameters) {
        EXPECT_TRUE(names.contains(QString::fromStdString(std::string(name)))) << name;
    }
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size()) << "a name given twice";
}

TEST_P(ParamsTemplate, HasAnAboutText) {
    const QStringList about = readLines(paramsFile(kAboutFunctionsFileName));
    ASSERT_TRUE(about.contains(function()));
    const QStringList block = aboutBlock(about, function(), kAboutFunctionsFileName);
    EXPECT_GE(block.size(), 3);
    for (const QString& line : block) {
        EXPECT_LE(line.size(), 70) << "the about window is 650 pixels wide: " << line.toStdString();
    }
}

std::vector<std::string> catalogueFunctionNames() {
    std::vector<std::string> names;
    for (const QString& function : catalogueFunctions()) names.push_back(function.toStdString());
    return names;
}

INSTANTIATE_TEST_SUITE_P(EveryFunction, ParamsTemplate, ::testing::ValuesIn(catalogueFunctionNames()),
                         [](const auto& info) { return info.param; });

TEST(ParamsTemplates, TaskListRecordOfRandExtTaskListHasTheCommentTheButtonLooksFor) {
    const QStringList lines = readLines(paramsFile("RandExtTaskList.txt"));
    const qsizetype at = lines.indexOf("pthTaskList");
    ASSERT_GE(at, ParamGrid::Name);
    EXPECT_EQ(lines[at - ParamGrid::Name], "task list");
    EXPECT_EQ(lines[at - ParamGrid::Name + ParamGrid::Type], "file");
}

TEST(ParamsAbout, PackageHasAnAboutTextThatFitsItsWindow) {
    const QStringList about = readLines(paramsFile(kAboutPackagesFileName));
    ASSERT_TRUE(about.contains(kPackage));
    const QStringList block = aboutBlock(about, kPackage, kAboutPackagesFileName);
    EXPECT_GE(block.size(), 2);
    for (const QString& line : block) EXPECT_LE(line.size(), 56) << line.toStdString();
}

// Lines 1 to 6 free, 7 the experiment, 8 the heading, then tab-separated
// tasks whose sizes the replaced-end analysis accepts.
TEST(ParamsTaskListSample, FollowsTheTaskListLayout) {
    const QStringList lines = readLines(paramsFile(kTaskListSampleFileName));
    ASSERT_GE(lines.size(), 9);
    EXPECT_FALSE(lines[6].contains('.')) << "dots in the experiment name become underscores";
    EXPECT_EQ(lines[7], "immutSz\tmutTipSz\tmisNu");
    for (qsizetype i = 8; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split('\t');
        ASSERT_EQ(fields.size(), 3) << lines[i].toStdString();
        const int immutable = fields[0].toInt();
        const int tip = fields[1].toInt();
        EXPECT_GE(immutable + tip, 12);
        EXPECT_LE(tip, 16);
        EXPECT_LE(fields[2].toInt(), tip);
    }
}

}  // namespace
}  // namespace quellon
