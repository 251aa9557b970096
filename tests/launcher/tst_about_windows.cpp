// The about windows of a function and of a package, and the choices they
// follow.
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

class tst_about_windows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void aboutWindowsAndChoices();

private:
    QTemporaryDir settings_;
};

void tst_about_windows::initTestCase() {
    QVERIFY(settings_.isValid());
    useThrowawaySettings(settings_.path());
}

void tst_about_windows::init() { QSettings().clear(); }

// The about buttons toggle their windows, sized to the text; a choice in the
// box below a button hides its window, empties the grid and unfixes.
void tst_about_windows::aboutWindowsAndChoices() {
    LauncherUnderTest launcher;
    launcher.dir.writeParam("List_FuncModulePack.txt",
                            "fTestGenomeSborka\n*Ruzovizu\n>this\n#Checks\n"
                            "RandExtTaskList\nRandExt\n*Ruzovizu\n>this\n#Helixa\n");
    launcher.dir.writeParam("AboutFuncs.txt", "RandExt\none\ntwo\nthree\n*\n");
    launcher.dir.writeParam("AboutPacks.txt", "Helixa\none\n*\n");
    QVERIFY(launcher.open());
    QCOMPARE(items(launcher, "BxPacks"), (QStringList{"Checks", "Helixa"}));
    QCOMPARE(launcher.boxText("BxPacks"), QString("Helixa"));
    const struct {
        const char* button;
        const char* window;
        QString caption;
        QString text;
        int height;  // 22 pixels a line and 40 more
        const char* box;
        QString choice;
        QStringList functions;  // offered after the choice; a package's first becomes current
    } steps[] = {
        {"BtnAboutFunc", "FmAboutFunc", "RandExt", "one\ntwo\nthree", 106, "BxFuncs",
         "RandExtTaskList", {"RandExt", "RandExtTaskList"}},
        {"BtnAboutPackage", "FmAboutPackage", "Helixa", "one", 62, "BxPacks", "Checks",
         {"fTestGenomeSborka"}},
    };
    for (const auto& s : steps) {
        launcher.click(s.button);
        QWidget* about = launcher.fm->findChild<QWidget*>(s.window);
        QVERIFY(about->isVisible());
        QCOMPARE(about->windowTitle(), s.caption);
        QCOMPARE(about->findChild<QLabel*>("Lbl")->text(), s.text);
        QCOMPARE(about->height(), s.height);
        launcher.click(s.button);
        QVERIFY(!about->isVisible());

        for (const char* name : {"BtnShowParams", "BtnFixParams", s.button}) launcher.click(name);
        QVERIFY(about->isVisible());
        QCOMPARE(launcher.fixState(), kFixed);
        launcher.choose(s.box, s.choice);
        QCOMPARE(items(launcher, "BxFuncs"), s.functions);
        const QString function = s.functions.contains(s.choice) ? s.choice : s.functions.first();
        QCOMPARE(launcher.boxText("BxFuncs"), function);
        QCOMPARE(launcher.fm->session().currentFunction(), function);
        QVERIFY(gridIsEmpty(launcher));
        QVERIFY(!about->isVisible());
        QCOMPARE(launcher.fixState(), kNotFixed);
    }
    QVERIFY(launcher.messages.isEmpty());
}

QTEST_MAIN(tst_about_windows)
#include "tst_about_windows.moc"
