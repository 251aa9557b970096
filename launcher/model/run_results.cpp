#include "run_results.h"

#include <QDir>
#include <QFileInfo>

namespace quellon {

FileTimes fileTimes(const QString& directory) {
    FileTimes times;
    if (directory.isEmpty()) return times;  // not the current directory
    const QFileInfoList files = QDir(directory).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo& file : files) times.insert(file.fileName(), file.lastModified());
    return times;
}

QStringList resultFiles(const QString& directory, const QDateTime& start, const FileTimes& before) {
    QStringList files;
    const FileTimes now = fileTimes(directory);
    for (auto file = now.cbegin(); file != now.cend(); ++file) {
        const auto earlier = before.constFind(file.key());
        const bool changed = earlier == before.cend() || earlier.value() != file.value();
        if (changed || file.value() >= start) files.append(file.key());
    }
    files.sort();
    return files;
}

QString resultTable(const QString& directory, const QStringList& files) {
    QString table;
    QString log;
    QDateTime newestTable;
    QDateTime newestLog;
    for (const QString& name : files) {
        if (!name.endsWith(QLatin1String(".txt"))) continue;
        const bool isLog = name.endsWith(QLatin1String("Log.txt"));
        QString& chosen = isLog ? log : table;
        QDateTime& newest = isLog ? newestLog : newestTable;
        const QDateTime modified = QFileInfo(QDir(directory).filePath(name)).lastModified();
        if (chosen.isEmpty() || modified >= newest) {
            chosen = name;
            newest = modified;
        }
    }
    return table.isEmpty() ? log : table;
}

QString elapsedText(qint64 milliseconds) {
    if (milliseconds < 60'000) {
        const qint64 tenths = milliseconds / 100;
        return QStringLiteral("%1.%2 s").arg(tenths / 10).arg(tenths % 10);
    }
    const qint64 seconds = milliseconds / 1000;
    const auto twoDigits = [](qint64 number) {
        return QStringLiteral("%1").arg(number, 2, 10, QChar(u'0'));
    };
    if (seconds < 3600) {
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(twoDigits(seconds % 60));
    }
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(twoDigits(seconds / 60 % 60));
}

QString lastLine(const QString& console) {
    const QStringList lines = console.split(u'\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString text = QString(*line).remove(u'\r');
        if (!text.trimmed().isEmpty()) return text;
    }
    return QString();
}

}  // namespace quellon
