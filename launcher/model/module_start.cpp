#include "module_start.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "text_lines.h"

namespace quellon {

QStringList terminalCandidates() {
    return {QStringLiteral("x-terminal-emulator"), QStringLiteral("xterm")};
}

QString findTerminal(bool displayPresent) {
    if (!displayPresent) return QString();
    for (const QString& name : terminalCandidates()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) return path;
    }
    return QString();
}

bool displayPresent() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QString consoleLogPath(const QString& executable) { return executable + QStringLiteral(".log"); }

StartPlan planModuleStart(const QString& executable, const QString& terminal) {
    if (!terminal.isEmpty()) {
        // "-e program" is understood by xterm and by the terminals Debian
        // offers as x-terminal-emulator.
        return StartPlan{terminal, {QStringLiteral("-e"), executable}, QString()};
    }
    return StartPlan{executable, {}, consoleLogPath(executable)};
}

StartPlan hostModuleStart(const QString& executable) {
#ifdef Q_OS_WIN
    return StartPlan{executable, {}, QString()};
#else
    return planModuleStart(executable, findTerminal(displayPresent()));
#endif
}

namespace {

// Both output streams append to one emptied file, so their lines interleave
// instead of overwriting each other.
bool prepareConsoleLog(QProcess& process, const QString& log, QString& error) {
    QFile file(log);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = QStringLiteral("i can't open ") + nativePath(log);
        return false;
    }
    file.close();
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(log, QIODevice::Append);
    process.setStandardErrorFile(log, QIODevice::Append);
    return true;
}

}  // namespace

QString startDetached(const StartPlan& plan) {
    QProcess process;
    process.setProgram(plan.program);
    process.setArguments(plan.arguments);
    QString error;
    if (!plan.consoleLog.isEmpty() && !prepareConsoleLog(process, plan.consoleLog, error)) {
        return error;
    }
    if (!process.startDetached()) {
        return QStringLiteral("i can't start %1\n%2")
            .arg(nativePath(plan.program), process.errorString());
    }
    return QString();
}

QString startModule(const QString& executable) {
    const QFileInfo info(executable);
    if (!info.isFile() || !info.isExecutable()) {
        return QStringLiteral("i can't start %1\nthere is no such program").arg(nativePath(executable));
    }
    return startDetached(hostModuleStart(executable));
}

}  // namespace quellon
