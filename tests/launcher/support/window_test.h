// Window tests: answering modal windows, and a launcher under test on a
// temporary launcher directory with a shell that notes what it is asked.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

#include "support/launcher_dir.h"
#include "ui/quellon.h"

namespace quellon::test_support {

// A click that opens a modal window runs the window's event loop until it
// closes; an answer queued before the click runs inside that loop and gets
// the window, if one of type W is open then. Dropped with `context`, an
// answer never reaches a later test.
template <typename W>
void whenModal(QObject* context, std::function<void(W*)> act) {
    QTimer::singleShot(0, context, [act = std::move(act)] {
        if (auto* window = qobject_cast<W*>(QApplication::activeModalWidget())) act(window);
    });
}

// Points the application's settings into `directory`, so the window's place
// and last folder never reach the user's own settings.
inline void useThrowawaySettings(const QString& directory) {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("QuellonTests"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, directory);
}

// A launcher directory holding a copy of the project's Params folder. Each
// action that may show a message queues an answer first: it notes the box's
// text in `messages` and presses OK, marking a box with a caption or another
// button. A question (a box with two buttons) is answered with the button
// named in `questionAnswer` and noted with a leading "? ". So an unexpected message
// fails a comparison at once.
struct LauncherUnderTest {
    LauncherUnderTest() { dir.copyProjectParams(); }

    LauncherDir dir;
    QStringList messages;
    QStringList opened;    // documents and folders the window asked the desktop to open
    QStringList started;   // modules it asked to start
    QString questionAnswer;  // the button pressed in a question
    QString startProblem;  // what each start answers; empty: success
    QObject answers;
    std::unique_ptr<TFm> fm;

    struct NotingShell final : Shell {
        explicit NotingShell(LauncherUnderTest* owner) : launcher(owner) {}
        QString openDocument(const QString& path) override {
            launcher->opened.append(path);
            return QString();
        }
        QString openFolder(const QString& path) override {
            launcher->opened.append(path + "/");
            return QString();
        }
        QString startModule(const QString& executable) override {
            launcher->started.append(executable);
            return launcher->startProblem;
        }
        LauncherUnderTest* launcher;
    };

    // Creates and shows the main window. A catalogue problem is shown once
    // the window is up: answered by the queued events run here.
    bool open() {
        fm = std::make_unique<TFm>(dir.path(), std::make_unique<NotingShell>(this));
        fm->show();
        answerMessage();
        const bool shown = QTest::qWaitForWindowExposed(fm.get());
        QCoreApplication::processEvents();
        return shown;
    }
    bool close() {
        answerMessage();
        return fm->close();
    }
    void click(const QString& name) {
        answerMessage();
        QTest::mouseClick(button(name), Qt::LeftButton);
    }
    // A shortcut presses its button a moment later (an animated click):
    // presses the keys and waits until `done`, answering every message
    // shown meanwhile.
    bool keysUntil(QWidget* widget, const QKeySequence& keys, const std::function<bool()>& done) {
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                answer(box);
            }
        });
        poll.start();
        QTest::keySequence(widget, keys);
        return QTest::qWaitFor(done, 5000);
    }
    // Picks an item of a box the way the user does: the box's activation.
    void choose(const QString& name, const QString& text) {
        answerMessage();
        QComboBox* box = fm->findChild<QComboBox*>(name);
        box->setCurrentIndex(box->findText(text));
        emit box->activated(box->currentIndex());
    }
    // A click on a grid row's value cell.
    void clickRow(int row) const {
        const QRect cell = grid()->visualRect(grid()->model()->index(row, 3));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    }

    QToolButton* button(const QString& name) const { return fm->findChild<QToolButton*>(name); }
    QTableWidget* grid() const { return fm->findChild<QTableWidget*>("TbData"); }
    QString cell(int row, int column = 3) const { return grid()->item(row, column)->text(); }
    QString boxText(const QString& box) const {
        return fm->findChild<QComboBox*>(box)->currentText();
    }
    // The fix button's colour and the words beside it: "red \u2717 not
    // fixed" or "black \u2713 fixed" when both agree.
    QString fixState() const {
        const QColor colour = button("BtnFixParams")->palette().color(QPalette::ButtonText);
        const QString colourName = colour == QColor(255, 0, 0)   ? "red"
                                   : colour == QColor(0, 0, 0) ? "black"
                                                                : colour.name();
        return colourName + ' ' + fm->findChild<QLabel*>("LblFixState")->text();
    }
    int goTag() const { return button("BtnGo")->property("Tag").toInt(); }

private:
    void answerMessage() {
        whenModal<QMessageBox>(&answers, [this](QMessageBox* box) { answer(box); });
    }
    // Every box carries the product's title; a question gives its keeping
    // answer on Enter (its default button is the rejecting one).
    void answer(QMessageBox* box) {
        const bool titled = box->windowTitle() == QLatin1String("Quellon");
        const bool plain = titled && box->buttons().size() == 1 && box->standardButtons() == QMessageBox::Ok;
        const bool safeDefault =
            box->defaultButton() && box->buttonRole(box->defaultButton()) == QMessageBox::RejectRole;
        for (QAbstractButton* b : box->buttons()) {
            if (box->buttons().size() == 2 && titled && safeDefault && b->text() == questionAnswer) {
                messages.append("? " + box->text());
                b->click();
                return;
            }
        }
        messages.append(plain ? box->text() : "<not a plain OK box> " + box->text());
        box->buttons().first()->click();
    }
};

}  // namespace quellon::test_support
