// A shell for window tests: notes what the window asks it to open or start
// and answers with a prepared problem text (empty: success).
#pragma once

#include <QStringList>

#include <memory>

#include "ui/shell.h"

namespace quellon::test_support {

struct ShellLog {
    QStringList opened;
    QStringList started;
    QString startProblem;  // what the next start answers
};

class RecordingShell final : public Shell {
public:
    explicit RecordingShell(std::shared_ptr<ShellLog> log) : log_(std::move(log)) {}

    QString openDocument(const QString& path) override {
        log_->opened.append(path);
        return QString();
    }

    QString startModule(const QString& executable) override {
        log_->started.append(executable);
        return log_->startProblem;
    }

private:
    std::shared_ptr<ShellLog> log_;
};

}  // namespace quellon::test_support
