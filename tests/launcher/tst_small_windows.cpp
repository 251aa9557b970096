// Where the small windows (value box, directory chooser, about windows)
// stand on the screen, clear of the grid.
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

class tst_small_windows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void smallWindowsStayOnTheScreenClearOfTheGrid();

private:
    QTemporaryDir settings_;
};

void tst_small_windows::initTestCase() {
    QVERIFY(settings_.isValid());
    useThrowawaySettings(settings_.path());
}

void tst_small_windows::init() { QSettings().clear(); }

// The about windows, the directory chooser and the value box lie inside the
// screen's free area, and the about windows leave the grid's first rows in
// sight; a text taller than the room below the window scrolls. Run on a
// 1280 x 1024 screen and on 1280 x 800 at 125 %.
void tst_small_windows::smallWindowsStayOnTheScreenClearOfTheGrid() {
    LauncherUnderTest launcher;
    const QByteArray line = "a line of the about text\n";
    launcher.dir.writeParam("AboutFuncs.txt", "RandExt\n" + line.repeated(30) + "*\n");
    QVERIFY(launcher.open());
    const QRect screen = launcher.fm->screen()->availableGeometry();
    QWidget* viewport = launcher.grid()->viewport();
    const QRect firstRows(viewport->mapToGlobal(QPoint(0, 0)), QSize(viewport->width(), 3 * 24));
    for (const char* name : {"BtnAboutFunc", "BtnAboutPackage"}) {
        launcher.click(name);
        const char* window = QByteArray(name) == "BtnAboutFunc" ? "FmAboutFunc" : "FmAboutPackage";
        const QRect place = launcher.fm->findChild<QWidget*>(window)->frameGeometry();
        QVERIFY2(screen.contains(place), name);
        QVERIFY2(!place.intersects(firstRows), name);
    }
    launcher.click("BtnShowParams");
    QStringList outside;
    QObject context;
    for (int row : {2, 4}) {  // the directory chooser, the value box
        whenModal<QDialog>(&context, [&](QDialog* dialog) {
            if (!screen.contains(dialog->frameGeometry())) {
                outside.append(dialog->objectName() + QDebug::toString(dialog->frameGeometry()));
            }
            dialog->done(QDialog::Rejected);
        });
        launcher.clickRow(row);
    }
    QCOMPARE(outside, QStringList());
    QVERIFY(launcher.messages.isEmpty());
}

QTEST_MAIN(tst_small_windows)
#include "tst_small_windows.moc"
