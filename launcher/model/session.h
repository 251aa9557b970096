// What the launcher's main window knows and does, without the widgets.
//
// The window forwards each button and box to one method here and then shows
// the state: the grid's cells, whether the parameters are fixed (the fix
// button's font colour) and whether a start was requested (the Tag of BtnGo).
// A method that cannot do its work throws LauncherError with the message to
// show before it has changed anything, so a failed action leaves the window
// as it was.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "catalogue.h"
#include "param_grid.h"
#include "run_request.h"

namespace quellon {

enum class AboutSubject { Function, Package };

struct AboutText {
    QString key;        // the function or package name: the window's caption
    QStringList lines;  // the entry's text
};

// What a click on a grid row opens, decided by the row's type word.
enum class RowEditor { None, Directory, File, Table, Value };

enum class ShowOutcome { Parameters, External };

// A start asked for before the values were fixed.
inline constexpr char kNotFixedMessage[] =
    "the values are not fixed yet:\npress fix Params to save them first";

class Session {
public:
    // `launcherDirectory`: the directory of the launcher's executable.
    explicit Session(const QString& launcherDirectory);

    const QString& launcherDirectory() const { return launcherDirectory_; }
    const QString& paramsDirectory() const { return paramsDirectory_; }
    const QString& parameterFilePath() const { return parameterFile_; }
    const QString& currentPackage() const { return package_; }
    const QString& currentFunction() const { return function_; }
    const ParamGrid& grid() const { return grid_; }
    bool isFixed() const { return fixed_; }
    // A value was changed since the grid was last read from or written to
    // the parameter file: choosing a function or reading the file again
    // would lose it.
    bool hasUnsavedEdits() const { return edited_; }
    bool startRequested() const { return startRequested_; }
    bool activated() const { return activated_; }

    // First activation of the window: takes the texts of the two boxes.
    void activate(const QString& package, const QString& function);

    // The catalogue's packages in file order (a catalogue without any is an
    // error), and the functions of one.
    QStringList packages() const;
    QStringList functionsOf(const QString& package) const;

    // Package choice: the package's functions become the choices, the first
    // of them the current function; the grid is emptied and, as the current
    // function changes, the parameters count as not fixed. Returns the
    // functions.
    QStringList choosePackage(const QString& package);

    // Function choice: the grid is emptied and the parameters are not fixed.
    void chooseFunction(const QString& function);

    // "show Params": reads the current function's parameter file into the
    // grid, or, for a file beginning with the line "external", requests the
    // start of its module. The parameters count as fixed when the file is
    // what the grid would write and the module's call file names it with
    // this function.
    ShowOutcome showParams();

    // The about text of the current function or package.
    AboutText about(AboutSubject subject) const;

    RowEditor editorFor(int row) const;
    const QString& value(int row) const;
    // A changed value makes the parameters not fixed.
    void setValue(int row, const QString& value);

    // The folder of the file or directory chosen last, in this session or
    // an earlier one: rows that name none start there.
    const QString& lastFolder() const { return lastFolder_; }
    void setLastFolder(const QString& folder) { lastFolder_ = folder; }
    // The result folder (`diRes`) chosen last: the chooser of a result
    // folder starts there rather than in an input's folder.
    const QString& lastResultFolder() const { return lastResultFolder_; }
    void setLastResultFolder(const QString& folder) { lastResultFolder_ = folder; }
    // Whether the row is the result folder's.
    bool isResultRow(int row) const;
    // Where the file dialog of a "file" row starts: the directory of its
    // value when that exists, else the last folder when it exists, else
    // empty (the dialog's own choice).
    QString fileDialogDirectory(int row) const;
    // What the directory chooser of a "dir" row lists first: its value when
    // that is a directory, else (for the result folder) the last result
    // folder, else the last folder, else the current directory.
    QString directoryChooserStart(int row) const;

    // "fix Params": writes the grid into the parameter file and the call file
    // into the module's directory. The parameters are fixed only when both
    // files were written.
    void fixParams();

    // The functions the module's engine reports it does not provide; a start
    // of one of them is refused.
    void setUnprovidedFunctions(const QStringList& functions) { unprovided_ = functions; }
    bool isProvided(const QString& function) const { return !unprovided_.contains(function); }

    // " go ": requests the start. Refused while the parameters are not fixed
    // ("red button"), and with every problem of the shown values at once.
    void requestStart();
    // "run here": the same checks, then what the run needs. With
    // `ownFolder` (and a result directory) the run gets a folder of its own
    // below it, made now and holding the parameter file it runs on (see
    // run_history.h).
    RunRequest runRequest(bool ownFolder = false, const QDateTime& now = QDateTime::currentDateTime()) const;
    // A recent run's parameters in the grid: its function (of the current
    // package) chosen and its parameter file's values shown, not fixed, to
    // be fixed into the function's own parameter file.
    void reopenRun(const QString& function, const QString& parameterFile);
    // The value of the `diRes` row, absolute; empty without such a row.
    QString resultDirectory() const;
    // A start that failed: the window stays open and can be closed.
    void cancelStart();
    // The module executable of the current function, or of another.
    QString moduleExecutable() const;
    QString moduleExecutableOf(const QString& function) const;

    // The sample task list and the user's task list ("my file").
    QString taskListSample() const;
    QString userTaskList(const QString& functionBoxText) const;

private:
    QString catalogueFile() const;
    QString callFileOfModule() const;
    bool callFileNamesThisFunction() const;
    void checkLinesFitTheEngine(const QStringList& lines) const;
    void checkPathFitsTheCallFile() const;
    void checkStart() const;

    QString launcherDirectory_;
    QString paramsDirectory_;
    QString parameterFile_;
    QString package_;
    QString function_;
    ParamGrid grid_;
    bool activated_ = false;
    bool fixed_ = false;
    bool edited_ = false;
    bool startRequested_ = false;
    QString lastFolder_;
    QString lastResultFolder_;
    QStringList unprovided_;
};

}  // namespace quellon
