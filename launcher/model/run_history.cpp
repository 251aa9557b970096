#include "run_history.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "launcher_error.h"
#include "text_lines.h"

namespace quellon {

namespace {

const QString kRecentKey = QStringLiteral("runs/recent");
const QString kResultDirectoryName = QStringLiteral("diRes");

}  // namespace

QString makeRunFolder(const QString& resultDirectory, const QString& function, const QDateTime& when) {
    const QDir parent(resultDirectory);
    const QString stem = function + u'_' + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = stem;
    for (int n = 2; parent.exists(name); ++n) name = stem + u'-' + QString::number(n);
    if (!parent.mkdir(name)) throw LauncherError(QStringLiteral("i can't make the folder ") + nativePath(parent.filePath(name)));
    return parent.filePath(name);
}

QString writeRunParameters(const ParamGrid& grid, const QString& runFolder, const QString& function) {
    QStringList lines = grid.linesToWrite();
    for (int i = ParamGrid::Name; i + 1 < lines.size(); i += ParamGrid::kColumns) {
        if (lines[i] == kResultDirectoryName) lines[i + 1] = nativePath(runFolder);
    }
    const QString path = QDir(runFolder).filePath(function + QStringLiteral(".txt"));
    replaceFile(path, joinLines(lines));
    return path;
}

QList<RecentRun> RecentRuns::load() {
    QSettings settings;
    QList<RecentRun> runs;
    const int n = settings.beginReadArray(kRecentKey);
    for (int i = 0; i < n; ++i) {
        settings.setArrayIndex(i);
        runs.append({settings.value("function").toString(), settings.value("parameterFile").toString(),
                     settings.value("resultDirectory").toString(), settings.value("resultTable").toString(),
                     settings.value("when").toDateTime(), settings.value("exitCode").toInt()});
    }
    settings.endArray();
    return runs;
}

QList<RecentRun> RecentRuns::add(const RecentRun& run) {
    QList<RecentRun> runs = load();
    runs.removeIf([&run](const RecentRun& r) { return r.parameterFile == run.parameterFile; });
    runs.prepend(run);
    while (runs.size() > kMostRecentRuns) runs.removeLast();
    QSettings settings;
    settings.remove(kRecentKey);
    settings.beginWriteArray(kRecentKey, static_cast<int>(runs.size()));
    for (int i = 0; i < runs.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue("function", runs[i].function);
        settings.setValue("parameterFile", runs[i].parameterFile);
        settings.setValue("resultDirectory", runs[i].resultDirectory);
        settings.setValue("resultTable", runs[i].resultTable);
        settings.setValue("when", runs[i].when);
        settings.setValue("exitCode", runs[i].exitCode);
    }
    settings.endArray();
    return runs;
}

QString RecentRuns::label(const RecentRun& run) {
    return QStringLiteral("%1, %2, exit status %3: %4")
        .arg(run.function, run.when.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
        .arg(run.exitCode)
        .arg(nativePath(run.resultDirectory));
}

}  // namespace quellon
