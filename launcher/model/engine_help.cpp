#include "engine_help.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>


namespace quellon {

namespace {

const QString kNotAvailable = QStringLiteral("(not available in this version)");

}  // namespace

std::optional<QStringList> providedFunctions(const QString& helpText) {
    const QStringList lines = helpText.split(QRegularExpression(QStringLiteral("\r?\n")));
    const qsizetype heading = lines.indexOf(QStringLiteral("functions:"));
    if (heading < 0) return std::nullopt;
    QStringList provided;
    for (qsizetype i = heading + 1; i < lines.size() && lines[i].startsWith(QLatin1String("  "));
         ++i) {
        const QString name = lines[i].trimmed().section(u' ', 0, 0);
        if (!name.isEmpty() && !lines[i].trimmed().endsWith(kNotAvailable)) provided.append(name);
    }
    return provided;
}

std::optional<QStringList> askProvidedFunctions(const QString& executable, int timeoutMs) {
    const QFileInfo program(executable);
    if (!program.isFile() || !program.isExecutable()) return std::nullopt;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(executable, {QStringLiteral("--help")});
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return providedFunctions(QString::fromLocal8Bit(process.readAllStandardOutput()));
}

}  // namespace quellon
