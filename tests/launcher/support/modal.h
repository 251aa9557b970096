// Driving modal windows from a test. A click that opens a modal window runs
// its own event loop until the window closes; an answer queued before the
// click runs inside that loop, finds the window and closes it.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>

namespace quellon::test_support {

// Queues `act` for the modal window of type W that the next action opens.
// The answer is dropped with `context`, so an answer never reaches a later test.
template <typename W>
void whenModal(QObject* context, std::function<void(W*)> act) {
    QTimer::singleShot(0, context, [act = std::move(act)] {
        if (auto* window = qobject_cast<W*>(QApplication::activeModalWidget())) act(window);
    });
}

// The texts of the message boxes answered with OK, in order.
struct MessageLog {
    QStringList texts;
};

// Answers the message box the next action shows: notes its text and presses
// OK. The box must have an empty caption and a single OK button; otherwise
// the text is noted with a mark that no expected text contains.
inline std::shared_ptr<MessageLog> pressOkOnNextMessage(QObject* context) {
    auto log = std::make_shared<MessageLog>();
    whenModal<QMessageBox>(context, [log](QMessageBox* box) {
        const bool plain = box->windowTitle().isEmpty() && box->buttons().size() == 1 &&
                           box->standardButtons() == QMessageBox::Ok;
        log->texts.append(plain ? box->text() : QStringLiteral("<not a plain OK box> ") + box->text());
        box->button(QMessageBox::Ok)->click();
    });
    return log;
}

}  // namespace quellon::test_support
