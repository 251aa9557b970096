// The main window Fm: every handler, the fix button's colour, BtnGo's Tag and
// the messages, with the small windows it opens answered as a user would.
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "support/window_test.h"
#include "ui/digital.h"
#include "ui/dirstart.h"

using namespace quellon;
using namespace quellon::test_support;

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

QStringList items(const LauncherUnderTest& launcher, const char* name) {
    const auto* box = launcher.fm->findChild<QComboBox*>(name);
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) texts.append(box->itemText(i));
    return texts;
}

bool gridIsEmpty(const LauncherUnderTest& launcher) {
    return launcher.grid()->findItems(".", Qt::MatchRegularExpression).isEmpty();
}

}  // namespace

class tst_quellon : public QObject {
    Q_OBJECT

private slots:
    void activationTakesTheBoxesOnce();
    void messages_data();
    void messages();
    void aboutWindowsAndChoices();
    void rowClicksOpenTheirEditor_data();
    void rowClicksOpenTheirEditor();
    void fixAndGoStartTheModuleBesideTheLauncher();
    void externalTemplateStartsTheModuleAtShow();
    void taskListButtonsOpenTheirFiles();
    void screenshotOfRandExtsParameters();
};

void tst_quellon::activationTakesTheBoxesOnce() {
    LauncherUnderTest launcher;
    QVERIFY(launcher.open());
    QCOMPARE(launcher.fm->session().currentPackage(), QString("Helixa"));
    QCOMPARE(launcher.fm->session().currentFunction(), QString("RandExt"));
    QCOMPARE(launcher.fixColour(), kRed);
    QCOMPARE(launcher.goTag(), 0);
    // The value box waits at the window's right edge, over the grid.
    const QPoint valueBox = launcher.fm->findChild<TFmDigit*>()->pos() - launcher.fm->pos();
    QCOMPARE(valueBox, QPoint(1000 - 269 - 20, 63 + 100));

    launcher.fm->hide();
    launcher.fm->findChild<QComboBox*>("BxFuncs")->setCurrentText("RandExtTaskList");
    launcher.fm->show();
    QCOMPARE(launcher.fm->session().currentFunction(), QString("RandExt"));
    QVERIFY(launcher.messages.isEmpty());
}

// `setup`: "name=content" writes a file of the launcher directory, "name/"
// puts a directory in the file's place. `actions`: buttons to click and
// box=item choices. `started`: the row fixes the parameters, then its one
// start fails. In `message`, %L and %P stand for the launcher and the Params
// directory; a message ending in "..." is matched by its start.
void tst_quellon::messages_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("started");
    const QString catalogue = "Params/List_FuncModulePack.txt";
    QTest::newRow("no catalogue") << catalogue + '/' << ""
                                  << "Cannot open file \"%PList_FuncModulePack.txt\"..." << false;
    QTest::newRow("package without functions")
        << catalogue + "=RandExt\n*R\n>this\n#Helixa\n*R\n>this\n#Empty\n" << "BxPacks=Empty"
        << "%PList_FuncModulePack.txt\nline 7: the package \"Empty\" has no functions" << false;
    QTest::newRow("fix before show") << "" << "BtnFixParams" << "incorrect input data" << false;
    QTest::newRow("go before fix") << "" << "BtnGo" << "red button" << false;
    QTest::newRow("empty template") << "Params/RandExt.txt=" << "BtnShowParams"
                                    << "the parameter file is empty:\n%PRandExt.txt" << false;
    QTest::newRow("call file unwritable") << "_ParamsOfFunc.txt/" << "BtnShowParams BtnFixParams"
                                          << "i can't open %L_ParamsOfFunc.txt" << false;
    QTest::newRow("broken about text")
        << "Params/AboutFuncs.txt=RandExt\none\n\ntwo\n*\n" << "BtnAboutFunc"
        << "%PAboutFuncs.txt\nline 3: empty line" << false;
    QTest::newRow("failed start") << "" << "BtnShowParams BtnFixParams BtnGo" << "i can't start it"
                                  << true;
    QTest::newRow("my file of another function")
        << "" << "BtnTaLiFile" << "you are needed function\nRandExtTaskList" << false;
    QTest::newRow("my file before show") << "" << "BxFuncs=RandExtTaskList BtnTaLiFile"
                                         << "you are needed to click\nshow Params" << false;
    QTest::newRow("my file without its record")
        << "Params/RandExtTaskList.txt=genome\nfile\npthGnm\n?\n"
        << "BxFuncs=RandExtTaskList BtnShowParams BtnTaLiFile"
        << "no parameter has the comment \"task list\"" << false;
}

// Each problem shows one plain message and leaves the window open, showing
// what it works on, not fixed (but where the start failed), not requesting a
// start and closing without one.
void tst_quellon::messages() {
    QFETCH(QString, setup);
    QFETCH(QString, actions);
    QFETCH(QString, message);
    QFETCH(bool, started);
    LauncherUnderTest launcher;
    launcher.startProblem = "i can't start it";
    const QString target = launcher.dir.path() + setup.section('=', 0, 0);
    if (setup.endsWith('/')) {
        QFile::remove(target.chopped(1));
        QVERIFY(QDir().mkdir(target));
    } else if (!setup.isEmpty()) {
        writeFile(target, setup.section('=', 1).toLocal8Bit());
    }
    QVERIFY(launcher.open());
    for (const QString& action : actions.split(' ', Qt::SkipEmptyParts)) {
        if (action.contains('=')) {
            launcher.choose(action.section('=', 0, 0), action.section('=', 1));
        } else {
            launcher.click(action);
        }
    }
    message.replace("%L", native(launcher.dir.path()));
    message.replace("%P", native(launcher.dir.paramsPath()));
    QCOMPARE(launcher.messages.size(), 1);
    const QString& shown = launcher.messages.first();
    QVERIFY2(message.endsWith("...") ? shown.startsWith(message.chopped(3)) : shown == message,
             qPrintable(shown));
    QVERIFY(launcher.fm->isVisible());
    QCOMPARE(launcher.boxText("BxPacks"), launcher.fm->session().currentPackage());
    QCOMPARE(launcher.boxText("BxFuncs"), launcher.fm->session().currentFunction());
    QCOMPARE(launcher.fixColour(), started ? kBlack : kRed);
    QCOMPARE(QFileInfo(launcher.dir.path() + "_ParamsOfFunc.txt").isFile(), started);
    QCOMPARE(launcher.goTag(), 0);
    QVERIFY(launcher.close());
    QCOMPARE(launcher.started.size(), started ? 1 : 0);
    QCOMPARE(launcher.messages.size(), 1);
}

// The about buttons toggle their windows, sized to the text; a choice in the
// box below a button hides its window, empties the grid and turns fix red.
void tst_quellon::aboutWindowsAndChoices() {
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
        QCOMPARE(launcher.fixColour(), kBlack);
        launcher.choose(s.box, s.choice);
        QCOMPARE(items(launcher, "BxFuncs"), s.functions);
        const QString function = s.functions.contains(s.choice) ? s.choice : s.functions.first();
        QCOMPARE(launcher.boxText("BxFuncs"), function);
        QCOMPARE(launcher.fm->session().currentFunction(), function);
        QVERIFY(gridIsEmpty(launcher));
        QVERIFY(!about->isVisible());
        QCOMPARE(launcher.fixColour(), kRed);
    }
    QVERIFY(launcher.messages.isEmpty());
}

// `answer`: take or cancel, after typing a text in the value box, selecting
// a file in the file dialog, or in the directory chooser clicking an item
// (twice with a leading '+') or choosing a volume ('/'). `seen`: where the
// window opened and, for the chooser, the directory it lists at the end.
// %R, %G and %C stand for the results, genome and current directories.
void tst_quellon::rowClicksOpenTheirEditor_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("seen");
    QTest::newRow("int: take") << 4 << "take 24" << "24" << "value box";
    QTest::newRow("str: cancel") << 3 << "cancel x" << "blank" << "value box";
    QTest::newRow("dir: a click chooses") << 0 << "take run1" << "%R/run1" << "%R +440+20";
    QTest::newRow("dir: double click opens") << 0 << "take +run1" << "%R/run1" << "%R/run1 +440+20";
    QTest::newRow("dir: cancel") << 0 << "cancel run1" << "%R" << "%R +440+20";
    QTest::newRow("dir: a volume lists its root") << 0 << "cancel /" << "%R" << "/ +440+20";
    QTest::newRow("dir: ? lists where it stands") << 6 << "cancel" << "?" << "%C +440+20";
    QTest::newRow("file: take") << 1 << "take %G/phage.txt" << "%G/phage.txt" << "%C All Files (*)";
    QTest::newRow("table: cancel") << 2 << "cancel" << "%G/old.db" << "%G tables (*.db)";
    QTest::newRow("other type") << 5 << "" << "v" << "";
}

// A taken new value turns the fix button red. The directory chooser refuses
// to close and Escape; only its buttons leave it. Closing the main window
// without " go " starts nothing, fixed or not.
void tst_quellon::rowClicksOpenTheirEditor() {
    QFETCH(int, row);
    QFETCH(QString, answer);
    QFETCH(QString, value);
    QFETCH(QString, seen);
    LauncherUnderTest launcher;
    const QDir top(launcher.dir.path());
    QVERIFY(top.mkpath("results/run1") && top.mkpath("genomes"));
    writeFile(top.filePath("genomes/phage.txt"), "ACGT");
    const QString results = QDir(top.filePath("results")).canonicalPath();
    const QString genomes = QDir(top.filePath("genomes")).canonicalPath();
    for (QString* text : {&answer, &value, &seen}) {
        text->replace("%R", results).replace("%G", genomes).replace("%C", QDir::currentPath());
    }
    const QString rows = "results\ndir\ndiRes\n%1\ngenome\nfile\npthGnm\n?\nnotes\ntable\nt\n"
                         "%2/old.db\nexperiment\nstr\nexperimentId\nblank\nstart\nint\nimmutSz\n20\n"
                         "odd\nDir\nx\nv\nother\ndir\nd\n?\n";
    launcher.dir.writeParam("RandExt.txt", rows.arg(results, genomes).toLocal8Bit());
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    launcher.click("BtnFixParams");

    const bool take = answer.startsWith("take");
    const QString text = answer.section(' ', 1);
    QString shown;
    QObject context;
    whenModal<QDialog>(&context, [&](QDialog* dialog) {
        if (auto* digit = qobject_cast<TFmDigit*>(dialog)) {
            shown = "value box";
            digit->findChild<QLineEdit*>()->setText(text);
            const char* button = take ? "BxParamTake" : "BxPatamCancel";
            QTest::mouseClick(digit->findChild<QPushButton*>(button), Qt::LeftButton);
        } else if (auto* chooser = qobject_cast<TFmDir*>(dialog)) {
            auto* list = chooser->findChild<QListWidget*>();
            auto* volumes = chooser->findChild<QComboBox*>();
            if (text.startsWith('/')) {
                volumes->setCurrentIndex(volumes->findText(text));
                emit volumes->activated(volumes->currentIndex());
            }
            const bool twice = text.startsWith('+');
            const QString label = twice ? text.mid(1) : text;
            for (QListWidgetItem* item : list->findItems(label, Qt::MatchEndsWith)) {
                const QPoint at = list->visualItemRect(item).center();
                QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
                if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            }
            chooser->close();
            QTest::keyClick(chooser, Qt::Key_Escape);
            const QPoint at = chooser->pos() - launcher.fm->pos();
            shown = QString("%1 +%2+%3%4").arg(chooser->listedDirectory()).arg(at.x()).arg(at.y())
                        .arg(chooser->isVisible() ? "" : " closed");
            QTest::mouseClick(chooser->findChild<QToolButton*>(take ? "BtnTake" : "BtnCancel"),
                              Qt::LeftButton);
        } else if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            shown = files->directory().absolutePath() + ' ' + files->nameFilters().join(',') +
                    (files->testOption(QFileDialog::DontUseNativeDialog) ? "" : " native");
            files->selectFile(text);
            // QFileDialog::accept, as its Open button calls it
            take ? static_cast<QDialog*>(files)->accept() : files->reject();
        } else {
            shown = "another window";
            dialog->reject();
        }
    });
    launcher.clickRow(row);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(launcher.cell(row), value);
    QCOMPARE(shown, seen);
    QCOMPARE(launcher.fixColour(), take ? kRed : kBlack);
    QVERIFY(launcher.close());
    QVERIFY(launcher.started.isEmpty());
    QVERIFY(launcher.messages.isEmpty());
}

// Ten records ending in CR LF: the grid shows nine, and fix writes all ten
// back with the line feeds alone that the engine reads.
void tst_quellon::fixAndGoStartTheModuleBesideTheLauncher() {
    LauncherUnderTest launcher;
    QByteArray records;
    for (int i = 1; i <= 10; ++i) records += QString("c%1\nint\nn%1\n%1\n").arg(i).toLatin1();
    launcher.dir.writeParam("RandExt.txt", QByteArray(records).replace("\n", "\r\n"));
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    QCOMPARE(launcher.cell(8, 2), QString("n9"));
    launcher.click("BtnFixParams");
    QCOMPARE(launcher.fixColour(), kBlack);
    QCOMPARE(launcher.dir.readParam("RandExt.txt"), records);
    QCOMPARE(readFile(launcher.dir.path() + "_ParamsOfFunc.txt"),
             native(launcher.dir.paramsPath() + "RandExt.txt").toLocal8Bit() + "\nRandExt");
    QVERIFY(launcher.started.isEmpty());

    launcher.click("BtnGo");
    QVERIFY(!launcher.fm->isVisible());
    QCOMPARE(launcher.goTag(), 1);
    QCOMPARE(launcher.started, QStringList{launcher.dir.path() + "Ruzovizu"});  // "this" directory
    QVERIFY(launcher.messages.isEmpty());
}

void tst_quellon::externalTemplateStartsTheModuleAtShow() {
    LauncherUnderTest launcher;
    launcher.dir.writeParam("RandExt.txt", "external\n");
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    QVERIFY(!launcher.fm->isVisible());
    QCOMPARE(launcher.goTag(), 1);
    QCOMPARE(launcher.started, QStringList{launcher.dir.path() + "Ruzovizu"});
    QVERIFY(!QFile::exists(launcher.dir.path() + "_ParamsOfFunc.txt"));
    QVERIFY(launcher.messages.isEmpty());
}

void tst_quellon::taskListButtonsOpenTheirFiles() {
    LauncherUnderTest launcher;
    launcher.dir.writeParam("RandExtTaskList.txt", "g\nfile\np\n?\ntask list\nfile\nt\n/t/my.txt\n");
    QVERIFY(launcher.open());
    launcher.click("BtnTaLiSample");
    launcher.choose("BxFuncs", "RandExtTaskList");
    launcher.click("BtnShowParams");
    launcher.click("BtnTaLiFile");
    const QString sample = launcher.dir.paramsPath() + "TaskListSample.txt";
    QCOMPARE(launcher.opened, (QStringList{sample, "/t/my.txt"}));
    QVERIFY(launcher.messages.isEmpty());
}

// The picture of the main window in the project's documentation.
void tst_quellon::screenshotOfRandExtsParameters() {
    LauncherUnderTest launcher;
    QByteArray randExt = launcher.dir.readParam("RandExt.txt");
    randExt.replace("pthGnm\n?", "pthGnm\n/home/lab/phage/genome.txt")
        .replace("pthReads\n?", "pthReads\n/home/lab/phage/reads_s1.txt")
        .replace("diRes\n?", "diRes\n/home/lab/phage/results")
        .replace("experimentId\nblank", "experimentId\nphage_s1");
    launcher.dir.writeParam("RandExt.txt", randExt);
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    launcher.grid()->selectRow(4);
    const QImage shot = launcher.fm->grab().toImage();
    QCOMPARE(shot.pixelColor(100, 63 + 12), QColor(192, 220, 192));  // drawn: the grid's title bar
    QVERIFY(shot.save(QStringLiteral(QUELLON_SCREENSHOT_DIR) + "/quellon-main.png"));
}

QTEST_MAIN(tst_quellon)
#include "tst_quellon.moc"
