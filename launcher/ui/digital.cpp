#include "digital.h"

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quellon {

TFmDigit::TFmDigit(SharedTexts& shared, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      shared_(shared) {
    setObjectName(QStringLiteral("FmDigit"));
    setModal(true);
    setFixedSize(269, 45);

    BxParam = new QFrame(this);
    BxParam->setObjectName(QStringLiteral("BxParam"));
    BxParam->setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(BxParam);

    BxParamVal = new QLineEdit(BxParam);
    BxParamVal->setObjectName(QStringLiteral("BxParamVal"));
    BxParamVal->setGeometry(4, 8, 140, 24);

    BxParamTake = new QPushButton(QStringLiteral("take"), BxParam);
    BxParamTake->setObjectName(QStringLiteral("BxParamTake"));
    BxParamTake->setGeometry(154, 8, 41, 25);
    BxParamTake->setDefault(true);  // Enter in the edit box takes the value

    BxPatamCancel = new QPushButton(QStringLiteral("cancel"), BxParam);
    BxPatamCancel->setObjectName(QStringLiteral("BxPatamCancel"));
    BxPatamCancel->setGeometry(204, 8, 53, 25);

    connect(BxParamTake, &QPushButton::clicked, this, &TFmDigit::BxParamTakeClick);
    connect(BxPatamCancel, &QPushButton::clicked, this, &TFmDigit::BxPatamCancelClick);
}

void TFmDigit::BxParamTakeClick() {
    shared_.value = BxParamVal->text();
    accept();
}

void TFmDigit::BxPatamCancelClick() { reject(); }

}  // namespace quellon
