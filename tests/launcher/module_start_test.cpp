// Starting the engine: in a terminal when there is one, else with a log file.
#include "model/module_start.h"

#include <gtest/gtest.h>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

TEST(ModuleStart, PlanRunsTheModuleInTheTerminalOrWithALogBesideIt) {
    const auto shown = [](const StartPlan& plan) {
        return plan.program + ' ' + plan.arguments.join(' ') + " >" + plan.consoleLog;
    };
    EXPECT_EQ(shown(planModuleStart("/h/Ruzovizu", "/bin/xterm")), "/bin/xterm -e /h/Ruzovizu >");
    EXPECT_EQ(shown(planModuleStart("/h/Ruzovizu", "")), "/h/Ruzovizu  >/h/Ruzovizu.log");
    EXPECT_EQ(findTerminal(false), "") << "no terminal without a display";
}

TEST(ModuleStart, MissingProgramAndUnwritableLogAreReported) {
    const test_support::LauncherDir dir;
    const QString missing = dir.path() + "Ruzovizu";
    EXPECT_EQ(startModule(missing), "i can't start " + missing + "\nthere is no such program");
    EXPECT_FALSE(QFile::exists(missing + ".log"));
    const StartPlan plan{"/bin/sh", {}, dir.path() + "missing/Ruzovizu.log"};
    EXPECT_EQ(startDetached(plan), "i can't open " + plan.consoleLog);
}

#ifndef Q_OS_WIN
// A stand-in module prints to both streams, waits for a key as the engine
// does, then writes the wait's status into a pipe. Opening the pipe waits for
// the module to write, so no clock is needed.
TEST(ModuleStart, DetachedModuleGetsEmptyInputAndLogsBothStreams) {
    const test_support::LauncherDir dir;
    const QString program = dir.path() + "module.sh";
    ASSERT_EQ(mkfifo((program + ".done").toLocal8Bit().constData(), 0600), 0);
    test_support::writeFile(program,
                            "#!/bin/sh\necho out\necho err >&2\nread key\necho $? >\"$0.done\"\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // The test's own input holds a key: a module given that input would read it.
    int keys[2];
    ASSERT_EQ(pipe(keys), 0);
    ASSERT_EQ(write(keys[1], "k\n", 2), 2);
    const int input = dup(STDIN_FILENO);
    dup2(keys[0], STDIN_FILENO);
    const QString problem = startDetached(planModuleStart(program, ""));
    dup2(input, STDIN_FILENO);
    for (int fd : {input, keys[0], keys[1]}) close(fd);
    ASSERT_EQ(problem, "");
    EXPECT_EQ(test_support::readFile(program + ".done"), "1\n") << "the key wait ends at once";
    const QByteArray log = test_support::readFile(consoleLogPath(program));
    EXPECT_TRUE(log.contains("out\n") && log.contains("err\n")) << log.toStdString();
}
#endif

}  // namespace
}  // namespace quellon
