#include "value_check.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <limits>

#include "file_kind.h"
#include "text_lines.h"

namespace quellon {

namespace {

const QString kResultDirectory = QStringLiteral("diRes");

bool notChosen(const QString& value) { return value.isEmpty() || value == QLatin1String("?"); }

QString fileProblem(const QString& value) {
    if (notChosen(value)) return QStringLiteral("no file chosen");
    const QFileInfo info(value);
    if (!info.exists()) return QStringLiteral("no such file: ") + nativePath(value);
    if (info.isDir()) return QStringLiteral("a folder, not a file: ") + nativePath(value);
    QFile file(value);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("cannot be read: ") + nativePath(value);
    }
    return QString();
}

// Only a file actually created there shows that the engine can write its
// reports: permission bits do not tell for every file system.
bool takesNewFiles(const QString& directory) {
    QTemporaryFile probe(QDir(directory).filePath(QStringLiteral("quellon-probe-XXXXXX")));
    return probe.open();
}

QString folderProblem(const QString& value, bool written) {
    if (notChosen(value)) return QStringLiteral("no folder chosen");
    const QFileInfo info(value);
    if (!info.exists()) return QStringLiteral("no such folder: ") + nativePath(value);
    if (!info.isDir()) return QStringLiteral("not a folder: ") + nativePath(value);
    if (!QDir(value).isReadable()) return QStringLiteral("cannot be read: ") + nativePath(value);
    if (written && !takesNewFiles(value)) {
        return QStringLiteral("cannot be written: ") + nativePath(value);
    }
    return QString();
}

QString rowProblem(const ParamGrid& grid, int row) {
    const QString& type = grid.cell(row, ParamGrid::Type);
    const QString& value = grid.cell(row, ParamGrid::Value);
    if (type == QLatin1String("file")) {
        const QString problem = fileProblem(value);
        if (!problem.isEmpty()) return problem;
        return kindProblem(fileKindOf(grid.cell(row, ParamGrid::Name), grid.cell(row, ParamGrid::Comment)),
                           nativePath(value));
    }
    if (type == QLatin1String("dir")) {
        return folderProblem(value, grid.cell(row, ParamGrid::Name) == kResultDirectory);
    }
    if (type == QLatin1String("int")) return intProblem(value);
    return QString();
}

}  // namespace

QString intProblem(const QString& text) {
    if (text.isEmpty()) return QStringLiteral("a whole number is needed");
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]+$"));
    if (!wholeNumber.match(text).hasMatch()) {
        return QStringLiteral("\"%1\" is not a whole number: digits only, a sign may lead")
            .arg(text);
    }
    bool fits = false;
    const qlonglong value = text.toLongLong(&fits);
    if (!fits || value < std::numeric_limits<qint32>::min() ||
        value > std::numeric_limits<qint32>::max()) {
        return QStringLiteral("%1 lies outside %2 to %3")
            .arg(text)
            .arg(std::numeric_limits<qint32>::min())
            .arg(std::numeric_limits<qint32>::max());
    }
    return QString();
}

QStringList valueProblems(const ParamGrid& grid) {
    QStringList problems;
    for (int row = 0; row < ParamGrid::kRows && !grid.cell(row, ParamGrid::Comment).isEmpty();
         ++row) {
        const QString problem = rowProblem(grid, row);
        if (problem.isEmpty()) continue;
        problems.append(QStringLiteral("row %1 (%2): %3")
                            .arg(row + 1)
                            .arg(grid.cell(row, ParamGrid::Name), problem));
    }
    return problems;
}

}  // namespace quellon
