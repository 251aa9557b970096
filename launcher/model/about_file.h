// The about files "AboutFuncs.txt" and "AboutPacks.txt": a short text for
// each function and each package.
//
// Each entry is a key line (the function or package name), the lines of its
// text, and an end line beginning with '*'; the last entry may end with the
// file instead.
#pragma once

#include <QString>
#include <QStringList>

namespace quellon {

inline constexpr char kAboutFunctionsFileName[] = "AboutFuncs.txt";
inline constexpr char kAboutPackagesFileName[] = "AboutPacks.txt";

// The text lines of the key's entry. The key is matched against whole lines,
// ignoring letter case; without a match the block starts at the file's first
// line. Throws LauncherError, naming the file and the line, when an empty line
// lies in the block. `path` only names the file in that message.
QStringList aboutBlock(const QStringList& lines, const QString& key, const QString& path);

}  // namespace quellon
