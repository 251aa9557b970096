// The main window Fm: every handler, the fix state, BtnGo's Tag and the
// messages, with the small windows it opens answered as a user would; the
// keyboard, the windows' places on the screen and what the window keeps
// between sessions.
#include "support/quellon_test.h"
#include "support/window_test.h"
#include "ui/digital.h"
#include "ui/dirstart.h"
#include "ui/plot_window.h"
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QTemporaryDir>
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

class tst_quellon : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void activationTakesTheBoxesOnce();
    void messages_data();
    void messages();
    void rowClicksOpenTheirEditor_data();
    void rowClicksOpenTheirEditor();
    void keysOpenRowEditorsAndTabLeavesTheGrid_data();
    void keysOpenRowEditorsAndTabLeavesTheGrid();
    void everyButtonHasATooltipAndItsShortcutPressesIt();
    void unfixedEditsGoOnlyWhenTheUserSaysSo_data();
    void unfixedEditsGoOnlyWhenTheUserSaysSo();
    void gridStretchesAndShowsCutTextsWhole();
    void functionsTheEngineLacksAreMarked();
    void placeSizeAndLastFolderAreRemembered();
    void closingAsksForUnfixedEdits_data();
    void closingAsksForUnfixedEdits();
    void aTemplateItsCallFileNamesShowsFixed();
    void everyControlStaysInReachOfTheScreen();
    void readLengthsArePlottedAndSaved();
    void fixAndGoStartTheModuleBesideTheLauncher();
    void externalTemplateStartsTheModuleAtShow();
    void taskListButtonsOpenTheirFiles();
    void screenshotOfRandExtsParameters();

private:
    QTemporaryDir settings_;
};

void tst_quellon::initTestCase() {
    QVERIFY(settings_.isValid());
    useThrowawaySettings(settings_.path());
}

void tst_quellon::init() { QSettings().clear(); }

void tst_quellon::activationTakesTheBoxesOnce() {
    LauncherUnderTest launcher;
    QVERIFY(launcher.open());
    QCOMPARE(launcher.fm->session().currentPackage(), QString("Helixa"));
    QCOMPARE(launcher.fm->session().currentFunction(), QString("RandExt"));
    QCOMPARE(launcher.fixState(), kNotFixed);
    QCOMPARE(launcher.goTag(), 0);
    // The value box waits at the window's right edge, over the grid.
    const QPoint valueBox = launcher.fm->findChild<TFmDigit*>()->pos() - launcher.fm->pos();
    QCOMPARE(valueBox, QPoint(1000 - 269 - 20, 63 + 100));
    // No engine lies beside this launcher: it cannot tell, and marks nothing.
    const auto* functions = launcher.fm->findChild<QComboBox*>("BxFuncs");
    for (int i = 0; i < functions->count(); ++i) QVERIFY(functions->itemIcon(i).isNull());

    launcher.fm->hide();
    launcher.fm->findChild<QComboBox*>("BxFuncs")->setCurrentText("RandExtTaskList");
    launcher.fm->show();
    QCOMPARE(launcher.fm->session().currentFunction(), QString("RandExt"));
    QVERIFY(launcher.messages.isEmpty());
}

// `setup`: "name=content" writes a file of the launcher directory (%L in the
// content stands for the launcher directory), "name/" puts a directory in
// the file's place. `actions`: buttons to click and box=item choices.
// `fixed`: the actions fix the parameters; `started`: then one start fails.
// In `message`, %L and %P stand for the launcher and the Params directory; a
// message ending in "..." is matched by its start.
void tst_quellon::messages_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<bool>("started");
    const QString catalogue = "Params/List_FuncModulePack.txt";
    const QString mistakes = "Params/RandExt.txt=genome\nfile\npthGnm\n?\nreads\nfile\npthReads\n"
                             "%Lnone.txt\nresults\ndir\ndiRes\n%LParams/RandExt.txt\nsize\nint\n"
                             "immutSz\n2O\nreads folder\ndir\ndiReads\n%Lmissing\nlist\nfile\n"
                             "l\n%L\n";
    const QString everyMistake = "incorrect input data\nrow 1 (pthGnm): no file chosen\n"
                                 "row 2 (pthReads): no such file: %Lnone.txt\n"
                                 "row 3 (diRes): not a folder: %PRandExt.txt\n"
                                 "row 4 (immutSz): \"2O" + kNotWhole + "\n"
                                 "row 5 (diReads): no such folder: %Lmissing\n"
                                 "row 6 (l): a folder, not a file: %L";
    QTest::newRow("no catalogue") << catalogue + '/' << ""
                                  << "Cannot open file \"%PList_FuncModulePack.txt\"..." << false
                                  << false;
    QTest::newRow("package without functions")
        << catalogue + "=RandExt\n*R\n>this\n#Helixa\n*R\n>this\n#Empty\n" << "BxPacks=Empty"
        << "%PList_FuncModulePack.txt\nline 7: the package \"Empty\" has no functions" << false
        << false;
    QTest::newRow("fix before show") << "" << "BtnFixParams" << "incorrect input data" << false
                                     << false;
    const QString notFixed = "the values are not fixed yet:\npress fix Params to save them first";
    QTest::newRow("go before fix") << "" << "BtnGo" << notFixed << false << false;
    QTest::newRow("run here before fix") << "" << "BtnRunHere" << notFixed << false << false;
    QTest::newRow("a coded genome for letters")
        << "Params/RandExt.txt=genome file: letters ACGT only, no header\nfile\npthGnm\n%Lcoded.bin\n"
        << "BtnShowParams BtnFixParams BtnRunHere"
        << "incorrect input data\nrow 1 (pthGnm): a coded file (bytes 0-3) where the row reads letters: "
           "%Lcoded.bin" << true << false;
    QTest::newRow("go with every mistake at once")
        << mistakes << "BtnShowParams BtnFixParams BtnGo" << everyMistake << true << false;
    QTest::newRow("run here with every mistake at once")
        << mistakes << "BtnShowParams BtnFixParams BtnRunHere" << everyMistake << true << false;
    QTest::newRow("empty template") << "Params/RandExt.txt=" << "BtnShowParams"
                                    << "the parameter file is empty:\n%PRandExt.txt" << false
                                    << false;
    QTest::newRow("call file unwritable") << "_ParamsOfFunc.txt/" << "BtnShowParams BtnFixParams"
                                          << "i can't open %L_ParamsOfFunc.txt" << false << false;
    QTest::newRow("broken about text")
        << "Params/AboutFuncs.txt=RandExt\none\n\ntwo\n*\n" << "BtnAboutFunc"
        << "%PAboutFuncs.txt\nline 3: empty line" << false << false;
    QTest::newRow("failed start") << "Params/RandExt.txt=size\nint\nimmutSz\n20\n"
                                  << "BtnShowParams BtnFixParams BtnGo" << "i can't start it"
                                  << true << true;
    QTest::newRow("my file of another function")
        << "" << "BtnTaLiFile" << "you are needed function\nRandExtTaskList" << false << false;
    QTest::newRow("my file before show") << "" << "BxFuncs=RandExtTaskList BtnTaLiFile"
                                         << "you are needed to click\nshow Params" << false
                                         << false;
    QTest::newRow("my file without its record")
        << "Params/RandExtTaskList.txt=genome\nfile\npthGnm\n?\n"
        << "BxFuncs=RandExtTaskList BtnShowParams BtnTaLiFile"
        << "no parameter has the comment \"task list\"" << false << false;
}

// Each problem shows one plain message and leaves the window open, showing
// what it works on, not requesting a start, running nothing and closing
// without a start.
void tst_quellon::messages() {
    QFETCH(QString, setup);
    QFETCH(QString, actions);
    QFETCH(QString, message);
    QFETCH(bool, fixed);
    QFETCH(bool, started);
    LauncherUnderTest launcher;
    launcher.startProblem = "i can't start it";
    writeFile(launcher.dir.path() + "coded.bin", QByteArray("\0\1\2\3\n", 5));
    const QString target = launcher.dir.path() + setup.section('=', 0, 0);
    if (setup.endsWith('/')) {
        QFile::remove(target.chopped(1));
        QVERIFY(QDir().mkdir(target));
    } else if (!setup.isEmpty()) {
        writeFile(target, setup.section('=', 1).replace("%L", launcher.dir.path()).toLocal8Bit());
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
    if (message.endsWith("...")) {
        QVERIFY2(shown.startsWith(message.chopped(3)), qPrintable(shown));
    } else {
        QCOMPARE(shown, message);
    }
    QVERIFY(launcher.fm->isVisible());
    QCOMPARE(launcher.boxText("BxPacks"), launcher.fm->session().currentPackage());
    QCOMPARE(launcher.boxText("BxFuncs"), launcher.fm->session().currentFunction());
    QCOMPARE(launcher.fixState(), fixed ? kFixed : kNotFixed);
    QCOMPARE(QFileInfo(launcher.dir.path() + "_ParamsOfFunc.txt").isFile(), fixed);
    QCOMPARE(launcher.goTag(), 0);
    QVERIFY(launcher.fm->runs().runs().empty());
    QVERIFY(launcher.close());
    QCOMPARE(launcher.started.size(), started ? 1 : 0);
    QCOMPARE(launcher.messages.size(), 1);
}

// `answer`: how the window is left (take, cancel, escape or close: the
// title bar's button) after typing a text in the value box, selecting a file
// in the file dialog, or in the directory chooser clicking an item (twice
// with a leading '+') or choosing a volume ('/'). `seen`: what the window
// showed when it opened (the chooser: its panel, then the directory it lists
// at the end and its place). %R, %G and %C stand for the results, genome and
// current directories, %X for the grid's first three columns and 10 more.
void tst_quellon::rowClicksOpenTheirEditor_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("seen");
    QTest::newRow("int: take") << 4 << "take 24" << "24" << "immutSz|20";
    QTest::newRow("str: cancel") << 3 << "cancel x" << "blank" << "experimentId|blank";
    QTest::newRow("dir: take at once") << 6 << "take" << "%C" << "%C %C +%X+20";
    QTest::newRow("dir: a click chooses") << 0 << "take run1" << "%R/run1" << "%R %R +%X+20";
    QTest::newRow("dir: double click opens")
        << 0 << "take +run1" << "%R/run1" << "%R %R/run1 +%X+20";
    QTest::newRow("dir: cancel") << 0 << "cancel run1" << "%R" << "%R %R +%X+20";
    QTest::newRow("dir: escape") << 0 << "escape run1" << "%R" << "%R %R +%X+20";
    QTest::newRow("dir: title bar's close") << 0 << "close run1" << "%R" << "%R %R +%X+20";
    QTest::newRow("dir: a volume lists its root") << 0 << "cancel /" << "%R" << "%R / +%X+20";
    QTest::newRow("dir: ? lists where it stands") << 6 << "cancel" << "?" << "%C %C +%X+20";
    QTest::newRow("file: take") << 1 << "take %G/phage.txt" << "%G/phage.txt" << "%C all files (*)";
    QTest::newRow("table: cancel") << 2 << "cancel" << "%G/old.db" << "%G tables (*.db)";
    QTest::newRow("other type") << 5 << "" << "v" << "";
}

// A taken new value unfixes the parameters. Closing the main window without
// " go " starts nothing.
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
    const QString rows = "results\ndir\ndiRes\n%1\ngenome\nfile\npthGnm\n?\nnotes\ntable\nt\n"
                         "%2/old.db\nexperiment\nstr\nexperimentId\nblank\nstart\nint\nimmutSz\n20\n"
                         "odd\nDir\nx\nv\nother\ndir\nd\n?\n";
    launcher.dir.writeParam("RandExt.txt", rows.arg(results, genomes).toLocal8Bit());
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    launcher.click("BtnFixParams");
    const QHeaderView* header = launcher.grid()->horizontalHeader();
    const int chooserLeft =
        header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2) + 10;
    for (QString* text : {&answer, &value, &seen}) {
        text->replace("%R", results).replace("%G", genomes).replace("%C", QDir::currentPath());
        text->replace("%X", QString::number(chooserLeft));
    }
    const QString before = launcher.cell(row);

    const QString how = answer.section(' ', 0, 0);
    const bool take = how == "take";
    const QString text = answer.section(' ', 1);
    QString shown;
    QObject context;
    answerValueBox(&context, text, take, shown);
    whenModal<QDialog>(&context, [&](QDialog* dialog) {
        if (auto* chooser = qobject_cast<TFmDir*>(dialog)) {
            const QString panel = chooser->findChild<QLabel*>("PnlDir")->text();
            auto* list = chooser->findChild<QListWidget*>();
            auto* volumes = chooser->findChild<QComboBox*>();
            if (text.startsWith('/')) {
                volumes->setCurrentIndex(volumes->findText(text));
                emit volumes->activated(volumes->currentIndex());
            }
            const bool twice = text.startsWith('+');
            const QString label = twice ? text.mid(1) : text;
            for (QListWidgetItem* item : list->findItems(label, Qt::MatchEndsWith)) {
                if (label.isEmpty()) break;
                const QPoint at = list->visualItemRect(item).center();
                QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
                if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            }
            const QPoint at = chooser->pos() - launcher.fm->pos();
            shown = QString("%1 %2 +%3+%4")
                        .arg(panel, chooser->listedDirectory())
                        .arg(at.x())
                        .arg(at.y());
            if (how == "escape") {
                QTest::keyClick(chooser, Qt::Key_Escape);
            } else if (how == "close") {
                chooser->close();
            } else {
                QTest::mouseClick(chooser->findChild<QToolButton*>(take ? "BtnTake" : "BtnCancel"),
                                  Qt::LeftButton);
            }
        } else if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            shown = files->directory().absolutePath() + ' ' + files->nameFilters().join(',') +
                    (files->testOption(QFileDialog::DontUseNativeDialog) ? "" : " native");
            files->selectFile(text);
            // QFileDialog::accept, as its Open button calls it
            take ? static_cast<QDialog*>(files)->accept() : files->reject();
        } else if (!qobject_cast<TFmDigit*>(dialog)) {
            shown = "another window";
            dialog->reject();
        }
    });
    launcher.clickRow(row);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(launcher.cell(row), value);
    QCOMPARE(shown, seen);
    QCOMPARE(launcher.fixState(), value == before ? kFixed : kNotFixed);
    // A changed value is not fixed: closing asks first.
    launcher.questionAnswer = "discard";
    QVERIFY(launcher.close());
    QVERIFY(launcher.started.isEmpty());
    QCOMPARE(launcher.messages, value == before ? QStringList()
                                                : QStringList{"? the changed values are not fixed:\ndiscard them?"});
}

void tst_quellon::keysOpenRowEditorsAndTabLeavesTheGrid_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Space") << int(Qt::Key_Space);
    QTest::newRow("F2") << int(Qt::Key_F2);
}

void tst_quellon::keysOpenRowEditorsAndTabLeavesTheGrid() {
    QFETCH(int, key);
    LauncherUnderTest launcher;
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    QVERIFY(activate(launcher.fm.get()));
    launcher.grid()->setFocus();
    launcher.grid()->setCurrentCell(4, 0);
    QString shown;
    QObject context;
    answerValueBox(&context, "24", true, shown);
    QTest::keyClick(launcher.grid(), Qt::Key(key));
    QCOMPARE(shown, QString("immutSz|20"));
    QCOMPARE(launcher.cell(4), QString("24"));
    QTRY_COMPARE(QApplication::focusWidget(), launcher.grid());
    QTest::keyClick(launcher.grid(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), launcher.button("BtnFixParams"));
}

// The buttons of the main row and the task list each answer their shortcut
// once; the messages they show are answered.
void tst_quellon::everyButtonHasATooltipAndItsShortcutPressesIt() {
    LauncherUnderTest launcher;
    QVERIFY(launcher.open());
    int named = 0;
    for (const QAbstractButton* b : launcher.fm->findChildren<QAbstractButton*>()) {
        if (b->objectName().isEmpty()) continue;  // parts of Qt's own widgets
        ++named;
        const QString keys = b->shortcut().toString(QKeySequence::NativeText);
        QVERIFY2(!b->toolTip().isEmpty() && b->toolTip().contains(keys),
                 qPrintable(b->objectName()));
    }
    QCOMPARE(named, 19);
    for (const char* name : {"BtnTaLiSample", "BtnAboutPackage", "BtnAboutFunc", "BtnShowParams",
                             "BtnFixParams", "BtnGo", "BtnRunHere", "BtnTaLiFile"}) {
        QToolButton* button = launcher.button(name);
        QVERIFY2(!button->shortcut().isEmpty(), name);
        QSignalSpy pressed(button, &QToolButton::clicked);
        QVERIFY(activate(launcher.fm.get()));
        QVERIFY2(launcher.keysUntil(launcher.fm.get(), button->shortcut(),
                                    [&pressed] { return pressed.count() == 1; }),
                 name);
    }
    QCOMPARE(launcher.opened.size(), 1);  // the sample
    QCOMPARE(launcher.messages.size(), 3);  // go and run here: the values; my file: the function
    QCOMPARE(launcher.fixState(), kFixed);
    QVERIFY(launcher.fm->isVisible());
}

// After an edit of immutSz: `actions`, with `answer` to a question.
void tst_quellon::unfixedEditsGoOnlyWhenTheUserSaysSo_data() {
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("value");
    QTest::newRow("the same function again")
        << "BxFuncs=RandExt" << "" << false << "RandExt" << "24";
    QTest::newRow("show Params, kept") << "BtnShowParams" << "keep" << true << "RandExt" << "24";
    QTest::newRow("show Params, discarded")
        << "BtnShowParams" << "discard" << true << "RandExt" << "20";
    QTest::newRow("another function, kept")
        << "BxFuncs=RandExtTaskList" << "keep" << true << "RandExt" << "24";
    QTest::newRow("another function, discarded")
        << "BxFuncs=RandExtTaskList" << "discard" << true << "RandExtTaskList" << "";
    QTest::newRow("fixed first") << "BtnFixParams BtnShowParams" << "" << false << "RandExt"
                                 << "24";
}

void tst_quellon::unfixedEditsGoOnlyWhenTheUserSaysSo() {
    QFETCH(QString, actions);
    QFETCH(QString, answer);
    QFETCH(bool, asked);
    QFETCH(QString, function);
    QFETCH(QString, value);
    LauncherUnderTest launcher;
    launcher.questionAnswer = answer;
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    QString shown;
    QObject context;
    answerValueBox(&context, "24", true, shown);
    launcher.clickRow(4);
    for (const QString& action : actions.split(' ')) {
        if (action.contains('=')) {
            launcher.choose(action.section('=', 0, 0), action.section('=', 1));
        } else {
            launcher.click(action);
        }
    }
    const QStringList question{"? the changed values are not fixed:\ndiscard them?"};
    QCOMPARE(launcher.messages, asked ? question : QStringList());
    QCOMPARE(launcher.boxText("BxFuncs"), function);
    QCOMPARE(launcher.fm->session().currentFunction(), function);
    QCOMPARE(launcher.cell(4), value);
}

// The value column takes what the window gives, the type column shows its
// title, an emptied grid has no highlight, the task list buttons lie inside
// their frame, and a cut text shows whole as a tooltip.
void tst_quellon::gridStretchesAndShowsCutTextsWhole() {
    LauncherUnderTest launcher;
    const QString path = "/home/lab/" + QString(20, 'p') + "/reads_of_the_second_sample/trimmed_"
                         "and_filtered/reads_of_the_second_sample_after_trimming.txt";
    launcher.dir.writeParam("RandExt.txt", ("reads\nfile\npthReads\n" + path + "\nsize\nint\n"
                                            "immutSz\n20\n").toLocal8Bit());
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    QTableWidget* grid = launcher.grid();
    QCOMPARE(grid->item(0, 3)->toolTip(), path);
    QCOMPARE(grid->item(1, 3)->toolTip(), QString());
    QVERIFY(grid->columnWidth(1) >= grid->horizontalHeader()->sectionSizeHint(1));

    const int height = grid->viewport()->height();
    launcher.fm->resize(1400, 700);
    QCoreApplication::processEvents();
    QCOMPARE(grid->columnViewportPosition(3) + grid->columnWidth(3), grid->viewport()->width());
    QVERIFY(grid->viewport()->height() > height);

    grid->selectRow(1);
    launcher.choose("BxFuncs", "RandExtTaskList");
    QVERIFY(grid->selectedItems().isEmpty());
    QCOMPARE(grid->currentRow(), -1);

    const auto* box = launcher.fm->findChild<QGroupBox*>("GroupBox1");
    QVERIFY(launcher.fm->findChild<QFrame*>("PnlTop")->contentsRect().contains(box->geometry()));
    for (const char* name : {"BtnTaLiSample", "BtnTaLiFile"}) {
        QVERIFY2(box->contentsRect().contains(launcher.button(name)->geometry()), name);
    }
    QVERIFY(launcher.messages.isEmpty());
}

// A stand-in engine answers "--help" as the engine does: RandExt provided,
// RandExtTaskList marked not available, the other functions not listed.
void tst_quellon::functionsTheEngineLacksAreMarked() {
#ifdef Q_OS_WIN
    QSKIP("the stand-in engine is a shell script");
#endif
    LauncherUnderTest launcher;
    const QString engine = launcher.dir.path() + "Ruzovizu";
    writeFile(engine, "#!/bin/sh\n[ \"$1\" = --help ] || exit 2\necho 'usage: Ruzovizu'\n"
                      "echo\necho 'functions:'\n"
                      "echo '  RandExt           replaced ends'\n"
                      "echo '  RandExtTaskList   a task list (not available in this version)'\n");
    QFile::setPermissions(engine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(launcher.open());
    const auto* functions = launcher.fm->findChild<QComboBox*>("BxFuncs");
    QVERIFY(functions->count() > 2);  // the catalogue's other functions: not listed
    for (int i = 0; i < functions->count(); ++i) {
        const QString name = functions->itemText(i);
        const bool provided = name == "RandExt";
        QCOMPARE(functions->itemIcon(i).isNull(), provided);
        QCOMPARE(functions->itemData(i, Qt::ToolTipRole).toString(),
                 provided ? QString() : name + ": not available in this version of the engine");
    }
    launcher.choose("BxFuncs", "RandExtTaskList");
    for (const char* name : {"BtnShowParams", "BtnFixParams", "BtnGo"}) launcher.click(name);
    QCOMPARE(launcher.messages.size(), 1);
    QVERIFY2(launcher.messages.first().startsWith(
                 "incorrect input data\nRandExtTaskList: not available in this version of the "
                 "engine\nrow 1 (pthGnm): no file chosen\n"),
             qPrintable(launcher.messages.first()));
}

// A second launcher opens where the first was closed, and its dialogs start
// in the folder chosen last in the first; the settings are the test's own.
void tst_quellon::placeSizeAndLastFolderAreRemembered() {
    QVERIFY(QSettings().fileName().startsWith(settings_.path()));
    LauncherUnderTest first;
    const QDir top(first.dir.path());
    QVERIFY(top.mkpath("results/run1"));
    const QString results = QDir(top.filePath("results")).canonicalPath();
    first.dir.writeParam("RandExt.txt", ("results\ndir\ndiRes\n" + results + "\n").toLocal8Bit());
    QVERIFY(first.open());
    first.click("BtnShowParams");
    const QRect place(120, 100, 1100, 520);
    first.fm->setGeometry(place);
    QObject context;
    whenModal<TFmDir>(&context, [](TFmDir* chooser) {
        auto* list = chooser->findChild<QListWidget*>();
        // as the arrow keys do
        list->setCurrentItem(list->findItems("run1", Qt::MatchEndsWith).value(0));
        QVERIFY(chooser->grab().toImage().save(QStringLiteral(QUELLON_SCREENSHOT_DIR) + "/quellon-dir.png"));
        QTest::mouseClick(chooser->findChild<QToolButton*>("BtnTake"), Qt::LeftButton);
    });
    first.clickRow(0);
    QCOMPARE(first.cell(0), results + "/run1");
    first.questionAnswer = "discard";
    QVERIFY(first.close());
    QCOMPARE(first.messages, QStringList{"? the changed values are not fixed:\ndiscard them?"});
    first.messages.clear();

    LauncherUnderTest second;
    QVERIFY(second.open());
    QCOMPARE(second.fm->geometry(), place);
    second.click("BtnShowParams");
    QString start;
    whenModal<QFileDialog>(&context, [&start](QFileDialog* files) {
        start = files->directory().absolutePath();
        files->reject();
    });
    second.clickRow(0);  // pthGnm, not chosen yet
    QCOMPARE(start, results + "/run1");
    QVERIFY(first.messages.isEmpty() && second.messages.isEmpty());
}

void tst_quellon::closingAsksForUnfixedEdits_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<bool>("closed");
    QTest::newRow("kept") << "keep" << true << false;
    QTest::newRow("discarded") << "discard" << true << true;
    QTest::newRow("nothing edited") << "" << false << true;
}

void tst_quellon::closingAsksForUnfixedEdits() {
    QFETCH(QString, answer);
    QFETCH(bool, edited);
    QFETCH(bool, closed);
    LauncherUnderTest launcher;
    launcher.questionAnswer = answer;
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    if (edited) {
        QString shown;
        QObject context;
        answerValueBox(&context, "24", true, shown);
        launcher.clickRow(4);
    }
    QCOMPARE(launcher.close(), closed);
    QCOMPARE(launcher.fm->isVisible(), !closed);
    QCOMPARE(launcher.messages,
             edited ? QStringList{"? the changed values are not fixed:\ndiscard them?"} : QStringList());
    QCOMPARE(launcher.cell(4), QString(edited ? "24" : "20"));
}

// The template as fixed last time: the call file names it with this
// function. Another function's call file, or a grid that would write the
// file otherwise, is not fixed.
void tst_quellon::aTemplateItsCallFileNamesShowsFixed() {
    LauncherUnderTest launcher;
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    QCOMPARE(launcher.fixState(), kNotFixed);
    launcher.click("BtnFixParams");
    launcher.choose("BxFuncs", "RandExtTaskList");
    QCOMPARE(launcher.fixState(), kNotFixed);
    launcher.choose("BxFuncs", "RandExt");
    launcher.click("BtnShowParams");
    QCOMPARE(launcher.fixState(), kFixed);
    launcher.choose("BxFuncs", "RandExtTaskList");
    launcher.click("BtnShowParams");
    QCOMPARE(launcher.fixState(), kNotFixed);  // the call file names RandExt
    QVERIFY(launcher.messages.isEmpty());
}

// At its least size the window shows every button and box whole; a place
// saved on a larger screen comes back inside this one.
void tst_quellon::everyControlStaysInReachOfTheScreen() {
    {
        LauncherUnderTest first;
        QVERIFY(first.open());
        first.fm->resize(200, 150);
        QCOMPARE(first.fm->size(), first.fm->minimumSize());
        for (const char* name : {"BxPacks", "BtnAboutPackage", "BtnAboutFunc", "BxFuncs", "BtnShowParams",
                                 "BtnFixParams", "LblFixState", "BtnGo", "BtnRunHere"}) {
            const QWidget* control = first.fm->findChild<QWidget*>(name);
            QVERIFY2(control, name);
            const QRect onWindow(control->mapTo(first.fm.get(), QPoint(0, 0)), control->size());
            QVERIFY2(first.fm->rect().contains(onWindow), name);
        }
        first.fm->setGeometry(40, 30, 1250, 1900);  // taller than the 1024-pixel screen
        QVERIFY(first.close());
    }
    LauncherUnderTest second;
    QVERIFY(second.open());
    const QRect available = second.fm->screen()->availableGeometry();
    QVERIFY(available.contains(second.fm->frameGeometry()));
    QVERIFY(second.messages.isEmpty());
}

// The lengths of the grid's reads file, counted by hand: 3 reads of 46
// bases, 1 of 44, 1 of 45 (CR LF), none of other lengths.
void tst_quellon::readLengthsArePlottedAndSaved() {
    LauncherUnderTest launcher;
    const QString reads = launcher.dir.path() + "reads.txt";
    const QByteArray r46(46, 'A');
    writeFile(reads, r46 + "\n" + QByteArray(44, 'C') + "\n" + r46 + "\n" + QByteArray(45, 'G') + "\r\n" + r46 + "\n");
    QByteArray randExt = launcher.dir.readParam("RandExt.txt");
    launcher.dir.writeParam("RandExt.txt", randExt.replace("pthReads\n?", ("pthReads\n" + reads).toLocal8Bit()));
    QVERIFY(launcher.open());
    launcher.click("BtnShowParams");
    launcher.click("BtnReadLengths");
    const TFmPlot* plot = launcher.fm->plotWindow();
    QVERIFY(plot && plot->isVisible());
    QCOMPARE(plot->chart()->title(), QString("read lengths of reads.txt: 5 reads, most 46 bases long"));
    const auto* bars = qobject_cast<const QBarSeries*>(plot->chart()->series().value(0));
    QVERIFY(bars);
    const QBarSet* set = bars->barSets().value(0);
    QCOMPARE((QList<double>{set->at(0), set->at(1), set->at(2)}), (QList<double>{1, 1, 3}));
    QTemporaryDir out;
    QVERIFY(plot->savePng(out.filePath("lengths.png")));
    QVERIFY(plot->saveSvg(out.filePath("lengths.svg")));
    QVERIFY(QFileInfo(out.filePath("lengths.png")).size() > 1000);
    QFile svg(out.filePath("lengths.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("<svg"));
    QVERIFY(const_cast<TFmPlot*>(plot)->grab().toImage().save(QStringLiteral(QUELLON_SCREENSHOT_DIR) + "/quellon-plot.png"));
    const_cast<TFmPlot*>(plot)->close();
    QVERIFY(launcher.close());
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
    QCOMPARE(launcher.fixState(), kFixed);
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
