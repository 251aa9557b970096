#include "run_panel.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "design.h"
#include "model/run_findings.h"
#include "model/run_queue.h"
#include "result_view.h"
#include "shell.h"

namespace quellon {

namespace {

constexpr int kTickMs = 500;  // the running time shown goes on in half seconds
constexpr int kRunsWidth = 250;
constexpr int kResultsWidth = 230;
constexpr int kHeight = 300;

QToolButton* panelButton(QWidget* parent, const char* name, const char* caption,
                         const char* tooltip, QKeySequence shortcut) {
    auto* button =
        design::speedButton(parent, QLatin1String(name), QLatin1String(caption), QRect());
    button->setShortcut(shortcut);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(QLatin1String(tooltip),
                                                     shortcut.toString(QKeySequence::NativeText)));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

}  // namespace

RunPanel::RunPanel(RunQueue& queue, Shell& shell, QWidget* parent)
    : QFrame(parent), queue_(queue), shell_(shell) {
    setObjectName(QStringLiteral("PnlRun"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);

    TitPnlRun = design::captionPanel(this, QStringLiteral("TitPnlRun"),
                                     QStringLiteral("runs of the engine"), design::clMoneyGreen());
    TitPnlRun->setFixedHeight(25);
    TitPnlRun->setAlignment(Qt::AlignCenter);

    BxRuns = new QListWidget(this);
    BxRuns->setObjectName(QStringLiteral("BxRuns"));
    BxRuns->setFixedWidth(kRunsWidth);
    BxRuns->setToolTip(QStringLiteral("the runs of this session; choose one to see it"));

    PnlProgress = new QLabel(this);
    PnlProgress->setObjectName(QStringLiteral("PnlProgress"));
    PnlProgress->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PnlProgress->setTextInteractionFlags(Qt::TextSelectableByMouse);

    BxConsole = new QPlainTextEdit(this);
    BxConsole->setObjectName(QStringLiteral("BxConsole"));
    BxConsole->setReadOnly(true);
    BxConsole->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    BxConsole->setToolTip(QStringLiteral("what the engine printed"));

    PnlFindings = new QLabel(this);
    PnlFindings->setObjectName(QStringLiteral("PnlFindings"));
    PnlFindings->setWordWrap(true);
    PnlFindings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    PnlFindings->hide();

    auto* console = new QVBoxLayout;
    console->setSpacing(2);
    console->addWidget(PnlProgress);
    console->addWidget(PnlFindings);
    console->addWidget(BxConsole);

    buildResultColumn();
    auto* results = new QVBoxLayout;
    results->setSpacing(2);
    results->addWidget(TitResults);
    results->addWidget(BxResults);
    results->addWidget(BtnOpenResDir);
    results->addWidget(BtnOpenResTable);
    results->addWidget(BtnStopRun);
    results->addWidget(BtnRecentRuns);

    auto* columns = new QHBoxLayout;
    columns->setContentsMargins(2, 2, 2, 2);
    columns->addWidget(BxRuns);
    columns->addLayout(console, 1);
    columns->addLayout(results);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TitPnlRun);
    layout->addLayout(columns, 1);

    tick_.setInterval(kTickMs);
    connect(&tick_, &QTimer::timeout, this, &RunPanel::tick);
    connect(&queue_, &RunQueue::changed, this, &RunPanel::runChanged);
    connect(&queue_, &RunQueue::output, this, &RunPanel::runOutput);
    connect(BxRuns, &QListWidget::currentRowChanged, this, &RunPanel::showSelected);
    showSelected();
}

void RunPanel::buildResultColumn() {
    TitResults = new QLabel(QStringLiteral("result files"), this);
    TitResults->setObjectName(QStringLiteral("TitResults"));
    BxResults = new QListWidget(this);
    BxResults->setObjectName(QStringLiteral("BxResults"));
    BxResults->setFixedWidth(kResultsWidth);
    BxResults->setMinimumHeight(40);
    BxResults->setToolTip(
        QStringLiteral("the files the run wrote into its result directory; Enter or a double "
                       "click opens one"));
    connect(BxResults, &QListWidget::itemActivated, this, &RunPanel::BxResultsOpen);

    BtnOpenResDir = panelButton(this, "BtnOpenResDir", "open result folder",
                                "show the result directory in the file manager",
                                QKeySequence(Qt::ALT | Qt::Key_O));
    BtnOpenResTable = panelButton(this, "BtnOpenResTable", "open result table",
                                  "show the run's result table here, sortable and filterable",
                                  QKeySequence(Qt::ALT | Qt::Key_B));
    BtnStopRun = panelButton(this, "BtnStopRun", "stop",
                             "stop the chosen run: the engine ends and removes its temporary "
                             "files; a queued run is dropped",
                             QKeySequence(Qt::ALT | Qt::Key_T));
    connect(BtnOpenResDir, &QToolButton::clicked, this, &RunPanel::BtnOpenResDirClick);
    connect(BtnOpenResTable, &QToolButton::clicked, this, &RunPanel::BtnOpenResTableClick);
    connect(BtnStopRun, &QToolButton::clicked, this, &RunPanel::BtnStopRunClick);
    BtnRecentRuns = panelButton(this, "BtnRecentRuns", "recent runs",
                                "open a recent run again: its parameters into the grid, its result table here",
                                QKeySequence(Qt::ALT | Qt::Key_E));
    BtnRecentRuns->setPopupMode(QToolButton::InstantPopup);
    BtnRecentRuns->setMenu(new QMenu(BtnRecentRuns));
    showRecentRuns(RecentRuns::load());
}

void RunPanel::showRecentRuns(const QList<RecentRun>& runs) {
    recent_ = runs;
    QMenu* menu = BtnRecentRuns->menu();
    menu->clear();
    for (const RecentRun& run : recent_) {
        const RecentRun chosen = run;
        menu->addAction(RecentRuns::label(run), this, [this, chosen] { emit reopen(chosen); });
    }
    BtnRecentRuns->setEnabled(!recent_.isEmpty());
}

void RunPanel::showResultTable(const QString& directory, const QString& table, const QStringList& runFiles) {
    const QStringList files = runFiles.isEmpty() ? QDir(directory).entryList(QDir::Files, QDir::Name) : runFiles;
    if (!FmResult) {
        FmResult = new TFmResult(shell_, this);
        connect(FmResult, &TFmResult::problem, this, &RunPanel::report);
    }
    QString failure;
    if (!FmResult->showTable(directory, table, files, runFindings(directory, files, table), failure)) {
        report(failure);
        return;
    }
    FmResult->show();
    FmResult->raise();
}

QSize RunPanel::sizeHint() const { return QSize(QFrame::sizeHint().width(), kHeight); }

void RunPanel::select(int id) { BxRuns->setCurrentRow(id - 1); }

int RunPanel::selectedRun() const { return BxRuns->currentRow() + 1; }

void RunPanel::runChanged(int id) {
    while (BxRuns->count() < id) BxRuns->addItem(QString());
    const RunRecord& run = queue_.run(id);
    QListWidgetItem* item = BxRuns->item(id - 1);
    item->setText(runSummary(run, queue_.elapsedMs(id)));
    // A run that failed or did not start stands out from those that ended well.
    const bool failed = (run.state == RunState::Ended && run.exitCode != 0) || run.state == RunState::Crashed ||
                        run.state == RunState::NotStarted;
    item->setForeground(failed ? design::clRed() : palette().color(QPalette::Text));
    if (queue_.busy()) {
        tick_.start();
    } else {
        tick_.stop();
    }
    if (id == selectedRun()) showSelected();
}

void RunPanel::runOutput(int id, const QString& text) {
    if (id != selectedRun()) return;
    QScrollBar* bar = BxConsole->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    BxConsole->moveCursor(QTextCursor::End);
    BxConsole->insertPlainText(text);
    if (atEnd) bar->setValue(bar->maximum());
    showProgress();
}

void RunPanel::showSelected() {
    const int id = selectedRun();
    if (id <= 0) {
        PnlProgress->setText(QStringLiteral("no run yet: \"run here\" starts one"));
        BxConsole->clear();
        BxResults->clear();
        for (QToolButton* button : {BtnOpenResDir, BtnOpenResTable, BtnStopRun}) {
            button->setEnabled(false);
        }
        return;
    }
    const RunRecord& run = queue_.run(id);
    BxConsole->setPlainText(run.console);
    BxConsole->verticalScrollBar()->setValue(BxConsole->verticalScrollBar()->maximum());
    showProgress();
    showResults(run);
    BtnStopRun->setEnabled(run.waiting() || run.running());
}

void RunPanel::showProgress() {
    const int id = selectedRun();
    if (id > 0) PnlProgress->setText(progressLine(queue_.run(id), queue_.elapsedMs(id)));
}

void RunPanel::showResults(const RunRecord& run) {
    BxResults->clear();
    BxResults->addItems(run.resultFiles);
    const bool ended = !run.waiting() && !run.running();
    if (ended && run.resultFiles.isEmpty()) {
        BxResults->addItem(run.request.resultDirectory.isEmpty()
                               ? QStringLiteral("(no result directory)")
                               : QStringLiteral("(no file written)"));
        BxResults->item(0)->setFlags(Qt::NoItemFlags);
    }
    // The result table stands out in bold.
    for (QListWidgetItem* item : BxResults->findItems(run.resultTable, Qt::MatchExactly)) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
    }
    BtnOpenResDir->setEnabled(ended && QFileInfo(run.request.resultDirectory).isDir());
    BtnOpenResTable->setEnabled(ended && !run.resultTable.isEmpty());
    // What the run found, in words: the counts of its logs, and warnings.
    if (!ended || run.resultFiles.isEmpty()) {
        PnlFindings->hide();
        return;
    }
    const RunFindings findings = runFindings(run.request.resultDirectory, run.resultFiles, run.resultTable);
    QStringList lines;
    for (const QString& warning : findings.warnings) lines.append(QStringLiteral("\u26a0 ") + warning);
    if (!findings.counts.isEmpty()) lines.append(findings.counts.join(QStringLiteral(";  ")));
    PnlFindings->setText(lines.join(u'\n'));
    design::setFontColour(PnlFindings, findings.warnings.isEmpty() ? design::clBlack() : design::clRed());
    PnlFindings->setVisible(!lines.isEmpty());
}

void RunPanel::tick() {
    for (const RunRecord& run : queue_.runs()) {
        if (!run.running()) continue;
        BxRuns->item(run.id - 1)->setText(runSummary(run, queue_.elapsedMs(run.id)));
        if (run.id == selectedRun()) showProgress();
    }
}

QString RunPanel::resultPath(const QString& name) const {
    return QDir(queue_.run(selectedRun()).request.resultDirectory).filePath(name);
}

void RunPanel::BtnStopRunClick() {
    if (selectedRun() > 0) queue_.stop(selectedRun());
}

void RunPanel::report(const QString& failure) {
    if (!failure.isEmpty()) emit problem(failure);
}

void RunPanel::BtnOpenResDirClick() {
    report(shell_.openFolder(queue_.run(selectedRun()).request.resultDirectory));
}

void RunPanel::BtnOpenResTableClick() {
    const RunRecord& run = queue_.run(selectedRun());
    showResultTable(run.request.resultDirectory, run.resultTable, run.resultFiles);
}

void RunPanel::BxResultsOpen(QListWidgetItem* item) {
    if (item->flags() != Qt::NoItemFlags) openOrOffer(resultPath(item->text()));
}

// A file the desktop cannot open: its path to copy, or its folder to show.
void RunPanel::openOrOffer(const QString& path) {
    const QString failure = shell_.openDocument(path);
    if (failure.isEmpty()) return;
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(design::kProductTitle),
                    failure + QStringLiteral("\nthe desktop has no program for this kind of file, or it did "
                                             "not start"),
                    QMessageBox::NoButton, this);
    QPushButton* copy = box.addButton(QStringLiteral("copy path"), QMessageBox::ActionRole);
    QPushButton* folder = box.addButton(QStringLiteral("show in folder"), QMessageBox::ActionRole);
    QPushButton* close = box.addButton(QStringLiteral("close"), QMessageBox::RejectRole);
    box.setDefaultButton(close);
    box.setEscapeButton(close);
    box.exec();
    if (box.clickedButton() == copy) QApplication::clipboard()->setText(QDir::toNativeSeparators(path));
    if (box.clickedButton() == folder) report(shell_.openFolder(QFileInfo(path).absolutePath()));
}

}  // namespace quellon
