// What the window tests do not reach: the files "fix Params" writes and
// refuses to write, the fix state, and the module a function starts.
#include "model/session.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "model/launcher_error.h"
#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

const QByteArray kCatalogue =
    "RandExtTaskList\nRandExt\n*Ruzovizu\n>this\n#Helixa\n"
    "fTestGenomeSborka\n*\n>/usr/lib/checks/\n#Checks\n";
const QByteArray kRandExt =
    "genome\nfile\npthGnm\n/g/chr.txt\nresult directory\ndir\ndiRes\n/tmp/res\n"
    "tip size\nint\nmutTipSz\n6\n";

template <typename Call>
QString errorOf(Call call) {
    try {
        call();
    } catch (const LauncherError& error) {
        return error.message();
    }
    return "no error";
}

class SessionTest : public ::testing::Test {
protected:
    SessionTest() {
        dir.writeParam("List_FuncModulePack.txt", kCatalogue);
        dir.writeParam("RandExt.txt", kRandExt);
    }

    // The window's first activation, then "show Params".
    void showRandExt(Session& s) {
        s.activate("Helixa", "RandExt");
        ASSERT_EQ(s.showParams(), ShowOutcome::Parameters);
    }

    test_support::LauncherDir dir;
    Session session{dir.path()};
};

TEST_F(SessionTest, FixWritesTheParameterFileAndTheCallFileBesideTheModule) {
    showRandExt(session);
    session.setValue(2, "8");
    session.fixParams();
    EXPECT_TRUE(session.isFixed());
    QByteArray expected = kRandExt;
    expected.replace("mutTipSz\n6\n", "mutTipSz\n8\n");
    EXPECT_EQ(dir.readParam("RandExt.txt"), expected);
    const QString parameterFile = QDir::toNativeSeparators(dir.paramsPath() + "RandExt.txt");
    EXPECT_EQ(dir.read("_ParamsOfFunc.txt"), parameterFile.toLocal8Bit() + "\nRandExt");
}

TEST_F(SessionTest, FixKeepsRecordsBeyondTheNinth) {
    QByteArray tenRecords;
    for (int i = 1; i <= 10; ++i) tenRecords += QStringLiteral("c%1\nint\nn%1\n%1\n").arg(i).toLatin1();
    dir.writeParam("RandExt.txt", tenRecords);
    showRandExt(session);
    session.setValue(0, "100");
    session.fixParams();
    tenRecords.replace("c1\nint\nn1\n1\n", "c1\nint\nn1\n100\n");
    EXPECT_EQ(dir.readParam("RandExt.txt"), tenRecords);
}

TEST_F(SessionTest, FixRefusesTextsThatWouldShiftTheEnginesRecords) {
    showRandExt(session);
    session.setValue(1, "/tmp/a\nb");
    EXPECT_EQ(errorOf([&] { session.fixParams(); }),
              "incorrect input data\nrecord 2 (diRes), value: a line break in the text");
    session.setValue(1, QString(500, 'x'));
    EXPECT_EQ(errorOf([&] { session.fixParams(); }),
              "incorrect input data\nrecord 2 (diRes), value: longer than 499 characters");
    EXPECT_EQ(dir.readParam("RandExt.txt"), kRandExt);
    EXPECT_FALSE(dir.exists("_ParamsOfFunc.txt"));
}

TEST_F(SessionTest, FixRefusesAParameterPathTooLongForTheCallFile) {
    const QString deep = dir.path() + QString(190, 'd') + '/';
    ASSERT_TRUE(QDir().mkpath(deep + "Params"));
    QFile::copy(dir.paramsPath() + "List_FuncModulePack.txt", deep + "Params/List_FuncModulePack.txt");
    QFile::copy(dir.paramsPath() + "RandExt.txt", deep + "Params/RandExt.txt");
    Session deepSession(deep);
    showRandExt(deepSession);
    EXPECT_TRUE(errorOf([&] { deepSession.fixParams(); })
                    .startsWith("the engine reads at most 199 characters"));
    EXPECT_FALSE(QFile::exists(deep + "_ParamsOfFunc.txt"));
}

TEST_F(SessionTest, FailedFixLeavesTheParametersUnfixed) {
    showRandExt(session);
    QDir(dir.path()).mkdir("_ParamsOfFunc.txt");  // a directory in the call file's place
    EXPECT_EQ(errorOf([&] { session.fixParams(); }),
              "i can't open " + QDir::toNativeSeparators(dir.path() + "_ParamsOfFunc.txt"));
    EXPECT_FALSE(session.isFixed());

    // Without a catalogue the parameters are written but no call file is.
    session.setValue(2, "9");
    QFile::remove(dir.paramsPath() + "List_FuncModulePack.txt");
    EXPECT_TRUE(errorOf([&] { session.fixParams(); }).startsWith("Cannot open file"));
    EXPECT_TRUE(dir.readParam("RandExt.txt").endsWith("\n9\n"));
    EXPECT_FALSE(session.isFixed());
    EXPECT_EQ(errorOf([&] { session.requestStart(); }), "red button");
}

TEST_F(SessionTest, FixedOnlyWhileTheFilesHoldWhatTheWindowShows) {
    showRandExt(session);
    session.fixParams();
    session.setValue(2, "6");
    EXPECT_TRUE(session.isFixed()) << "the same value changes nothing";
    session.setValue(2, "7");
    EXPECT_FALSE(session.isFixed());
    session.fixParams();
    session.choosePackage("Checks");
    EXPECT_FALSE(session.isFixed()) << "the call file names another function";
}

TEST_F(SessionTest, ModuleExecutableFollowsTheCatalogue) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the module texts here follow the rule of other systems";
#endif
    session.activate("Helixa", "RandExt");
    EXPECT_EQ(session.moduleExecutable(), dir.path() + "Ruzovizu");
    session.choosePackage("Checks");
    EXPECT_EQ(session.moduleExecutable(), "/usr/lib/checks/fTestGenomeSborka");
    session.chooseFunction("Sorvane");
    EXPECT_TRUE(errorOf([&] { session.moduleExecutable(); }).contains("\"Sorvane\" is not listed"));
}

}  // namespace
}  // namespace quellon
