// "run here" and the run panel: runs of the real engine on the bundled
// example, how each ended and what it wrote; the queue, the stop and the
// close of the window with a stand-in engine that waits.
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QToolButton>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSortFilterProxyModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

#include "model/run_queue.h"
#include "support/quellon_test.h"
#include "support/window_test.h"
#include "ui/plot_window.h"
#include "ui/result_view.h"
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QScatterSeries>
#include "ui/run_panel.h"

using namespace quellon;
using namespace quellon::test_support;

namespace {

constexpr int kRunTimeoutMs = 60000;

QString examples() { return QStringLiteral(QUELLON_PROJECT_EXAMPLES); }

// RandExt's template with the example's genome and reads, the results into
// `results`, and a tip size of `tip`.
void writeRandExt(const LauncherUnderTest& launcher, const QString& results, const QString& tip) {
    QByteArray randExt = launcher.dir.readParam("RandExt.txt");
    randExt.replace("pthGnm\n?", ("pthGnm\n" + examples() + "/genome.txt").toLocal8Bit())
        .replace("pthReads\n?", ("pthReads\n" + examples() + "/reads.txt").toLocal8Bit())
        .replace("diRes\n?", ("diRes\n" + results).toLocal8Bit())
        .replace("experimentId\nblank", "experimentId\nexample.1")
        .replace("mutTipSz\n6", ("mutTipSz\n" + tip).toLocal8Bit());
    launcher.dir.writeParam("RandExt.txt", randExt);
}

QStringList texts(const QListWidget* list) {
    QStringList all;
    for (int i = 0; i < list->count(); ++i) all.append(list->item(i)->text());
    return all;
}

template <typename W>
W* part(const LauncherUnderTest& launcher, const char* name) {
    return launcher.fm->findChild<W*>(name);
}

}  // namespace

class tst_runpanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void runHereShowsHowTheRunEnded_data();
    void runHereShowsHowTheRunEnded();
    void runsWaitInTheQueueAndStop();
    void aRunWithoutItsOwnFolderWritesIntoTheResultDirectory();
    void aRecentRunReopensItsParametersAndItsResults();
    void theResultViewShowsEachReportAsItReads();

private:
    QTemporaryDir settings_;
};

void tst_runpanel::initTestCase() {
    QVERIFY(settings_.isValid());
    useThrowawaySettings(settings_.path());
}

// `tip`: the tip size in the parameters; `engine`: whether the engine lies
// beside the launcher. `results`: the result files listed, the result table
// (the one opened) first.
void tst_runpanel::runHereShowsHowTheRunEnded_data() {
    QTest::addColumn<QString>("tip");
    QTest::addColumn<bool>("engine");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("console");
    QTest::addColumn<QStringList>("results");
    QTest::newRow("the example runs to its end")
        << "6" << true << "#1 RandExt: exit status 0 after " << "procedure  RandExt\n"
        << QStringList{"example_1_20!6!2!.txt", "example_1_20!6!2!Log.txt"};
    QTest::newRow("the engine refuses a size")
        << "17" << true << "#1 RandExt: exit status 1 after "
        << "parameter mutTipSz = 17 is above 16" << QStringList{"(no file written)"};
    QTest::newRow("no engine") << "6" << false << "#1 RandExt: not started"
                               << "i can't start %Ruzovizu\nthere is no such program"
                               << QStringList{"(no file written)"};
}

// A file older than the run is not among its results. The run of the example
// gives the documentation its picture of the run panel.
void tst_runpanel::runHereShowsHowTheRunEnded() {
    QFETCH(QString, tip);
    QFETCH(bool, engine);
    QFETCH(QString, summary);
    QFETCH(QString, console);
    QFETCH(QStringList, results);
    LauncherUnderTest launcher;
    const QString launcherDir = launcher.dir.path();
    if (engine) QVERIFY(QFile::copy(QStringLiteral(RUZ_ENGINE_EXE), launcherDir + "Ruzovizu"));
    const QString resultDir = launcherDir + "results";
    QVERIFY(QDir().mkdir(resultDir));
    writeFile(resultDir + "/old.txt", "an earlier result\n");
    QFile old(resultDir + "/old.txt");
    QVERIFY(old.open(QIODevice::ReadWrite) &&
            old.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                            QFileDevice::FileModificationTime));
    old.close();
    writeRandExt(launcher, resultDir, tip);
    QVERIFY(launcher.open());
    for (const char* name : {"BtnShowParams", "BtnFixParams", "BtnRunHere"}) launcher.click(name);
    QVERIFY(part<RunPanel>(launcher, "PnlRun")->isVisible());
    const RunQueue& runs = launcher.fm->runs();
    QTRY_VERIFY_WITH_TIMEOUT(!runs.busy(), kRunTimeoutMs);

    const RunRecord& run = runs.run(1);
    const QString progress = part<QLabel>(launcher, "PnlProgress")->text();
    QVERIFY2(progress.startsWith(summary), qPrintable(progress));
    QCOMPARE(texts(part<QListWidget>(launcher, "BxRuns")), QStringList{progress});
    // A failure (exit status 1, not started) in red, a success as the text.
    const bool succeeded = run.state == RunState::Ended && run.exitCode == 0;
    QCOMPARE(part<QListWidget>(launcher, "BxRuns")->item(0)->foreground().color() == QColor(255, 0, 0), !succeeded);
    const QString shownConsole = part<QPlainTextEdit>(launcher, "BxConsole")->toPlainText();
    QCOMPARE(shownConsole, run.console);
    QVERIFY2(shownConsole.contains(console.replace("%", launcherDir)), qPrintable(shownConsole));
    QCOMPARE(shownConsole.endsWith("\ndone\n"), engine);
    QCOMPARE(texts(part<QListWidget>(launcher, "BxResults")), results);
    // The run went into a folder of its own, with the parameters it ran on
    // and its console text.
    const QString runFolder = run.request.resultDirectory;
    QVERIFY2(runFolder.startsWith(resultDir + "/RandExt_"), qPrintable(runFolder));
    QCOMPARE(run.request.parameterFile, runFolder + "/RandExt.txt");
    QVERIFY(launcher.dir.readParam("RandExt.txt").contains(("diRes\n" + resultDir + "\n").toLocal8Bit()));
    QFile used(run.request.parameterFile);
    QVERIFY(used.open(QIODevice::ReadOnly) && used.readAll().contains(("diRes\n" + runFolder + "\n").toLocal8Bit()));
    QFile consoleText(runFolder + "/console.txt");
    QVERIFY(consoleText.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(consoleText.readAll()), run.console);

    auto* table = part<QToolButton>(launcher, "BtnOpenResTable");
    QCOMPARE(table->isEnabled(), run.state == RunState::Ended && run.exitCode == 0);
    if (table->isEnabled()) {
        // The table shows inside the launcher, every row of its file.
        launcher.click("BtnOpenResTable");
        const TFmResult* view = part<RunPanel>(launcher, "PnlRun")->resultView();
        QVERIFY(view && view->isVisible());
        QFile report(runFolder + '/' + results.first());
        QVERIFY(report.open(QIODevice::ReadOnly));
        QCOMPARE(view->rows().rowCount(), report.readAll().count('\n'));  // lines after the header
        QVERIFY(const_cast<TFmResult*>(view)->grab().toImage().save(QStringLiteral(QUELLON_SCREENSHOT_DIR) +
                                                                      "/quellon-result.png"));
        // The entropy column: its spread, and along the genome one point a row.
        const_cast<TFmResult*>(view)->chooseColumn(2);
        QTest::mouseClick(view->findChild<QToolButton*>("BtnAlong"), Qt::LeftButton);
        QVERIFY(view->plotWindow() && view->plotWindow()->isVisible());
        const auto* points = qobject_cast<const QScatterSeries*>(view->plotWindow()->chart()->series().value(0));
        QVERIFY(points);
        QCOMPARE(points->count(), view->rows().rowCount());
        QCOMPARE(view->plotWindow()->chart()->title(), QString("entropy along the genome"));
        QTest::mouseClick(view->findChild<QToolButton*>("BtnHistogram"), Qt::LeftButton);
        const auto* bars = qobject_cast<const QBarSeries*>(view->plotWindow()->chart()->series().value(0));
        QVERIFY(bars);
        double counted = 0;
        for (int i = 0; i < bars->barSets().first()->count(); ++i) counted += bars->barSets().first()->at(i);
        QCOMPARE(counted, double(view->rows().rowCount()));
        const_cast<TFmPlot*>(view->plotWindow())->close();
        const_cast<TFmResult*>(view)->close();
        launcher.click("BtnOpenResDir");
        QCOMPARE(launcher.opened, QStringList{runFolder + '/'});
        const QImage shot = launcher.fm->grab().toImage();
        QVERIFY(shot.save(QStringLiteral(QUELLON_SCREENSHOT_DIR) + "/quellon-run.png"));
    }
    QVERIFY(launcher.close());
    QVERIFY(launcher.messages.isEmpty());
}

// "own folder" off: the results go into the result directory itself, as
// the parameter file names it, and no run folder is made.
void tst_runpanel::aRunWithoutItsOwnFolderWritesIntoTheResultDirectory() {
    LauncherUnderTest launcher;
    const QString launcherDir = launcher.dir.path();
    QVERIFY(QFile::copy(QStringLiteral(RUZ_ENGINE_EXE), launcherDir + "Ruzovizu"));
    const QString resultDir = launcherDir + "results";
    QVERIFY(QDir().mkdir(resultDir));
    writeRandExt(launcher, resultDir, "6");
    QVERIFY(launcher.open());
    part<QCheckBox>(launcher, "CbOwnFolder")->setChecked(false);
    for (const char* name : {"BtnShowParams", "BtnFixParams", "BtnRunHere"}) launcher.click(name);
    QTRY_VERIFY_WITH_TIMEOUT(!launcher.fm->runs().busy(), kRunTimeoutMs);
    QCOMPARE(launcher.fm->runs().run(1).request.resultDirectory, resultDir);
    QCOMPARE(QDir(resultDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(QDir(resultDir).entryList(QDir::Files), (QStringList{"example_1_20!6!2!.txt", "example_1_20!6!2!Log.txt"}));
    QVERIFY(launcher.close());
    QVERIFY(launcher.messages.isEmpty());
}

// The run of one session in the next one's recent runs: its parameters come
// back into the grid, not fixed, and its table into the result view.
void tst_runpanel::aRecentRunReopensItsParametersAndItsResults() {
    QSettings().clear();
    QString runFolder;
    {
        LauncherUnderTest first;
        QVERIFY(QFile::copy(QStringLiteral(RUZ_ENGINE_EXE), first.dir.path() + "Ruzovizu"));
        const QString resultDir = first.dir.path() + "results";
        QVERIFY(QDir().mkdir(resultDir));
        writeRandExt(first, resultDir, "6");
        QVERIFY(first.open());
        const QRect place(100, 80, 1000, 500);
        first.fm->setGeometry(place);
        for (const char* name : {"BtnShowParams", "BtnFixParams", "BtnRunHere"}) first.click(name);
        QTRY_VERIFY_WITH_TIMEOUT(!first.fm->runs().busy(), kRunTimeoutMs);
        runFolder = first.fm->runs().run(1).request.resultDirectory;
        QVERIFY(first.close());
        // The second session's Params folder is another one: the run is
        // opened from its own folder.
        LauncherUnderTest second;
        QVERIFY(second.open());
        QCOMPARE(second.fm->geometry(), place);  // as it was before the run panel grew it
        auto* recent = part<QToolButton>(second, "BtnRecentRuns");
        QVERIFY(recent->isEnabled());
        const QList<QAction*> actions = recent->menu()->actions();
        QCOMPARE(actions.size(), 1);
        QVERIFY2(actions.first()->text().startsWith("RandExt, "), qPrintable(actions.first()->text()));
        actions.first()->trigger();
        QCOMPARE(second.cell(2), runFolder);  // diRes, as the run used it
        QCOMPARE(second.fixState(), kNotFixed);
        const TFmResult* view = part<RunPanel>(second, "PnlRun")->resultView();
        QVERIFY(view && view->isVisible());
        QCOMPARE(view->rows().rowCount(), 19);
        const_cast<TFmResult*>(view)->close();
        second.questionAnswer = "discard";
        QVERIFY(second.close());
        QVERIFY(first.messages.isEmpty());
        QCOMPARE(second.messages, QStringList{"? the changed values are not fixed:\ndiscard them?"});
    }
}

// Reports of the circular, rating and mapping analyses and a log, written
// by hand: the segments with their reads along the genome, the rating's
// table after its head lines, the mapping log's lengths as the histogram
// they are, and a log of counts as its text.
void tst_runpanel::theResultViewShowsEachReportAsItReads() {
    LauncherUnderTest launcher;
    QVERIFY(launcher.open());
    QTemporaryDir results;
    const auto write = [&results](const char* name, const QByteArray& bytes) {
        writeFile(results.filePath(name), bytes);
    };
    write("c_RCircular.txt",
          "program= Ruzovizu::fIdentifyCircularRna\ngenome= g.txt\nreads= c.txt\n"
          "reads size scope by user=[20,100]\nReads::input=6\twirhin scope size=6\n"
          "defective=0\tin genome=1\tanalized=5\n"
          "circular on (+) strand=4; ncircular on (-) strand=1; circulars in total=5;\npossible cycled Rna\n"
          "+-9\ttgaTCAGcg\n+\t-9\ttgatcaGCG\n+1201\tttGCAa\n+\t1201\tttgcAA\n+\t1201\tttGCAa\n-4402\taaCCGt");
    write("_RatingLog.txt", "program= fMatchReadsT_VarSzParted1Rate\ndir of reads= d/\ngenome= g.bin\n\n"
                            "pos\trating\n1201\t2\n2503\t1");
    write("m_In[16-60]g_Log.txt", "program= fMapReadsOnToSeq\ngenome= g.bin\ninput reads= 9\ninto genome= 8\n"
                                  "readSz\tcases\n26\t3\n28\t5");
    write("r_Outg_Log.txt", "program= Ruzovizu::fReadsOutOfSeq\ninput reads= 346\nreads nout of genome= 148");
    auto* panel = part<RunPanel>(launcher, "PnlRun");
    const auto plotOf = [](const TFmResult* view, const char* button) {
        QTest::mouseClick(view->findChild<QToolButton*>(button), Qt::LeftButton);
        return view->plotWindow()->chart();
    };
    const auto barsOf = [](const QChart* chart) {
        QList<double> bars;
        const auto* series = qobject_cast<const QBarSeries*>(chart->series().value(0));
        for (int i = 0; series && i < series->barSets().first()->count(); ++i)
            bars.append(series->barSets().first()->at(i));
        return bars;
    };
    const auto pointsOf = [](const QChart* chart) {
        const auto* series = qobject_cast<const QScatterSeries*>(chart->series().value(0));
        return series ? series->points() : QList<QPointF>();
    };

    panel->showResultTable(results.path(), "c_RCircular.txt");
    const TFmResult* view = panel->resultView();
    QVERIFY(view && view->isVisible() && !view->text().isVisible());
    QCOMPARE(view->rows().rowCount(), 3);
    QCOMPARE(view->rows().headerData(1, Qt::Horizontal).toString(), QString("reads"));
    QCOMPARE(pointsOf(plotOf(view, "BtnAlong")), (QList<QPointF>{{-9, 2}, {1201, 3}, {4402, 1}}));
    QCOMPARE(view->plotWindow()->chart()->title(), QString("reads along the genome"));
    // Most reads first, as a click on the heading does; then one segment by its letters.
    view->findChild<QTableView*>("TbResult")->horizontalHeader()->setSortIndicator(1, Qt::DescendingOrder);
    QCOMPARE(view->rows().index(0, 0).data().toString(), QString("1201"));
    view->findChild<QLineEdit*>("EdFilter")->setText("AACCGT");  // the letters in either case
    QCOMPARE(view->rows().rowCount(), 1);
    QCOMPARE(view->findChild<QLabel*>("LblRows")->text(), QString("1 of 3 rows"));
    view->findChild<QLineEdit*>("EdFilter")->clear();
    QVERIFY(const_cast<TFmResult*>(view)->grab().toImage().save(QStringLiteral(QUELLON_SCREENSHOT_DIR) +
                                                                  "/quellon-segments.png"));

    panel->showResultTable(results.path(), "_RatingLog.txt");
    QCOMPARE(view->rows().rowCount(), 2);
    QCOMPARE(pointsOf(plotOf(view, "BtnAlong")), (QList<QPointF>{{1201, 2}, {2503, 1}}));
    QCOMPARE(view->plotWindow()->chart()->title(), QString("rating along the genome"));

    panel->showResultTable(results.path(), "m_In[16-60]g_Log.txt");
    QCOMPARE(barsOf(plotOf(view, "BtnHistogram")), (QList<double>{3, 0, 5}));
    QCOMPARE(view->plotWindow()->chart()->title(), QString("readSz: cases of each"));

    panel->showResultTable(results.path(), "r_Outg_Log.txt");
    QVERIFY(view->text().isVisible());
    QVERIFY(!view->findChild<QTableView*>("TbResult")->isVisible());
    QVERIFY(!view->findChild<QToolButton*>("BtnHistogram")->isVisible());
    QCOMPARE(view->text().toPlainText(),
             QString("program= Ruzovizu::fReadsOutOfSeq\ninput reads= 346\nreads nout of genome= 148"));

    const_cast<TFmPlot*>(view->plotWindow())->close();
    const_cast<TFmResult*>(view)->close();
    QVERIFY(launcher.close());
    QVERIFY(launcher.messages.isEmpty());
}

// The stand-in prints two lines and waits: its text shows while it runs.
// A second run waits in the queue and is dropped; the first is stopped.
// Closing the window while a run goes on asks first.
void tst_runpanel::runsWaitInTheQueueAndStop() {
#ifdef Q_OS_WIN
    QSKIP("the stand-in engine is a shell script");
#endif
    LauncherUnderTest launcher;
    const QString engine = launcher.dir.path() + "Ruzovizu";
    writeFile(engine, "#!/bin/sh\n[ \"$1\" = --help ] && exit 1\necho \"procedure  $2\"\n"
                      "echo executing...\nexec sleep 60\n");
    QFile::setPermissions(engine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    launcher.dir.writeParam("RandExt.txt", "size\nint\nimmutSz\n20\n");
    QVERIFY(launcher.open());
    for (const char* name : {"BtnShowParams", "BtnFixParams", "BtnRunHere"}) launcher.click(name);
    auto* progress = part<QLabel>(launcher, "PnlProgress");
    QTRY_VERIFY2(progress->text().endsWith(" \u2014 executing..."), qPrintable(progress->text()));
    QVERIFY(progress->text().startsWith("#1 RandExt: running, "));
    QCOMPARE(part<QPlainTextEdit>(launcher, "BxConsole")->toPlainText(),
             QString("procedure  RandExt\nexecuting...\n"));

    launcher.click("BtnRunHere");
    auto* list = part<QListWidget>(launcher, "BxRuns");
    QCOMPARE(list->item(1)->text(), QString("#2 RandExt: queued"));
    QCOMPARE(list->currentRow(), 1);
    launcher.click("BtnStopRun");
    QCOMPARE(list->item(1)->text(), QString("#2 RandExt: dropped from the queue"));
    list->setCurrentRow(0);
    launcher.click("BtnStopRun");
    QTRY_VERIFY_WITH_TIMEOUT(!launcher.fm->runs().busy(), kRunTimeoutMs);
    QVERIFY2(list->item(0)->text().startsWith("#1 RandExt: stopped after "),
             qPrintable(list->item(0)->text()));
    QCOMPARE(texts(part<QListWidget>(launcher, "BxResults")),
             QStringList{"(no result directory)"});

    launcher.click("BtnRunHere");
    QTRY_VERIFY(launcher.fm->runs().run(3).running());
    launcher.questionAnswer = "keep running";
    QVERIFY(!launcher.close());
    QVERIFY(launcher.fm->runs().run(3).running());
    launcher.questionAnswer = "stop and close";
    QVERIFY(launcher.close());
    QCOMPARE(launcher.fm->runs().run(3).state, RunState::Stopped);
    const QString question = "? the engine is still running here:\nstop its runs and close?";
    QCOMPARE(launcher.messages, (QStringList{question, question}));
}

QTEST_MAIN(tst_runpanel)
#include "tst_runpanel.moc"
