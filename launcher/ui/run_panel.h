// PnlRun: the runs of the engine started with "run here", in a panel below
// the main window's buttons.
//
// The list on the left holds one line a run (queued, running, its exit
// status and time). For the run chosen there the panel shows the progress
// line, the engine's console text as it comes, and, once the run has ended,
// the files it wrote into its result directory, what its logs count and a
// warning where the result is empty or most reads were dropped, with
// buttons that open the folder in the desktop's file manager and the result
// table inside the launcher (FmResult). A file the desktop cannot open is
// offered as a path to copy or in its folder. "stop" ends the chosen run, or
// drops it from the queue.
#pragma once

#include <QFrame>
#include <QList>
#include <QTimer>

#include "model/run_history.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QToolButton;

namespace quellon {

class RunQueue;
class TFmResult;
struct RunRecord;
class Shell;

class RunPanel final : public QFrame {
    Q_OBJECT
public:
    RunPanel(RunQueue& queue, Shell& shell, QWidget* parent);

    // Shows the run with this id (1 for the first).
    void select(int id);
    // The run shown, or 0.
    int selectedRun() const;
    // The result view ("open result table"), once opened.
    TFmResult* resultView() const { return FmResult; }

    // The height the panel asks for when it appears.
    QSize sizeHint() const override;

    // The recent runs offered by "recent runs".
    void showRecentRuns(const QList<RecentRun>& runs);
    // A table of a result directory in the result view, beside the run's
    // other files (`files`; none given: the directory's files).
    void showResultTable(const QString& directory, const QString& table, const QStringList& files = {});

signals:
    // A message for the user: the desktop could not open a file or folder.
    void problem(const QString& message);
    // A recent run chosen to be opened again.
    void reopen(const RecentRun& run);

private:
    void buildResultColumn();
    void runChanged(int id);
    void runOutput(int id, const QString& text);
    void showSelected();
    void showProgress();
    void showResults(const RunRecord& run);
    void tick();
    QString resultPath(const QString& name) const;
    void report(const QString& failure);
    void BtnStopRunClick();
    void BtnOpenResDirClick();
    void BtnOpenResTableClick();
    void BxResultsOpen(QListWidgetItem* item);
    void openOrOffer(const QString& path);

    RunQueue& queue_;
    Shell& shell_;
    QTimer tick_;
    QLabel* TitPnlRun;
    QListWidget* BxRuns;
    QLabel* PnlProgress;
    QLabel* PnlFindings;
    TFmResult* FmResult = nullptr;
    QPlainTextEdit* BxConsole;
    QLabel* TitResults;
    QListWidget* BxResults;
    QToolButton* BtnOpenResDir;
    QToolButton* BtnOpenResTable;
    QToolButton* BtnStopRun;
    QToolButton* BtnRecentRuns;
    QList<RecentRun> recent_;
};

}  // namespace quellon
