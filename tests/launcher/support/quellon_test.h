// What the window tests share: the texts of the fix state, and helpers
// that read the main window's boxes and answer its small windows as a user
// would.
#pragma once

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/window_test.h"
#include "ui/digital.h"

namespace quellon::test_support {

inline const QString kFixed = QStringLiteral("black \u2713 fixed");
inline const QString kNotFixed = QStringLiteral("red \u2717 not fixed");
inline const QString kNotWhole = QStringLiteral("\" is not a whole number: digits only, a sign may lead");

inline QString native(const QString& path) { return QDir::toNativeSeparators(path); }

inline QStringList items(const LauncherUnderTest& launcher, const char* name) {
    const auto* box = launcher.fm->findChild<QComboBox*>(name);
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) texts.append(box->itemText(i));
    return texts;
}

inline bool gridIsEmpty(const LauncherUnderTest& launcher) {
    return launcher.grid()->findItems(".", Qt::MatchRegularExpression).isEmpty();
}

// Answers the value box: notes its title and the value it shows as
// "title|value", types `text` and presses "take" (or "cancel"). A refusal
// is noted after a further "|", and the box is then cancelled.
inline void answerValueBox(QObject* context, const QString& text, bool take, QString& seen) {
    whenModal<TFmDigit>(context, [&seen, text, take](TFmDigit* box) {
        auto* edit = box->findChild<QLineEdit*>("BxParamVal");
        seen = box->findChild<QLabel*>("TitParam")->text() + '|' + edit->text();
        edit->setText(text);
        QTest::mouseClick(box->findChild<QPushButton*>(take ? "BxParamTake" : "BxPatamCancel"),
                          Qt::LeftButton);
        if (!box->isVisible()) return;
        seen += '|' + box->findChild<QLabel*>("LblProblem")->text();
        QTest::mouseClick(box->findChild<QPushButton*>("BxPatamCancel"), Qt::LeftButton);
    });
}

inline bool activate(QWidget* window) {
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

}  // namespace quellon::test_support
