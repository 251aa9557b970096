#include "session.h"

#include "about_file.h"
#include "catalogue.h"
#include "launch_paths.h"
#include "launcher_error.h"
#include "run_history.h"
#include "text_lines.h"
#include "value_check.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quellon {

namespace {

const QString kExternal = QStringLiteral("external");
const QString kTaskListComment = QStringLiteral("task list");
const QString kTaskListFunction = QStringLiteral("RandExtTaskList");
const char* const kColumnNames[] = {"comment", "type", "name", "value"};
const QString kResultDirectoryName = QStringLiteral("diRes");

bool isDirectory(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

}  // namespace

Session::Session(const QString& launcherDirectory)
    : launcherDirectory_(withTrailingSeparator(launcherDirectory)),
      paramsDirectory_(quellon::paramsDirectory(launcherDirectory)) {}

void Session::activate(const QString& package, const QString& function) {
    if (activated_) return;
    package_ = package;
    function_ = function;
    activated_ = true;
}

QString Session::catalogueFile() const {
    return paramsDirectory_ + QLatin1String(kCatalogueFileName);
}

QStringList Session::packages() const {
    const QStringList names = Catalogue::read(catalogueFile()).packages();
    if (names.isEmpty()) {
        throw LauncherError(nativePath(catalogueFile()) + QStringLiteral("\nno package is listed"));
    }
    return names;
}

QStringList Session::functionsOf(const QString& package) const {
    return Catalogue::read(catalogueFile()).functionsOf(package);
}

QStringList Session::choosePackage(const QString& package) {
    const QStringList functions = functionsOf(package);
    package_ = package;
    function_ = functions.first();
    parameterFile_ = quellon::parameterFilePath(paramsDirectory_, function_);
    grid_.clear();
    fixed_ = false;
    edited_ = false;
    return functions;
}

void Session::chooseFunction(const QString& function) {
    function_ = function;
    grid_.clear();
    fixed_ = false;
    edited_ = false;
}

ShowOutcome Session::showParams() {
    parameterFile_ = quellon::parameterFilePath(paramsDirectory_, function_);
    const QStringList lines = readLines(parameterFile_);
    if (lines.isEmpty()) {
        throw LauncherError(QStringLiteral("the parameter file is empty:\n") +
                            nativePath(parameterFile_));
    }
    if (lines.first() == kExternal) {
        startRequested_ = true;
        return ShowOutcome::External;
    }
    grid_.fill(lines);
    edited_ = false;
    // A file that the grid writes back unchanged, named by the module's call
    // file with this function, is already fixed.
    fixed_ = grid_.linesToWrite() == lines && callFileNamesThisFunction();
    return ShowOutcome::Parameters;
}

QString Session::callFileOfModule() const {
    const Module module = Catalogue::read(catalogueFile()).moduleOf(function_);
    return callFilePath(moduleDirectory(module.directory, launcherDirectory_));
}

bool Session::callFileNamesThisFunction() const {
    try {
        QFile call(callFileOfModule());
        if (!call.open(QIODevice::ReadOnly)) return false;
        return call.readAll() == callFileContent(parameterFile_, function_);
    } catch (const LauncherError&) {
        return false;
    }
}

AboutText Session::about(AboutSubject subject) const {
    const bool function = subject == AboutSubject::Function;
    const QString key = function ? function_ : package_;
    const QString file = paramsDirectory_ + QLatin1String(function ? kAboutFunctionsFileName
                                                                   : kAboutPackagesFileName);
    return AboutText{key, aboutBlock(readLines(file), key, file)};
}

RowEditor Session::editorFor(int row) const {
    const QString& type = grid_.cell(row, ParamGrid::Type);
    if (type == QLatin1String("dir")) return RowEditor::Directory;
    if (type == QLatin1String("file")) return RowEditor::File;
    if (type == QLatin1String("table")) return RowEditor::Table;
    if (type == QLatin1String("int") || type == QLatin1String("str")) return RowEditor::Value;
    return RowEditor::None;
}

const QString& Session::value(int row) const { return grid_.cell(row, ParamGrid::Value); }

void Session::setValue(int row, const QString& value) {
    if (value == this->value(row)) return;
    grid_.setCell(row, ParamGrid::Value, value);
    fixed_ = false;
    edited_ = true;
}

QString Session::fileDialogDirectory(int row) const {
    const QString& current = value(row);
    if (current != QLatin1String("?") && isDirectory(directoryPart(current))) {
        return directoryPart(current);
    }
    return isDirectory(lastFolder_) ? lastFolder_ : QString();
}

bool Session::isResultRow(int row) const { return grid_.cell(row, ParamGrid::Name) == QLatin1String("diRes"); }

QString Session::directoryChooserStart(int row) const {
    if (isDirectory(value(row))) return value(row);
    if (isResultRow(row) && isDirectory(lastResultFolder_)) return lastResultFolder_;
    return isDirectory(lastFolder_) ? lastFolder_ : QDir::currentPath();
}

// The engine reads a parameter file line by line into a 500-byte buffer and
// takes the lines four by four, so a line break inside a cell or an
// over-long line would shift or cut every record after it.
void Session::checkLinesFitTheEngine(const QStringList& lines) const {
    // Where line i lies, for the message: made only when a line is refused.
    const auto where = [&lines](int i) {
        const int first = i - i % ParamGrid::kColumns;
        const QString name = first + ParamGrid::Name < lines.size()
                                 ? lines[first + ParamGrid::Name] : QString();
        return QStringLiteral("record %1 (%2), %3")
            .arg(i / ParamGrid::kColumns + 1)
            .arg(name, QLatin1String(kColumnNames[i % ParamGrid::kColumns]));
    };
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].contains(u'\n') || lines[i].contains(u'\r')) {
            throw LauncherError(QStringLiteral("incorrect input data\n%1: a line break in the text")
                                    .arg(where(i)));
        }
        if (lines[i].toLocal8Bit().size() > kParamLineLimit) {
            throw LauncherError(
                QStringLiteral("incorrect input data\n%1: longer than %2 characters")
                    .arg(where(i)).arg(kParamLineLimit));
        }
    }
}

// The engine reads the call file's first line into 200 bytes: a longer path
// would reach it cut, and it would run nothing.
void Session::checkPathFitsTheCallFile() const {
    if (nativePath(parameterFile_).toLocal8Bit().size() <= kCallLineLimit) return;
    throw LauncherError(
        QStringLiteral("the engine reads at most %1 characters of the parameter file's path:\n%2")
            .arg(kCallLineLimit).arg(nativePath(parameterFile_)));
}

void Session::fixParams() {
    if (grid_.cell(0, ParamGrid::Comment).isEmpty()) {
        throw LauncherError(QString::fromLatin1(kIncorrectInputData));
    }
    const QStringList lines = grid_.linesToWrite();
    checkLinesFitTheEngine(lines);
    checkPathFitsTheCallFile();
    replaceFile(parameterFile_, joinLines(lines));
    edited_ = false;

    replaceFile(callFileOfModule(), callFileContent(parameterFile_, function_));
    fixed_ = true;
}

void Session::checkStart() const {
    if (!fixed_) throw LauncherError(QString::fromLatin1(kNotFixedMessage));
    QStringList problems = valueProblems(grid_);
    if (!isProvided(function_)) {
        problems.prepend(QStringLiteral("%1: not available in this version of the engine")
                             .arg(function_));
    }
    if (!problems.isEmpty()) {
        problems.prepend(QString::fromLatin1(kIncorrectInputData));
        throw LauncherError(problems.join(u'\n'));
    }
}

void Session::requestStart() {
    checkStart();
    startRequested_ = true;
}

RunRequest Session::runRequest(bool ownFolder, const QDateTime& now) const {
    checkStart();
    const QString results = resultDirectory();
    if (!ownFolder || results.isEmpty()) return RunRequest{function_, moduleExecutable(), parameterFile_, results};
    const QString folder = makeRunFolder(results, function_, now);
    return RunRequest{function_, moduleExecutable(), writeRunParameters(grid_, folder, function_), folder, true};
}

void Session::reopenRun(const QString& function, const QString& parameterFile) {
    if (!functionsOf(package_).contains(function)) {
        throw LauncherError(QStringLiteral("%1 is not a function of the package %2: choose its package first")
                                .arg(function, package_));
    }
    const QStringList lines = readLines(parameterFile);
    chooseFunction(function);
    parameterFile_ = quellon::parameterFilePath(paramsDirectory_, function_);
    grid_.fill(lines);
    fixed_ = false;
    edited_ = true;
}

QString Session::resultDirectory() const {
    for (int row = 0; row < ParamGrid::kRows; ++row) {
        if (grid_.cell(row, ParamGrid::Name) == kResultDirectoryName &&
            grid_.cell(row, ParamGrid::Type) == QLatin1String("dir")) {
            return QFileInfo(value(row)).absoluteFilePath();
        }
    }
    return QString();
}

void Session::cancelStart() { startRequested_ = false; }

QString Session::moduleExecutable() const { return moduleExecutableOf(function_); }

QString Session::moduleExecutableOf(const QString& function) const {
    const Module module = Catalogue::read(catalogueFile()).moduleOf(function);
    return quellon::moduleExecutable(moduleDirectory(module.directory, launcherDirectory_),
                                     module.text, function, hostExecutableRule());
}

QString Session::taskListSample() const {
    return paramsDirectory_ + QLatin1String(kTaskListSampleFileName);
}

QString Session::userTaskList(const QString& functionBoxText) const {
    if (functionBoxText != kTaskListFunction) {
        throw LauncherError(QStringLiteral("you are needed function\n") + kTaskListFunction);
    }
    if (grid_.cell(0, ParamGrid::Comment).isEmpty()) {
        throw LauncherError(QStringLiteral("you are needed to click\nshow Params"));
    }
    const int row = grid_.rowWithComment(kTaskListComment);
    if (row < 0) {
        throw LauncherError(QStringLiteral("no parameter has the comment \"%1\"")
                                .arg(kTaskListComment));
    }
    return value(row);
}

}  // namespace quellon
