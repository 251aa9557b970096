// The main window's event handlers: each forwards to the Session and shows
// its state again.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include <utility>

#include "aboutfunc.h"
#include "aboutpackage.h"
#include "design.h"
#include "digital.h"
#include "dirstart.h"
#include "model/file_kind.h"
#include "model/launcher_error.h"
#include "model/plot_data.h"
#include "model/screen_fit.h"
#include "model/text_lines.h"
#include "quellon.h"
#include "plot_window.h"
#include "run_panel.h"

namespace quellon {

namespace {

const QString kOpenAbout = QStringLiteral("Open about");
// Space around a cell's text; a text wider than its column less this is cut.
constexpr int kCellPadding = 8;

bool opensEditor(const QKeyEvent* key) {
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier) return false;
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_F2: return true;
        default: return false;
    }
}

}  // namespace

void TFm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!session_.activated()) keepOnScreen();
    FormActivate();
}

void TFm::FormActivate() {
    if (session_.activated()) return;
    FmDigit->move(valueBoxPlace());
    session_.activate(BxPacks->currentText(), BxFuncs->currentText());
    if (!startProblem_.isEmpty()) {
        QTimer::singleShot(0, this, [this] { message(std::exchange(startProblem_, QString())); });
    }
}

// At the main window's right edge, 100 pixels below the grid's top.
QPoint TFm::valueBoxPlace() const {
    const int dataTop = PnlData->mapTo(this, QPoint(0, 0)).y();
    return QPoint(x() + width() - FmDigit->width() - 20, y() + dataTop + 100);
}

bool TFm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TbData && event->type() == QEvent::KeyPress &&
        opensEditor(static_cast<QKeyEvent*>(event))) {
        TbDataClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFm::closeEvent(QCloseEvent* event) { FormClose(event); }

// A requested start happens as the window closes. When it fails the window
// stays open, no longer requesting it, so the user can read the message and
// still close the window. Runs of the engine in the window end with it, so
// the user is asked first.
void TFm::FormClose(QCloseEvent* event) {
    // Edits that were not fixed go only when the user says so (a requested
    // start has fixed them).
    if (!session_.startRequested() && !keepEditsOrDiscard()) {
        event->ignore();
        return;
    }
    if (runQueue_.busy() && !stopRunsToClose()) {
        session_.cancelStart();
        showFixState();
        event->ignore();
        return;
    }
    try {
        if (session_.startRequested()) {
            const QString problem = shell_->startModule(session_.moduleExecutable());
            if (!problem.isEmpty()) throw LauncherError(problem);
        }
    } catch (const LauncherError& failure) {
        session_.cancelStart();
        showFixState();
        event->ignore();
        message(failure.message());
        return;
    }
    runQueue_.stopAll();
    rememberWindow();
    event->accept();
}

bool TFm::stopRunsToClose() {
    return ask(QStringLiteral("the engine is still running here:\nstop its runs and close?"),
               QStringLiteral("stop and close"), QStringLiteral("keep running"));
}

// Edits that were not fixed go only when the user says so.
bool TFm::keepEditsOrDiscard() {
    if (!session_.hasUnsavedEdits()) return true;
    return ask(QStringLiteral("the changed values are not fixed:\ndiscard them?"),
               QStringLiteral("discard"), QStringLiteral("keep"));
}

// Choosing the package already shown changes nothing.
void TFm::BxPacksClick() {
    const QString package = BxPacks->currentText();
    if (package == session_.currentPackage() || !keepEditsOrDiscard()) {
        BxPacks->setCurrentText(session_.currentPackage());
        return;
    }
    try {
        const QStringList functions = session_.choosePackage(package);
        fillFunctions(functions);
        BxFuncs->setCurrentIndex(0);
    } catch (const LauncherError& problem) {
        BxPacks->setCurrentText(session_.currentPackage());
        message(problem.message());
        return;
    }
    clearGrid();
    showFixState();
    if (FmAboutPackage->isVisible()) hideAbout(FmAboutPackage, BtnAboutPackage);
}

// Choosing the function already shown keeps its grid, edits and all.
void TFm::BxFuncsClick() {
    const QString function = BxFuncs->currentText();
    if (function == session_.currentFunction() || !keepEditsOrDiscard()) {
        BxFuncs->setCurrentText(session_.currentFunction());
        return;
    }
    session_.chooseFunction(function);
    if (FmAboutFunc->isVisible()) hideAbout(FmAboutFunc, BtnAboutFunc);
    clearGrid();
    showFixState();
}

void TFm::hideAbout(AboutWindow* window, QToolButton* button) {
    window->hide();
    button->setText(kOpenAbout);
}

void TFm::TbDataClick() {
    const int row = TbData->currentRow();
    if (row < 0) return;
    switch (session_.editorFor(row)) {
        case RowEditor::Directory: editDirectory(row); break;
        case RowEditor::File: editFile(row, false); break;
        case RowEditor::Table: editFile(row, true); break;
        case RowEditor::Value: editValue(row); break;
        case RowEditor::None: return;
    }
    showGrid();
    showFixState();
    // The keyboard goes on in the grid.
    activateWindow();
    TbData->setFocus();
}

// The chooser stands right of the grid's first three columns, 20 pixels
// below the window's top, inside the screen.
void TFm::editDirectory(int row) {
    shared_.directory = session_.value(row);
    const int columnsWidth = TbData->columnWidth(ParamGrid::Comment) +
                             TbData->columnWidth(ParamGrid::Type) +
                             TbData->columnWidth(ParamGrid::Name);
    const QMargins frame = design::frameMargins(this);
    const QRect wanted(pos() + QPoint(columnsWidth + 10, 20),
                       TFmDir::designSize().grownBy(frame));
    FmDir->openFor(session_.directoryChooserStart(row),
                   fitInto(wanted, design::availableArea(this)), frame);
    if (shared_.directory == session_.value(row)) return;
    session_.setValue(row, shared_.directory);
    rememberFolder(shared_.directory);
    if (session_.isResultRow(row)) rememberResultFolder(shared_.directory);
}

void TFm::editFile(int row, bool table) {
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QString start = session_.fileDialogDirectory(row);
    if (!start.isEmpty()) dialog.setDirectory(start);
    if (table) {
        dialog.setNameFilter(QStringLiteral("tables (*.db)"));
    } else {
        // The kind of file the row reads comes first; every file stays on offer.
        dialog.setNameFilters(nameFilters(fileKindOf(session_.grid().cell(row, ParamGrid::Name),
                                                     session_.grid().cell(row, ParamGrid::Comment))));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString chosen = dialog.selectedFiles().first();
    session_.setValue(row, nativePath(chosen));
    rememberFolder(QFileInfo(chosen).absolutePath());
}

void TFm::editValue(int row) {
    shared_.value = session_.value(row);
    const QRect wanted(valueBoxPlace(), FmDigit->size());
    FmDigit->openFor(session_.grid().cell(row, ParamGrid::Name),
                     session_.grid().cell(row, ParamGrid::Type),
                     fitInto(wanted, design::availableArea(this)).topLeft());
    session_.setValue(row, shared_.value);
}

void TFm::BtnShowParamsClick() {
    if (!keepEditsOrDiscard()) return;
    try {
        if (session_.showParams() == ShowOutcome::External) {
            showFixState();
            close();
            return;
        }
    } catch (const LauncherError& problem) {
        message(problem.message());
    }
    showGrid();
    showFixState();
}

void TFm::BtnAboutClick(QToolButton* sender) {
    const bool function = sender == BtnAboutFunc;
    AboutWindow* window = function ? static_cast<AboutWindow*>(FmAboutFunc) : FmAboutPackage;
    if (window->isVisible()) {
        window->hide();
        return;
    }
    try {
        const AboutText about =
            session_.about(function ? AboutSubject::Function : AboutSubject::Package);
        window->showText(about.key, about.lines);
    } catch (const LauncherError& problem) {
        message(problem.message());
    }
}

void TFm::BtnFixParamsClick() {
    try {
        session_.fixParams();
    } catch (const LauncherError& problem) {
        message(problem.message());
    }
    showFixState();
}

void TFm::BtnGoClick() {
    try {
        session_.requestStart();
    } catch (const LauncherError& problem) {
        message(problem.message());
        return;
    }
    showFixState();
    close();
}

void TFm::BtnRunHereClick() {
    try {
        const RunRequest request = session_.runRequest(CbOwnFolder->isChecked());
        showRunPanel();
        PnlRun->select(runQueue_.enqueue(request));
    } catch (const LauncherError& problem) {
        message(problem.message());
    }
}

// An ended run of this session joins the recent runs once.
void TFm::rememberEndedRun(int id) {
    const RunRecord& run = runQueue_.run(id);
    if (run.waiting() || run.running() || remembered_.contains(id)) return;
    remembered_.append(id);
    const QString parameters = run.request.ownFolder ? run.request.parameterFile : run.parameterCopy;
    RecentRuns::add({run.request.function, parameters, run.request.resultDirectory, run.resultTable,
                     QDateTime::currentDateTime(), run.exitCode});
    PnlRun->showRecentRuns(RecentRuns::load());
}

// A recent run: its parameters into the grid (not fixed), its results into
// the result view.
void TFm::reopenRun(const RecentRun& run) {
    if (!keepEditsOrDiscard()) return;
    try {
        session_.reopenRun(run.function, run.parameterFile);
    } catch (const LauncherError& problem) {
        message(problem.message());
        return;
    }
    BxFuncs->setCurrentText(run.function);
    showGrid();
    showFixState();
    if (!run.resultTable.isEmpty()) PnlRun->showResultTable(run.resultDirectory, run.resultTable);
}

// The reads file is the grid's reads row (pthReads, pthFastq, pthLetters).
void TFm::BtnReadLengthsClick() {
    QString reads;
    for (int row = 0; row < ParamGrid::kRows && reads.isEmpty(); ++row) {
        const QString& name = session_.grid().cell(row, ParamGrid::Name);
        if (name == QLatin1String("pthReads") || name == QLatin1String("pthFastq")) reads = session_.value(row);
    }
    if (reads.isEmpty() || reads == QLatin1String("?")) {
        message(QStringLiteral("choose the reads file first (show Params, then its row)"));
        return;
    }
    try {
        const Histogram lengths = readLengths(reads);
        if (!FmPlot) {
            FmPlot = new TFmPlot(this);
            connect(FmPlot, &TFmPlot::problem, this, &TFm::message);
        }
        FmPlot->showHistogram(QStringLiteral("read lengths of %1: %2 reads, most %3 bases long")
                                  .arg(QFileInfo(reads).fileName())
                                  .arg(lengths.total())
                                  .arg(lengths.mode()),
                              QStringLiteral("read length"), lengths);
        FmPlot->show();
        FmPlot->raise();
    } catch (const LauncherError& problem) {
        message(problem.message());
    }
}

void TFm::BtnTaLiSampleClick() { report(shell_->openDocument(session_.taskListSample())); }

void TFm::BtnTaLiFileClick() {
    try {
        report(shell_->openDocument(session_.userTaskList(BxFuncs->currentText())));
    } catch (const LauncherError& problem) {
        message(problem.message());
    }
}

// An emptied grid has no row highlighted either.
void TFm::clearGrid() {
    showGrid();
    TbData->clearSelection();
    TbData->setCurrentCell(-1, -1);
}

void TFm::showGrid() {
    for (int row = 0; row < ParamGrid::kRows; ++row) {
        for (int column = 0; column < ParamGrid::kColumns; ++column) {
            TbData->item(row, column)->setText(session_.grid().cell(row, column));
        }
    }
    showCellTips();
}

// A text cut off by its column shows whole as the cell's tooltip.
void TFm::showCellTips() {
    const QFontMetrics metrics(TbData->font());
    for (int column = 0; column < ParamGrid::kColumns; ++column) {
        const int room = TbData->columnWidth(column) - kCellPadding;
        for (int row = 0; row < ParamGrid::kRows; ++row) {
            QTableWidgetItem* item = TbData->item(row, column);
            const bool cut = metrics.horizontalAdvance(item->text()) > room;
            item->setToolTip(cut ? item->text() : QString());
        }
    }
}

// The fix state in words as well as in the caption's colour.
void TFm::showFixState() {
    const bool fixed = session_.isFixed();
    design::setFontColour(BtnFixParams, fixed ? design::clBlack() : design::clRed());
    design::setFontColour(LblFixState, fixed ? design::clBlack() : design::clRed());
    LblFixState->setText(fixed ? QStringLiteral("\u2713 fixed")
                               : QStringLiteral("\u2717 not fixed"));
    BtnGo->setProperty("Tag", session_.startRequested() ? 1 : 0);
}

void TFm::message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(design::kProductTitle), text, QMessageBox::Ok, this);
    box.exec();
}

// A question with two answers, the first the one that loses something:
// Enter and Escape both give the second.
bool TFm::ask(const QString& text, const QString& yes, const QString& no) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(design::kProductTitle), text, QMessageBox::NoButton,
                    this);
    QPushButton* accept = box.addButton(yes, QMessageBox::AcceptRole);
    QPushButton* keep = box.addButton(no, QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() == accept;
}

void TFm::report(const QString& problem) {
    if (!problem.isEmpty()) message(problem);
}

}  // namespace quellon
