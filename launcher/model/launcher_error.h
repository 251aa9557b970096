// The one kind of failure the launcher reports to its user.
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <utility>

namespace quellon {

// A problem the user has to be told about: a file that cannot be read or
// written, a line that breaks the layout of the catalogue, an about file or a
// parameter file, or a button pressed at the wrong moment. The window shows
// the message in a message box and stops the action; whoever throws it has
// changed nothing yet, so the window keeps its state.
class LauncherError : public std::exception {
public:
    explicit LauncherError(QString message)
        : message_(std::move(message)), utf8_(message_.toUtf8()) {}

    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

}  // namespace quellon
