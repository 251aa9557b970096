#include "text_lines.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "launcher_error.h"

namespace quellon {

QStringList splitLines(const QByteArray& bytes) {
    // Each line is converted straight from its span of the file: the files
    // are read whole and often (the catalogue once per lookup), so no line
    // is gathered character by character.
    const qsizetype zero = bytes.indexOf('\0');
    const qsizetype end = zero < 0 ? bytes.size() : zero;
    const char* text = bytes.constData();
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < end; ++i) {
        const char c = text[i];
        if (c != '\n' && c != '\r') continue;
        lines.append(QString::fromLocal8Bit(text + start, i - start));
        if (c == '\r' && i + 1 < end && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < end) lines.append(QString::fromLocal8Bit(text + start, end - start));
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
