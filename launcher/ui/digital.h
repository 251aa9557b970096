// FmDigit: the value entry window for "int" and "str" rows.
//
// A small borderless window: a title strip naming the parameter, an edit box
// holding the cell's value and two buttons. "take" (Enter) leaves the edit
// box's text in the shared value text; "cancel" (Escape) leaves the shared
// value text as the main window set it, so the cell keeps its value. For an
// "int" row "take" accepts only a whole number in the 32-bit range and
// otherwise says below the box why it refuses.
#pragma once

#include <QDialog>

#include "shared_texts.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quellon {

class TFmDigit final : public QDialog {
    Q_OBJECT
public:
    TFmDigit(SharedTexts& shared, QWidget* mainWindow);

    // Shows the shared value text for the parameter `name` of type `type`
    // modally, at `place` (its top left corner, already on the screen).
    void openFor(const QString& name, const QString& type, const QPoint& place);

private:
    void BxParamTakeClick();
    void BxPatamCancelClick();
    void showProblem(const QString& problem);

    SharedTexts& shared_;
    QString type_;
    QLabel* TitParam;
    QFrame* BxParam;
    QLineEdit* BxParamVal;
    QPushButton* BxParamTake;
    QPushButton* BxPatamCancel;
    QLabel* LblProblem;
};

}  // namespace quellon
