#include "run_queue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "launcher_error.h"
#include "run_history.h"
#include "text_lines.h"

namespace quellon {

QString runSummary(const RunRecord& run, qint64 elapsedMs) {
    const QString head = QStringLiteral("#%1 %2: ").arg(run.id).arg(run.request.function);
    const QString elapsed = elapsedText(elapsedMs);
    switch (run.state) {
        case RunState::Queued: return head + QStringLiteral("queued");
        case RunState::Running: return head + QStringLiteral("running, ") + elapsed;
        case RunState::Ended:
            return head + QStringLiteral("exit status %1 after %2").arg(run.exitCode).arg(elapsed);
        case RunState::Stopped: return head + QStringLiteral("stopped after ") + elapsed;
        case RunState::Crashed: return head + QStringLiteral("ended abnormally after ") + elapsed;
        case RunState::NotStarted: return head + QStringLiteral("not started");
        case RunState::Dropped: return head + QStringLiteral("dropped from the queue");
    }
    return head;
}

QString progressLine(const RunRecord& run, qint64 elapsedMs) {
    const QString summary = runSummary(run, elapsedMs);
    const QString last = lastLine(run.console);
    if (!run.running() || last.isEmpty()) return summary;
    return summary + QStringLiteral(" \u2014 ") + last.trimmed();
}

RunQueue::RunQueue(QObject* parent)
    : QObject(parent), decoder_(QStringDecoder::System) {
    killTimer_.setSingleShot(true);
    connect(&killTimer_, &QTimer::timeout, this, [this] {
        if (process_) process_->kill();
    });
}

RunQueue::~RunQueue() {
    blockSignals(true);
    stopAll();
}

int RunQueue::enqueue(const RunRequest& request) {
    const int id = static_cast<int>(runs_.size()) + 1;
    const QString copy = copies_.filePath(
        QStringLiteral("%1-%2").arg(id).arg(QFileInfo(request.parameterFile).fileName()));
    if (!copies_.isValid() || !QFile::copy(request.parameterFile, copy)) {
        throw LauncherError(QStringLiteral("i can't open ") + nativePath(copy));
    }
    RunRecord run;
    run.id = id;
    run.request = request;
    run.parameterCopy = copy;
    runs_.push_back(run);
    emit changed(id);
    startNext();
    return id;
}

const RunRecord& RunQueue::run(int id) const { return runs_.at(static_cast<std::size_t>(id - 1)); }

RunRecord& RunQueue::current() { return runs_.at(static_cast<std::size_t>(currentId_ - 1)); }

bool RunQueue::busy() const {
    return std::any_of(runs_.cbegin(), runs_.cend(),
                       [](const RunRecord& r) { return r.waiting() || r.running(); });
}

qint64 RunQueue::elapsedMs(int id) const {
    const RunRecord& r = run(id);
    return r.running() ? clock_.elapsed() : r.elapsedMs;
}

void RunQueue::stop(int id) {
    RunRecord& r = runs_.at(static_cast<std::size_t>(id - 1));
    if (r.waiting()) {
        r.state = RunState::Dropped;
        emit changed(id);
    } else if (r.running() && process_ && !stopping_) {
        stopping_ = true;
        process_->terminate();
        killTimer_.start(kStopGraceMs);
    }
}

void RunQueue::stopAll() {
    for (const RunRecord& r : runs_) {
        if (r.waiting()) stop(r.id);
    }
    if (!process_) return;
    stop(currentId_);
    if (process_ && !process_->waitForFinished(kStopGraceMs) && process_) {
        // Still running after the grace period: it has ignored the request.
        process_->kill();
        process_->waitForFinished();
    }
}

void RunQueue::startNext() {
    if (process_) return;
    const auto next = std::find_if(runs_.begin(), runs_.end(),
                                   [](const RunRecord& r) { return r.waiting(); });
    if (next != runs_.end()) start(*next);
}

void RunQueue::start(RunRecord& run) {
    run.state = RunState::Running;
    currentId_ = run.id;
    stopping_ = false;
    before_ = fileTimes(run.request.resultDirectory);
    started_ = QDateTime::currentDateTime();
    clock_.start();
    decoder_ = QStringDecoder(QStringDecoder::System);
    emit changed(run.id);

    const QFileInfo program(run.request.executable);
    if (!program.isFile() || !program.isExecutable()) {
        current().console = QStringLiteral("i can't start %1\nthere is no such program")
                                .arg(nativePath(run.request.executable));
        finish(RunState::NotStarted);
        return;
    }
    process_ = std::make_unique<QProcess>();
    process_->setProgram(run.request.executable);
    process_->setArguments({nativePath(run.parameterCopy), run.request.function});
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardInputFile(QProcess::nullDevice());
    connect(process_.get(), &QProcess::readyReadStandardOutput, this, &RunQueue::readOutput);
    connect(process_.get(), &QProcess::finished, this, &RunQueue::processFinished);
    connect(process_.get(), &QProcess::errorOccurred, this, &RunQueue::processError);
    process_->start();
}

void RunQueue::readOutput() {
    if (!process_) return;
    const QString text = decoder_.decode(process_->readAllStandardOutput());
    if (text.isEmpty()) return;
    current().console += text;
    emit output(currentId_, text);
}

void RunQueue::processFinished(int exitCode, QProcess::ExitStatus status) {
    readOutput();
    current().exitCode = exitCode;
    if (stopping_) {
        finish(RunState::Stopped);
    } else {
        finish(status == QProcess::CrashExit ? RunState::Crashed : RunState::Ended);
    }
}

// The other errors of a started engine end in finished() as well.
void RunQueue::processError(QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart || !process_) return;
    current().console += QStringLiteral("i can't start %1\n%2")
                             .arg(nativePath(process_->program()), process_->errorString());
    finish(RunState::NotStarted);
}

// The process object is deleted later: finish runs inside its signals.
void RunQueue::finish(RunState state) {
    RunRecord& run = current();
    run.state = state;
    run.elapsedMs = clock_.elapsed();
    const QString& directory = run.request.resultDirectory;
    if (!directory.isEmpty()) {
        run.resultFiles = resultFiles(directory, started_, before_);
        // The parameter file the launcher wrote into the run's own folder is
        // no result, however close to the start its time stamp lies.
        if (run.request.ownFolder) run.resultFiles.removeAll(QFileInfo(run.request.parameterFile).fileName());
        run.resultTable = resultTable(directory, run.resultFiles);
    }
    // A run in a folder of its own keeps its console text beside its results.
    if (run.request.ownFolder) {
        try {
            replaceFile(QDir(directory).filePath(QLatin1String(kRunConsoleFileName)), run.console.toUtf8());
        } catch (const LauncherError& failure) {
            run.console += u'\n' + failure.message();
        }
    }
    killTimer_.stop();
    if (process_) {
        process_->disconnect(this);
        process_->setParent(this);
        process_.release()->deleteLater();
    }
    currentId_ = 0;
    emit changed(run.id);
    QTimer::singleShot(0, this, &RunQueue::startNext);
}

}  // namespace quellon
