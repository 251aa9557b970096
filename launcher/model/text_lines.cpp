#include "text_lines.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "launcher_error.h"

namespace quellon {

QStringList splitLines(const QByteArray& bytes) {
    QStringList lines;
    QByteArray line;
    bool lineOpen = false;  // characters seen since the last line break
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size && bytes[i] != '\0'; ++i) {
        const char c = bytes[i];
        if (c == '\n' || c == '\r') {
            lines.append(QString::fromLocal8Bit(line));
            line.clear();
            lineOpen = false;
            if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n') ++i;
        } else {
            line.append(c);
            lineOpen = true;
        }
    }
    if (lineOpen) lines.append(QString::fromLocal8Bit(line));
    return lines;
}

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw LauncherError(QStringLiteral("Cannot open file \"%1\". %2")
                                .arg(nativePath(path), file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw LauncherError(QStringLiteral("Cannot read file \"%1\". %2")
                                .arg(nativePath(path), file.errorString()));
    }
    return splitLines(bytes);
}

QByteArray joinLines(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes.append(line.toLocal8Bit());
        bytes.append('\n');
    }
    return bytes;
}

void replaceFile(const QString& path, const QByteArray& content) {
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(content) == content.size() && file.commit();
    if (!written) throw LauncherError(QStringLiteral("i can't open ") + nativePath(path));
}

QString nativePath(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace quellon
