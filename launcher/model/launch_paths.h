// Where the launcher finds and writes its files, and which program it starts.
//
// Directories are held with a trailing separator, so a file name is simply
// appended. The launcher builds them with '/'; paths it hands to the engine
// are written the native way (nativePath).
#pragma once

#include <QByteArray>
#include <QString>

#include "catalogue.h"

namespace quellon {

inline constexpr char kCallFileName[] = "_ParamsOfFunc.txt";
inline constexpr char kParamsFolderName[] = "Params";
inline constexpr char kTaskListSampleFileName[] = "TaskListSample.txt";
inline constexpr char kThisDirectory[] = "this";

// The engine reads each line of the call file into 200 bytes with its end.
inline constexpr int kCallLineLimit = 199;
// The engine reads each line of a parameter file into 500 bytes with its end.
inline constexpr int kParamLineLimit = 499;

// The directory with one trailing separator ('/' or '\' already there counts).
QString withTrailingSeparator(const QString& directory);

// The launcher directory followed by "Params/".
QString paramsDirectory(const QString& launcherDirectory);

// The function's parameter file in the Params folder: its name + ".txt".
QString parameterFilePath(const QString& paramsDirectory, const QString& function);

// The module directory of a catalogue directory line: "this" is the launcher
// directory; any other directory gets a trailing separator when it lacks one.
QString moduleDirectory(const QString& directoryText, const QString& launcherDirectory);

// How a module text names the executable. Windows: a text containing "exe"
// is the executable's file name, otherwise the function name + ".exe" is.
// Elsewhere: a non-empty text is the executable's file name, otherwise the
// function name is.
enum class ExecutableRule { Windows, Posix };
ExecutableRule hostExecutableRule();

QString moduleExecutable(const QString& moduleDirectory, const QString& moduleText,
                         const QString& function, ExecutableRule rule);

QString callFilePath(const QString& moduleDirectory);

// The call file: the parameter file's path, one line feed, the function name,
// with no line feed after it and no carriage return anywhere.
QByteArray callFileContent(const QString& parameterFile, const QString& function);

// The directory part of a path, without its trailing separator; empty for a
// path without any separator. The file dialog starts there.
QString directoryPart(const QString& path);

}  // namespace quellon
