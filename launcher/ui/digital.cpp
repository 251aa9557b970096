#include "digital.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "design.h"
#include "model/value_check.h"

namespace quellon {

namespace {

constexpr int kWidth = 269;
constexpr int kPanelHeight = 45;
constexpr int kTitleHeight = 20;

}  // namespace

TFmDigit::TFmDigit(SharedTexts& shared, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      shared_(shared) {
    setObjectName(QStringLiteral("FmDigit"));
    setModal(true);

    TitParam = design::captionPanel(this, QStringLiteral("TitParam"), QString(),
                                    design::clMoneyGreen());
    TitParam->setFixedHeight(kTitleHeight);
    TitParam->setIndent(4);

    BxParam = new QFrame(this);
    BxParam->setObjectName(QStringLiteral("BxParam"));
    BxParam->setFrameStyle(QFrame::Box | QFrame::Plain);
    BxParam->setFixedHeight(kPanelHeight);

    LblProblem = new QLabel(this);
    LblProblem->setObjectName(QStringLiteral("LblProblem"));
    LblProblem->setWordWrap(true);
    LblProblem->setIndent(4);
    LblProblem->setMargin(2);
    design::setFontColour(LblProblem, design::clRed());
    LblProblem->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TitParam);
    layout->addWidget(BxParam);
    layout->addWidget(LblProblem);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    BxParam->setFixedWidth(kWidth);

    BxParamVal = new QLineEdit(BxParam);
    BxParamVal->setObjectName(QStringLiteral("BxParamVal"));
    BxParamVal->setGeometry(4, 8, 140, 24);

    BxParamTake = new QPushButton(QStringLiteral("take"), BxParam);
    BxParamTake->setObjectName(QStringLiteral("BxParamTake"));
    BxParamTake->setGeometry(154, 8, 41, 25);
    BxParamTake->setDefault(true);  // Enter in the edit box takes the value
    BxParamTake->setToolTip(QStringLiteral("take the value into the grid (Enter)"));

    BxPatamCancel = new QPushButton(QStringLiteral("cancel"), BxParam);
    BxPatamCancel->setObjectName(QStringLiteral("BxPatamCancel"));
    BxPatamCancel->setGeometry(204, 8, 53, 25);
    BxPatamCancel->setToolTip(QStringLiteral("leave the value as it was (Escape)"));

    adjustSize();  // its size from the start, for placing it before it is shown

    connect(BxParamTake, &QPushButton::clicked, this, &TFmDigit::BxParamTakeClick);
    connect(BxPatamCancel, &QPushButton::clicked, this, &TFmDigit::BxPatamCancelClick);
    // A refusal stays until the text is changed.
    connect(BxParamVal, &QLineEdit::textEdited, this, [this] { showProblem(QString()); });
}

void TFmDigit::openFor(const QString& name, const QString& type, const QPoint& place) {
    type_ = type;
    setWindowTitle(name);
    TitParam->setText(name);
    BxParamVal->setText(shared_.value);
    BxParamVal->selectAll();
    BxParamVal->setFocus();
    showProblem(QString());
    move(place);
    exec();
}

void TFmDigit::showProblem(const QString& problem) {
    LblProblem->setText(problem);
    LblProblem->setVisible(!problem.isEmpty());
}

void TFmDigit::BxParamTakeClick() {
    const QString text = BxParamVal->text();
    if (type_ == QLatin1String("int")) {
        const QString problem = intProblem(text);
        if (!problem.isEmpty()) {
            showProblem(windowTitle() + QStringLiteral(": ") + problem);
            BxParamVal->selectAll();
            BxParamVal->setFocus();
            return;
        }
    }
    shared_.value = text;
    accept();
}

void TFmDigit::BxPatamCancelClick() { reject(); }

}  // namespace quellon
