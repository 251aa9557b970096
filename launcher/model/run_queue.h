// Runs of the engine inside the launcher ("run here"): each a child process
// whose console text the window shows as it comes, one at a time in the
// order asked, the others waiting in a queue.
//
// A run works on a copy of the parameter file taken when it is queued, so a
// later "fix Params" does not change what a waiting run computes; the engine
// gets the copy and the function on its command line. Its standard input is
// empty, so it never waits for a key; standard error joins standard output.
// A stop asks the engine to end (it removes its temporary files) and kills
// it when it has not ended after a grace period.
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <memory>

#include "run_request.h"
#include "run_results.h"

namespace quellon {

enum class RunState { Queued, Running, Ended, Stopped, Crashed, NotStarted, Dropped };

struct RunRecord {
    int id = 0;  // 1 for the first run of the session
    RunRequest request;
    QString parameterCopy;
    RunState state = RunState::Queued;
    QString console;  // everything the engine printed, and why it did not start
    int exitCode = 0;
    qint64 elapsedMs = 0;
    QStringList resultFiles;  // names in the result directory, sorted
    QString resultTable;      // one of them, or empty

    bool waiting() const { return state == RunState::Queued; }
    bool running() const { return state == RunState::Running; }
};

// The run in one line: "#1 RandExt: exit status 0 after 1.2 s".
QString runSummary(const RunRecord& run, qint64 elapsedMs);
// The summary and, while the engine runs, its last line of console text.
QString progressLine(const RunRecord& run, qint64 elapsedMs);

class RunQueue final : public QObject {
    Q_OBJECT
public:
    static constexpr int kStopGraceMs = 5000;

    explicit RunQueue(QObject* parent = nullptr);
    // Stops a running engine and drops the waiting runs.
    ~RunQueue() override;

    // Copies the parameter file and queues the run; it starts at once when
    // no other runs. Throws LauncherError when the copy cannot be written.
    int enqueue(const RunRequest& request);

    // A waiting run is dropped; a running one is asked to end.
    void stop(int id);
    // Drops every waiting run and ends the running one before returning.
    void stopAll();

    const RunRecord& run(int id) const;
    const std::deque<RunRecord>& runs() const { return runs_; }
    // Whether a run is running or waiting.
    bool busy() const;
    // The time the run took, or has taken so far.
    qint64 elapsedMs(int id) const;

signals:
    // The run was queued, started, ended or dropped.
    void changed(int id);
    // The engine printed text (already added to the run's console).
    void output(int id, const QString& text);

private:
    RunRecord& current();
    void startNext();
    void start(RunRecord& run);
    void readOutput();
    void processFinished(int exitCode, QProcess::ExitStatus status);
    void processError(QProcess::ProcessError error);
    void finish(RunState state);

    QTemporaryDir copies_;
    std::deque<RunRecord> runs_;  // a deque keeps references to a run valid while runs are added
    std::unique_ptr<QProcess> process_;
    int currentId_ = 0;
    bool stopping_ = false;
    QDateTime started_;
    FileTimes before_;
    QElapsedTimer clock_;
    QStringDecoder decoder_;
    QTimer killTimer_;
};

}  // namespace quellon
