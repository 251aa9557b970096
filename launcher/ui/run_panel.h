// PnlRun: the runs of the engine started with "run here", in a panel below
// the main window's buttons.
//
// The list on the left holds one line a run (queued, running, its exit
// status and time). For the run chosen there the panel shows the progress
// line, the engine's console text as it comes, and, once the run has ended,
// the files it wrote into its result directory, with buttons that open the
// folder and the result table in the desktop's programs. "stop" ends the
// chosen run, or drops it from the queue.
#pragma once

#include <QFrame>
#include <QTimer>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QToolButton;

namespace quellon {

class RunQueue;
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

    // The height the panel asks for when it appears.
    QSize sizeHint() const override;

signals:
    // A message for the user: the desktop could not open a file or folder.
    void problem(const QString& message);

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

    RunQueue& queue_;
    Shell& shell_;
    QTimer tick_;
    QLabel* TitPnlRun;
    QListWidget* BxRuns;
    QLabel* PnlProgress;
    QPlainTextEdit* BxConsole;
    QLabel* TitResults;
    QListWidget* BxResults;
    QToolButton* BtnOpenResDir;
    QToolButton* BtnOpenResTable;
    QToolButton* BtnStopRun;
};

}  // namespace quellon
