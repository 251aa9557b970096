// Starting the engine: in a terminal when there is one, else with a log file.
#include "model/module_start.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

TEST(ModuleStartPlan, TerminalRunsTheModuleSoItsKeyWaitsReachTheUser) {
    const StartPlan plan = planModuleStart("/opt/h/Ruzovizu", "/usr/bin/xterm");
    EXPECT_EQ(plan.program, "/usr/bin/xterm");
    EXPECT_EQ(plan.arguments, (QStringList{"-e", "/opt/h/Ruzovizu"}));
    EXPECT_TRUE(plan.consoleLog.isEmpty());
}

TEST(ModuleStartPlan, WithoutTerminalTheConsoleGoesToALogBesideTheModule) {
    const StartPlan plan = planModuleStart("/opt/h/Ruzovizu", "");
    EXPECT_EQ(plan.program, "/opt/h/Ruzovizu");
    EXPECT_TRUE(plan.arguments.isEmpty());
    EXPECT_EQ(plan.consoleLog, "/opt/h/Ruzovizu.log");
}

TEST(ModuleStartPlan, NoDisplayMeansNoTerminal) {
    EXPECT_EQ(findTerminal(false), "");
    EXPECT_EQ(terminalCandidates().first(), "x-terminal-emulator");
}

TEST(ModuleStart, MissingProgramIsReported) {
    const test_support::LauncherDir dir;
    const QString missing = dir.path() + "Ruzovizu";
    EXPECT_EQ(startModule(missing), "i can't start " + missing + "\nthere is no such program");
    EXPECT_FALSE(QFile::exists(missing + ".log"));
}

TEST(ModuleStart, LogThatCannotBeCreatedIsReported) {
    const test_support::LauncherDir dir;
    const StartPlan plan{"/bin/sh", {}, dir.path() + "missing/Ruzovizu.log"};
    EXPECT_EQ(startDetached(plan), "i can't open " + plan.consoleLog);
}

#ifndef Q_OS_WIN
// A stand-in module that prints to both streams and waits for a key the way
// the engine does; with empty input the wait ends at once.
TEST(ModuleStart, DetachedStartWritesBothStreamsToTheLogAndGetsEmptyInput) {
    const test_support::LauncherDir dir;
    const QString program = dir.path() + "module.sh";
    dir.write("module.sh", "#!/bin/sh\necho out\necho err >&2\nread key\necho \"key wait ended $?\"\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    ASSERT_EQ(startDetached(planModuleStart(program, "")), "");
    const QString log = consoleLogPath(program);
    const QDeadlineTimer deadline(20000);  // a safety net only: the script ends at once
    QByteArray content;
    while (!content.contains("key wait ended") && !deadline.hasExpired()) {
        QThread::msleep(20);
        QFile file(log);
        if (file.open(QIODevice::ReadOnly)) content = file.readAll();
    }
    EXPECT_TRUE(content.contains("out\n"));
    EXPECT_TRUE(content.contains("err\n"));
    EXPECT_TRUE(content.contains("key wait ended 1")) << content.toStdString();
}
#endif

}  // namespace
}  // namespace quellon
