// FmDigit: the value entry window for "int" and "str" rows.
//
// A small borderless window with an edit box and two buttons. "take" leaves
// the edit box's text in the shared value text; "cancel" (or Escape) leaves
// the shared value text as the main window set it, so the cell keeps its
// value. The edit box keeps its text between uses.
#pragma once

#include <QDialog>

#include "shared_texts.h"

class QFrame;
class QLineEdit;
class QPushButton;

namespace quellon {

class TFmDigit final : public QDialog {
    Q_OBJECT
public:
    TFmDigit(SharedTexts& shared, QWidget* mainWindow);

private:
    void BxParamTakeClick();
    void BxPatamCancelClick();

    SharedTexts& shared_;
    QFrame* BxParam;
    QLineEdit* BxParamVal;
    QPushButton* BxParamTake;
    QPushButton* BxPatamCancel;
};

}  // namespace quellon
