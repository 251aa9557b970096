// The value box TFmDigit, opened from an int row of the main window.
#include "support/quellon_test.h"
#include "support/window_test.h"
#include "ui/digital.h"
#include "ui/dirstart.h"
#include <QDebug>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QSignalSpy>

using namespace quellon;
using namespace quellon::test_support;

class tst_digital : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void valueBoxTakesWholeNumbersOnlyForIntRows_data();
    void valueBoxTakesWholeNumbersOnlyForIntRows();

private:
    QTemporaryDir settings_;
};

void tst_digital::initTestCase() {
    QVERIFY(settings_.isValid());
    useThrowawaySettings(settings_.path());
}

void tst_digital::init() { QSettings().clear(); }

// `seen`: the box's title and the value it shows, then its refusal.
void tst_digital::valueBoxTakesWholeNumbersOnlyForIntRows_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("seen");
    QTest::addColumn<QString>("value");
    const QString refused = "immutSz|20|immutSz: ";
    QTest::newRow("whole number") << 4 << "24" << "immutSz|20" << "24";
    QTest::newRow("letter O for a zero") << 4 << "2O" << refused + "\"2O" + kNotWhole << "20";
    QTest::newRow("blank inside") << 4 << "2 0" << refused + "\"2 0" + kNotWhole << "20";
    QTest::newRow("nothing") << 4 << "" << refused + "a whole number is needed" << "20";
    QTest::newRow("above 32 bits")
        << 4 << "2147483648" << refused + "2147483648 lies outside -2147483648 to 2147483647"
        << "20";
    QTest::newRow("lowest 32-bit number") << 4 << "-2147483648" << "immutSz|20" << "-2147483648";
    QTest::newRow("a text row takes any text") << 3 << "2O" << "experimentId|blank" << "2O";
}

// The box shows the row's own value under the row's name, not what was
// typed last into another row.
void tst_digital::valueBoxTakesWholeNumbersOnlyForIntRows() {
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(QString, seen);
    QFETCH(QString, value);
    LauncherUnderTest launcher;
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    QString shown;
    QObject context;
    answerValueBox(&context, "7", true, shown);
    launcher.clickRow(5);
    QCOMPARE(launcher.cell(5), QString("7"));
    answerValueBox(&context, typed, true, shown);
    launcher.clickRow(row);
    QCOMPARE(shown, seen);
    QCOMPARE(launcher.cell(row), value);
    QVERIFY(launcher.messages.isEmpty());
}

QTEST_MAIN(tst_digital)
#include "tst_digital.moc"
