// Reading and writing the launcher's small text files.
//
// Every file of the Params folder is read whole into a list of lines. Texts
// are converted with the local 8-bit encoding, the one the engine's narrow
// file names and parameter values use.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quellon {

// Splits text into lines: a line ends at CR LF, at LF or at CR; a final line
// break adds no empty line; a zero byte ends the text. Lines are not trimmed.
QStringList splitLines(const QByteArray& bytes);

// Reads a whole file into lines. Throws LauncherError naming the file when it
// cannot be read.
QStringList readLines(const QString& path);

// The lines joined as the engine reads them: each followed by one line feed,
// no carriage returns.
QByteArray joinLines(const QStringList& lines);

// Replaces the file's content in one step: the bytes go to a temporary file
// beside it, which then takes the file's place, so a failed write leaves the
// old file whole. Throws LauncherError("i can't open " + path) on failure.
void replaceFile(const QString& path, const QByteArray& content);

// The path as the user's system writes it (backslashes on Windows).
QString nativePath(const QString& path);

}  // namespace quellon
