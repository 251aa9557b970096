// The catalogue "List_FuncModulePack.txt": which functions each package
// offers and which module (executable) in which directory serves them.
//
// The file is a sequence of package blocks, each ending with its package line:
//
//     function name        one a line, as many as the package offers
//     ...
//     *module text         the executable's file name, or empty
//     @directory           one marker character, then the module directory
//     #package name
//
// The directory "this" stands for the launcher's own directory. No line of
// the catalogue may be empty.
#pragma once

#include <QString>
#include <QStringList>

namespace quellon {

inline constexpr char kCatalogueFileName[] = "List_FuncModulePack.txt";

// The module line and directory line that serve a function, as written.
struct Module {
    QString text;       // after the '*'
    QString directory;  // after the marker character
};

class Catalogue {
public:
    // Reads the catalogue file; throws LauncherError when it cannot be read.
    static Catalogue read(const QString& path);

    Catalogue(QStringList lines, QString path);

    // The package names of the "#" lines, in file order.
    QStringList packages() const;

    // The functions of a package, from the one nearest above its module line
    // up to the first of its block. Throws LauncherError for a package that
    // is not listed, has no functions or whose block is broken.
    QStringList functionsOf(const QString& package) const;

    // The module of the first block that lists the function. Throws
    // LauncherError when no line names the function or no module line and
    // directory line follow it.
    Module moduleOf(const QString& function) const;

private:
    [[noreturn]] void fail(const QString& problem) const;
    [[noreturn]] void failAt(int index, const QString& problem) const;
    void requireText(int index) const;
    int packageLine(const QString& package) const;

    QStringList lines_;
    QString path_;
};

}  // namespace quellon
