// The main window Fm: every handler, the fix button's colour, BtnGo's Tag,
// the messages, and the small windows it opens.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "support/modal.h"
#include "support/window_test.h"
#include "ui/digital.h"
#include "ui/dirstart.h"

using quellon::TFmDigit;
using quellon::TFmDir;
using quellon::test_support::LauncherUnderTest;
using quellon::test_support::pressOkOnNextMessage;
using quellon::test_support::whenModal;

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

const QByteArray kTwoPackages =
    "fTestGenomeSborka\n*Ruzovizu\n>this\n#Checks\n"
    "RandExtTaskList\nRandExt\n*Ruzovizu\n>this\n#Helixa\n"
    "*Ruzovizu\n>this\n#Empty\n";

QStringList gridTexts(const LauncherUnderTest& launcher) {
    QStringList texts;
    for (int row = 0; row < 9; ++row) {
        for (int column = 0; column < 4; ++column) texts.append(launcher.cell(row, column));
    }
    return texts;
}

QString boxText(const LauncherUnderTest& launcher, const char* box) {
    return launcher.find<QComboBox>(box)->currentText();
}

}  // namespace

class tst_quellon : public QObject {
    Q_OBJECT

private slots:
    void creationAndActivationFollowTheDesign();
    void showFixAndGoStartTheEngineBesideTheLauncher();
    void fixAndGoRefuseWithTheirMessages();
    void functionChoiceEmptiesTheGridHidesItsAboutAndTurnsRed();
    void packageChoiceOffersThePackagesFunctions();
    void valueRowsEditThroughTheValueBox();
    void directoryRowsEditThroughTheChooser();
    void fileRowsEditThroughQtsFileDialog();
    void rowsOfOtherTypesDoNothing();
    void aboutButtonsShowAndHideTheirWindows();
    void externalFunctionStartsAtOnceWithoutCallFile();
    void failedStartIsReportedAndTheWindowStaysClosable();
    void unreadableFilesAreReported();
    void taskListButtons();
    void screenshotOfRandExtsParameters();
};

void tst_quellon::creationAndActivationFollowTheDesign() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    QVERIFY(launcher.open());
    const quellon::TFm& fm = *launcher.fm;

    QCOMPARE(fm.windowTitle(), QString("Fm"));
    QCOMPARE(fm.width(), 1000);
    QCOMPARE(fm.pos(), QPoint((fm.screen()->geometry().width() - 1000) / 2, 50));

    QTableWidget* grid = launcher.grid();
    QCOMPARE(grid->rowCount(), 9);
    QVERIFY(!grid->verticalHeader()->isVisible());
    QCOMPARE(grid->rowHeight(0), 24);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    const int widths[] = {300, 30, 100, 500};
    const char* titles[] = {"comment", "type", "name", "value"};
    for (int column = 0; column < 4; ++column) {
        QCOMPARE(grid->columnWidth(column), widths[column]);
        QCOMPARE(grid->horizontalHeaderItem(column)->text(), QString(titles[column]));
    }
    QCOMPARE(launcher.find<QLabel>("TitPnlData")->palette().color(QPalette::Window), QColor(192, 220, 192));
    QCOMPARE(launcher.fixColour(), kRed);
    QCOMPARE(launcher.goTag(), 0);

    // The small windows are created once, after the main window's components.
    QStringList forms;
    for (QObject* child : fm.children()) {
        if (child->objectName().startsWith("Fm")) forms.append(child->objectName());
    }
    QCOMPARE(forms, (QStringList{"FmAboutFunc", "FmAboutPackage", "FmDigit", "FmDir"}));

    // Activation takes the boxes' texts and places the value box, once.
    QCOMPARE(fm.session().currentFunction(), QString("RandExt"));
    QCOMPARE(fm.session().currentPackage(), QString("Helixa"));
    QCOMPARE(launcher.find("FmDigit")->pos(), fm.pos() + QPoint(1000 - 269 - 20, 63 + 100));
    launcher.fm->hide();
    launcher.find<QComboBox>("BxFuncs")->setCurrentText("RandExtTaskList");
    launcher.fm->show();
    QCOMPARE(fm.session().currentFunction(), QString("RandExt"));
}

void tst_quellon::showFixAndGoStartTheEngineBesideTheLauncher() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    QCOMPARE(launcher.cell(0, 2), QString("pthGnm"));
    QCOMPARE(launcher.cell(6, 2), QString("misNu"));
    QCOMPARE(launcher.cell(7, 0), QString());
    QCOMPARE(launcher.fixColour(), kRed);

    launcher.click("BtnFixParams");
    QCOMPARE(launcher.fixColour(), kBlack);
    const QString parameterFile = QDir::toNativeSeparators(launcher.dir.paramsPath() + "RandExt.txt");
    QCOMPARE(launcher.dir.read("_ParamsOfFunc.txt"), parameterFile.toLocal8Bit() + "\nRandExt");

    launcher.click("BtnGo");
    QCOMPARE(launcher.goTag(), 1);
    QVERIFY(!launcher.fm->isVisible());
    QCOMPARE(launcher.shell->started, QStringList{launcher.dir.path() + "Ruzovizu"});
}

void tst_quellon::fixAndGoRefuseWithTheirMessages() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    QVERIFY(launcher.open());
    QObject context;
    auto fixMessage = pressOkOnNextMessage(&context);
    launcher.click("BtnFixParams");
    QCOMPARE(fixMessage->texts, QStringList{"incorrect input data"});
    QCOMPARE(launcher.fixColour(), kRed);
    QVERIFY(!launcher.dir.exists("_ParamsOfFunc.txt"));

    auto goMessage = pressOkOnNextMessage(&context);
    launcher.click("BtnGo");
    QCOMPARE(goMessage->texts, QStringList{"red button"});
    QVERIFY(launcher.fm->isVisible());
    QCOMPARE(launcher.goTag(), 0);

    // Closing without " go " starts nothing, fixed or not.
    launcher.click("BtnShowParams");
    launcher.click("BtnFixParams");
    QVERIFY(launcher.fm->close());
    QVERIFY(launcher.shell->started.isEmpty());
}

void tst_quellon::functionChoiceEmptiesTheGridHidesItsAboutAndTurnsRed() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    launcher.click("BtnFixParams");
    launcher.click("BtnAboutFunc");
    QWidget* about = launcher.find("FmAboutFunc");
    QVERIFY(about->isVisible());

    launcher.choose("BxFuncs", "fIdentifyCircularRna");
    QCOMPARE(launcher.fm->session().currentFunction(), QString("fIdentifyCircularRna"));
    QCOMPARE(gridTexts(launcher).join(""), QString());
    QVERIFY(!about->isVisible());
    QCOMPARE(launcher.fixColour(), kRed);
}

void tst_quellon::packageChoiceOffersThePackagesFunctions() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    launcher.dir.writeParam("List_FuncModulePack.txt", kTwoPackages);
    QVERIFY(launcher.open());
    auto* packages = launcher.find<QComboBox>("BxPacks");
    auto* functions = launcher.find<QComboBox>("BxFuncs");
    QCOMPARE(packages->itemText(0), QString("Checks"));  // in file order,
    QCOMPARE(packages->currentText(), QString("Helixa"));  // Helixa shown
    QCOMPARE(functions->itemText(0), QString("RandExt"));
    QCOMPARE(functions->count(), 2);

    launcher.click("BtnShowParams");
    launcher.click("BtnAboutPackage");
    launcher.choose("BxPacks", "Checks");
    QCOMPARE(functions->count(), 1);
    QCOMPARE(functions->currentText(), QString("fTestGenomeSborka"));
    QCOMPARE(launcher.fm->session().currentFunction(), QString("fTestGenomeSborka"));
    QCOMPARE(gridTexts(launcher).join(""), QString());
    QVERIFY(!launcher.find("FmAboutPackage")->isVisible());

    // A package without functions is reported; both boxes stay as they were.
    QObject context;
    auto messages = pressOkOnNextMessage(&context);
    launcher.choose("BxPacks", "Empty");
    QCOMPARE(messages->texts.size(), 1);
    QVERIFY(messages->texts.first().endsWith("the package \"Empty\" has no functions"));
    QCOMPARE(packages->currentText(), QString("Checks"));
    QCOMPARE(functions->currentText(), QString("fTestGenomeSborka"));
}

void tst_quellon::valueRowsEditThroughTheValueBox() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    launcher.click("BtnFixParams");

    QObject context;
    whenModal<TFmDigit>(&context, [](TFmDigit* digit) {
        digit->findChild<QLineEdit*>("BxParamVal")->setText("24");
        QTest::mouseClick(digit->findChild<QPushButton*>("BxParamTake"), Qt::LeftButton);
    });
    launcher.clickRow(4);  // immutSz, an "int" row
    QCOMPARE(launcher.cell(4, 3), QString("24"));
    QCOMPARE(launcher.fixColour(), kRed);

    whenModal<TFmDigit>(&context, [](TFmDigit* digit) {
        QTest::mouseClick(digit->findChild<QPushButton*>("BxPatamCancel"), Qt::LeftButton);
    });
    launcher.clickRow(3);  // experimentId, a "str" row
    QCOMPARE(launcher.cell(3, 3), QString("blank"));
}

void tst_quellon::directoryRowsEditThroughTheChooser() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    QVERIFY(QDir(launcher.dir.path()).mkpath("results/run1"));
    const QString results = QDir(launcher.dir.path() + "results").canonicalPath();
    launcher.dir.writeParam("RandExt.txt", ("result directory\ndir\ndiRes\n" + results + "\n").toUtf8());
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");

    QObject context;
    QPoint placed;
    whenModal<TFmDir>(&context, [&placed](TFmDir* chooser) {
        placed = chooser->pos();
        auto* list = chooser->findChild<QListWidget*>("BoxDir");
        const QList<QListWidgetItem*> runs = list->findItems("run1", Qt::MatchEndsWith);
        if (runs.size() == 1) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                              list->visualItemRect(runs.first()).center());
        }
        QTest::mouseClick(chooser->findChild<QToolButton*>("BtnTake"), Qt::LeftButton);
    });
    launcher.clickRow(0);
    QCOMPARE(placed, launcher.fm->pos() + QPoint(440, 20));
    QCOMPARE(launcher.cell(0, 3), results + "/run1");

    whenModal<TFmDir>(&context, [](TFmDir* chooser) {
        QTest::mouseClick(chooser->findChild<QToolButton*>("BtnCancel"), Qt::LeftButton);
    });
    launcher.clickRow(0);
    QCOMPARE(launcher.cell(0, 3), results + "/run1");
}

void tst_quellon::fileRowsEditThroughQtsFileDialog() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    QVERIFY(QDir(launcher.dir.path()).mkpath("genomes"));
    const QString genome = QDir(launcher.dir.path() + "genomes").canonicalPath() + "/phage.txt";
    QFile(genome).open(QIODevice::WriteOnly);
    launcher.dir.writeParam("RandExt.txt", "genome\nfile\npthGnm\n?\nannotation\ntable\npthTable\n?\n");
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");

    QObject context;
    QString startedIn;
    QStringList filters;
    bool native = true;
    whenModal<QFileDialog>(&context, [&](QFileDialog* dialog) {
        startedIn = dialog->directory().absolutePath();
        native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        dialog->selectFile(genome);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as its Open button does
    });
    launcher.clickRow(0);
    QVERIFY(!native);
    QCOMPARE(startedIn, QDir::current().absolutePath());  // "?": no initial directory
    QCOMPARE(launcher.cell(0, 3), genome);

    whenModal<QFileDialog>(&context, [&](QFileDialog* dialog) {
        startedIn = dialog->directory().absolutePath();
        dialog->reject();
    });
    launcher.clickRow(0);
    QCOMPARE(startedIn, QFileInfo(genome).absolutePath());
    QCOMPARE(launcher.cell(0, 3), genome);  // cancelled: unchanged

    whenModal<QFileDialog>(&context, [&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        dialog->reject();
    });
    launcher.clickRow(1);
    QCOMPARE(filters, QStringList{"tables (*.db)"});
}

void tst_quellon::rowsOfOtherTypesDoNothing() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    launcher.dir.writeParam("RandExt.txt", "odd type\nDir\nx\nv\nno type\n\ny\nw\n");
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    // A modal window would hold the click until the test's timeout.
    launcher.clickRow(0);
    launcher.clickRow(1);
    launcher.clickRow(5);  // an empty row
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(launcher.cell(0, 3), QString("v"));
}

void tst_quellon::aboutButtonsShowAndHideTheirWindows() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    launcher.dir.writeParam("AboutFuncs.txt", "RandExt\none\ntwo\nthree\n*\n");
    QVERIFY(launcher.open());
    const QPoint main = launcher.fm->pos();

    launcher.click("BtnAboutFunc");
    QWidget* function = launcher.find("FmAboutFunc");
    QVERIFY(function->isVisible());
    QVERIFY(function->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(function->windowTitle(), QString("RandExt"));
    QCOMPARE(function->size(), QSize(650, 106));
    QCOMPARE(function->pos(), main + QPoint(500, 0));
    QCOMPARE(function->palette().color(QPalette::Window), QColor(255, 255, 225));
    auto* label = function->findChild<QLabel*>("Lbl");
    QCOMPARE(label->text(), QString("one\ntwo\nthree"));
    QCOMPARE(label->font().pixelSize(), 17);
    launcher.click("BtnAboutFunc");
    QVERIFY(!function->isVisible());

    launcher.click("BtnAboutPackage");
    QWidget* package = launcher.find("FmAboutPackage");
    QVERIFY(package->isVisible());
    QCOMPARE(package->windowTitle(), QString("Helixa"));
    QCOMPARE(package->width(), 500);
    QCOMPARE(package->pos(), main);
    QCOMPARE(launcher.button("BtnAboutPackage")->text(), QString("Open about"));
    launcher.click("BtnAboutPackage");
    QVERIFY(!package->isVisible());
}

void tst_quellon::externalFunctionStartsAtOnceWithoutCallFile() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    launcher.dir.writeParam("RandExt.txt", "external\n");
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    QVERIFY(!launcher.fm->isVisible());
    QCOMPARE(launcher.goTag(), 1);
    QCOMPARE(launcher.shell->started, QStringList{launcher.dir.path() + "Ruzovizu"});
    QVERIFY(!launcher.dir.exists("_ParamsOfFunc.txt"));
}

void tst_quellon::failedStartIsReportedAndTheWindowStaysClosable() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    launcher.shell->startProblem = "i can't start /x/Ruzovizu";
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    launcher.click("BtnFixParams");

    QObject context;
    auto messages = pressOkOnNextMessage(&context);
    launcher.click("BtnGo");
    QCOMPARE(messages->texts, QStringList{"i can't start /x/Ruzovizu"});
    QVERIFY(launcher.fm->isVisible());
    QCOMPARE(launcher.goTag(), 0);
    QVERIFY(launcher.fm->close());
    QCOMPARE(launcher.shell->started.size(), 1);
}

void tst_quellon::unreadableFilesAreReported() {
    LauncherUnderTest noCatalogue;
    noCatalogue.dir.copyProjectParams();
    QFile::remove(noCatalogue.dir.paramsPath() + "List_FuncModulePack.txt");
    noCatalogue.fm = std::make_unique<quellon::TFm>(
        noCatalogue.dir.path(),
        std::make_unique<quellon::test_support::RecordingShell>(noCatalogue.shell));
    noCatalogue.fm->show();
    // The message comes once the window is up, after this answer is queued.
    QObject context;
    auto startMessage = pressOkOnNextMessage(&context);
    QTRY_COMPARE(startMessage->texts.size(), 1);
    QVERIFY(startMessage->texts.first().startsWith("Cannot open file"));
    QCOMPARE(boxText(noCatalogue, "BxPacks"), QString("Helixa"));
    QCOMPARE(boxText(noCatalogue, "BxFuncs"), QString("RandExt"));

    LauncherUnderTest emptyTemplate;
    emptyTemplate.dir.copyProjectParams();
    emptyTemplate.dir.writeParam("RandExt.txt", "");
    QVERIFY(emptyTemplate.open());
    auto showMessage = pressOkOnNextMessage(&context);
    emptyTemplate.click("BtnShowParams");
    QCOMPARE(showMessage->texts.size(), 1);
    QVERIFY(showMessage->texts.first().startsWith("the parameter file is empty:\n"));
    QCOMPARE(gridTexts(emptyTemplate).join(""), QString());
}

void tst_quellon::taskListButtons() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    launcher.dir.writeParam("RandExtTaskList.txt", "task list\nfile\npthTaskList\n/t/tasks.txt\n");
    QVERIFY(launcher.open());

    launcher.click("BtnTaLiSample");
    QCOMPARE(launcher.shell->opened, QStringList{launcher.dir.paramsPath() + "TaskListSample.txt"});

    QObject context;
    auto wrongFunction = pressOkOnNextMessage(&context);
    launcher.click("BtnTaLiFile");
    QCOMPARE(wrongFunction->texts, QStringList{"you are needed function\nRandExtTaskList"});

    launcher.choose("BxFuncs", "RandExtTaskList");
    auto notShown = pressOkOnNextMessage(&context);
    launcher.click("BtnTaLiFile");
    QCOMPARE(notShown->texts, QStringList{"you are needed to click\nshow Params"});

    launcher.click("BtnShowParams");
    launcher.click("BtnTaLiFile");
    QCOMPARE(launcher.shell->opened.last(), QString("/t/tasks.txt"));
}

// The picture of the main window in the project's documentation.
void tst_quellon::screenshotOfRandExtsParameters() {
    LauncherUnderTest launcher;
    launcher.dir.copyProjectParams();
    QByteArray randExt = launcher.dir.readParam("RandExt.txt");
    randExt.replace("pthGnm\n?", "pthGnm\n/home/lab/phage/genome.txt");
    randExt.replace("pthReads\n?", "pthReads\n/home/lab/phage/reads_s1.txt");
    randExt.replace("diRes\n?", "diRes\n/home/lab/phage/results");
    randExt.replace("experimentId\nblank", "experimentId\nphage_s1");
    launcher.dir.writeParam("RandExt.txt", randExt);
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    launcher.grid()->selectRow(4);

    const QImage shot = launcher.fm->grab().toImage();
    QCOMPARE(shot.size(), QSize(1000, 438));
    QCOMPARE(shot.pixelColor(100, 63 + 12), QColor(192, 220, 192));  // the grid's title bar
    QVERIFY(shot.save(QStringLiteral(QUELLON_SCREENSHOT_DIR) + "/quellon-main.png"));
}

QTEST_MAIN(tst_quellon)
#include "tst_quellon.moc"
