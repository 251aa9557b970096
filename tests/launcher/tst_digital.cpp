// FmDigit, the value entry window.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/modal.h"
#include "ui/digital.h"

using quellon::SharedTexts;
using quellon::TFmDigit;
using quellon::test_support::whenModal;

namespace {

QLineEdit* edit(TFmDigit* digit) { return digit->findChild<QLineEdit*>("BxParamVal"); }

void press(TFmDigit* digit, const char* name) {
    QTest::mouseClick(digit->findChild<QPushButton*>(name), Qt::LeftButton);
}

// Shows the window modally and lets `act` work it.
void run(TFmDigit& digit, std::function<void(TFmDigit*)> act) {
    QObject context;
    whenModal<TFmDigit>(&context, std::move(act));
    digit.exec();
}

}  // namespace

class tst_digital : public QObject {
    Q_OBJECT

private slots:
    void takeLeavesTheTypedTextCancelLeavesTheOldOne();
};

void tst_digital::takeLeavesTheTypedTextCancelLeavesTheOldOne() {
    QWidget main;
    SharedTexts shared{"20", QString()};
    TFmDigit digit(shared, &main);
    QCOMPARE(digit.size(), QSize(269, 45));
    QVERIFY(digit.windowFlags().testFlag(Qt::FramelessWindowHint));

    run(digit, [](TFmDigit* d) { edit(d)->setText("26"); press(d, "BxParamTake"); });
    QCOMPARE(shared.value, QString("26"));

    QString shown;  // the box is not filled from the cell: it keeps its text
    run(digit, [&shown](TFmDigit* d) { shown = edit(d)->text(); edit(d)->setText("x"); press(d, "BxPatamCancel"); });
    QCOMPARE(shown, QString("26"));
    QCOMPARE(shared.value, QString("26"));

    run(digit, [](TFmDigit* d) { edit(d)->setText("y"); QTest::keyClick(edit(d), Qt::Key_Escape); });
    QCOMPARE(shared.value, QString("26"));

    run(digit, [](TFmDigit* d) { edit(d)->clear(); QTest::keyClick(edit(d), Qt::Key_Return); });
    QCOMPARE(shared.value, QString());  // an empty text is taken too
}

QTEST_MAIN(tst_digital)
#include "tst_digital.moc"
