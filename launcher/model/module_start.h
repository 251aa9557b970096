// Starting a module (the engine) without waiting for it.
//
// The engine talks to its user through its console and waits for a key after
// errors and at the end, so on Linux it is started in a terminal window when
// a display and a terminal are there. Without them it runs detached with its
// input empty (every key wait returns at once) and its console output in a
// log file beside the executable. On Windows the system gives a console
// program its own console window.
#pragma once

#include <QString>
#include <QStringList>

namespace quellon {

struct StartPlan {
    QString program;
    QStringList arguments;
    // When not empty: the console output (standard output and error) goes to
    // this file and standard input is empty.
    QString consoleLog;
};

// The terminals tried, in order; the first one installed is used.
QStringList terminalCandidates();

// The first installed terminal when a display is there, otherwise empty.
QString findTerminal(bool displayPresent);

// Whether DISPLAY or WAYLAND_DISPLAY is set.
bool displayPresent();

// The log file of a start without terminal: the executable's path + ".log".
QString consoleLogPath(const QString& executable);

// In the terminal when one is given, otherwise detached with the log file.
StartPlan planModuleStart(const QString& executable, const QString& terminal);

// The plan for this system and this session.
StartPlan hostModuleStart(const QString& executable);

// Starts the plan without waiting. Returns an empty text on success, else a
// message naming the program and the reason.
QString startDetached(const StartPlan& plan);

// Checks that the executable is there, then starts it as hostModuleStart
// plans. Returns an empty text on success, else the message to show.
QString startModule(const QString& executable);

}  // namespace quellon
