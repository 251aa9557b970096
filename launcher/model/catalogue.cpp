#include "catalogue.h"

#include <utility>

#include "launcher_error.h"
#include "text_lines.h"

namespace quellon {

namespace {

bool isPackageLine(const QString& line) { return line.startsWith(u'#'); }
bool isModuleLine(const QString& line) { return line.startsWith(u'*'); }

}  // namespace

Catalogue Catalogue::read(const QString& path) { return Catalogue(readLines(path), path); }

Catalogue::Catalogue(QStringList lines, QString path)
    : lines_(std::move(lines)), path_(std::move(path)) {}

void Catalogue::fail(const QString& problem) const {
    throw LauncherError(nativePath(path_) + u'\n' + problem);
}

void Catalogue::failAt(int index, const QString& problem) const {
    fail(QStringLiteral("line %1: %2").arg(index + 1).arg(problem));
}

void Catalogue::requireText(int index) const {
    if (lines_[index].isEmpty()) failAt(index, QStringLiteral("empty line"));
}

QStringList Catalogue::packages() const {
    QStringList names;
    for (const QString& line : lines_) {
        if (isPackageLine(line)) names.append(line.mid(1));
    }
    return names;
}

int Catalogue::packageLine(const QString& package) const {
    for (int i = 0; i < lines_.size(); ++i) {
        requireText(i);
        if (isPackageLine(lines_[i]) && lines_[i].mid(1) == package) return i;
    }
    fail(QStringLiteral("the package \"%1\" is not listed").arg(package));
}

QStringList Catalogue::functionsOf(const QString& package) const {
    const int packageAt = packageLine(package);
    // A block ends with its module line and directory line before the package line.
    const int moduleAt = packageAt - 2;
    if (moduleAt < 0 || !isModuleLine(lines_[moduleAt])) {
        failAt(packageAt, QStringLiteral("the package \"%1\" has no module line two lines above")
                              .arg(package));
    }
    QStringList functions;
    for (int i = moduleAt - 1; i >= 0; --i) {
        requireText(i);
        if (isPackageLine(lines_[i])) break;
        functions.append(lines_[i]);
    }
    if (functions.isEmpty()) {
        failAt(packageAt, QStringLiteral("the package \"%1\" has no functions").arg(package));
    }
    return functions;
}

Module Catalogue::moduleOf(const QString& function) const {
    const int functionAt = static_cast<int>(lines_.indexOf(function));
    if (functionAt < 0) fail(QStringLiteral("the function \"%1\" is not listed").arg(function));
    for (int i = functionAt + 1; i < lines_.size(); ++i) {
        requireText(i);
        if (!isModuleLine(lines_[i])) continue;
        if (i + 1 >= lines_.size()) {
            failAt(i, QStringLiteral("the module line has no directory line after it"));
        }
        requireText(i + 1);
        return Module{lines_[i].mid(1), lines_[i + 1].mid(1)};
    }
    failAt(functionAt, QStringLiteral("no module line follows the function \"%1\"").arg(function));
}

}  // namespace quellon
