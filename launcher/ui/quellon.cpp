#include "quellon.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

#include "aboutfunc.h"
#include "aboutpackage.h"
#include "model/launcher_error.h"
#include "model/text_lines.h"
#include "design.h"
#include "digital.h"
#include "dirstart.h"

namespace quellon {

namespace {

const QString kOpenAbout = QStringLiteral("Open about");
const QString kShownPackage = QStringLiteral("Helixa");
const QString kShownFunction = QStringLiteral("RandExt");
constexpr int kColumnWidths[ParamGrid::kColumns] = {300, 30, 100, 500};
const char* const kColumnTitles[ParamGrid::kColumns] = {"comment", "type", "name", "value"};

constexpr int kTopHeight = 60;
constexpr int kSplitterHeight = 3;
constexpr int kDataHeight = 300;
constexpr int kComboHeight = 75;
constexpr int kWidth = 1000;

QLabel* staticText(QWidget* parent, const QString& name, const QString& caption, QPoint place) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->move(place);
    return label;
}

QComboBox* comboBox(QWidget* parent, const QString& name, QPoint place, int width, int rows) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setGeometry(place.x(), place.y(), width, box->sizeHint().height());
    box->setMaxVisibleItems(rows);
    return box;
}

}  // namespace

TFm::TFm(const QString& launcherDirectory, std::unique_ptr<Shell> shell, QWidget* parent)
    : QWidget(parent), session_(launcherDirectory), shell_(std::move(shell)) {
    setObjectName(QStringLiteral("Fm"));
    setWindowTitle(QStringLiteral("Fm"));

    buildTopPanel();
    buildDataPanel();
    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kSplitterHeight);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(PnlTop);
    Splitter1->addWidget(PnlData);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kTopHeight, kDataHeight});
    design::setBackground(Splitter1->handle(1), design::clBlack());
    buildComboPanel();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Splitter1);
    layout->addWidget(PnlCombo);

    buildForms();
    connectHandlers();
    placeOnScreen();
    fillBoxesFromCatalogue();
    showGrid();
    showFixState();
}

TFm::~TFm() = default;

void TFm::buildTopPanel() {
    PnlTop = new QFrame(this);
    PnlTop->setObjectName(QStringLiteral("PnlTop"));
    PnlTop->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PnlTop->setMinimumHeight(kTopHeight);

    GroupBox1 = new QGroupBox(QStringLiteral("task list"), PnlTop);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(750, 8, 197, 50);
    BtnTaLiSample = design::speedButton(GroupBox1, QStringLiteral("BtnTaLiSample"),
                                        QStringLiteral("sample"), QRect(64, 16, 60, 22));
    BtnTaLiFile = design::speedButton(GroupBox1, QStringLiteral("BtnTaLiFile"),
                                      QStringLiteral("my file"), QRect(128, 16, 60, 22));
}

void TFm::buildDataPanel() {
    PnlData = new QFrame(this);
    PnlData->setObjectName(QStringLiteral("PnlData"));
    PnlData->setFrameStyle(QFrame::Panel | QFrame::Raised);

    TitPnlData = design::captionPanel(PnlData, QStringLiteral("TitPnlData"),
                                      QStringLiteral("input data"), design::clMoneyGreen());
    TitPnlData->setFrameShadow(QFrame::Raised);
    TitPnlData->setFixedHeight(25);
    TitPnlData->setAlignment(Qt::AlignCenter);
    TitPnlData->setFont(QFont(QStringLiteral("Arial Narrow")));

    TbData = new QTableWidget(ParamGrid::kRows, ParamGrid::kColumns, PnlData);
    TbData->setObjectName(QStringLiteral("TbData"));
    TbData->verticalHeader()->hide();
    TbData->verticalHeader()->setDefaultSectionSize(24);
    TbData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TbData->setSelectionBehavior(QAbstractItemView::SelectRows);
    TbData->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int column = 0; column < ParamGrid::kColumns; ++column) {
        TbData->setHorizontalHeaderItem(column,
                                        new QTableWidgetItem(QLatin1String(kColumnTitles[column])));
        TbData->setColumnWidth(column, kColumnWidths[column]);
        for (int row = 0; row < ParamGrid::kRows; ++row) {
            TbData->setItem(row, column, new QTableWidgetItem);
        }
    }

    auto* layout = new QVBoxLayout(PnlData);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TitPnlData);
    layout->addWidget(TbData);
}

void TFm::buildComboPanel() {
    PnlCombo = new QFrame(this);
    PnlCombo->setObjectName(QStringLiteral("PnlCombo"));
    PnlCombo->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PnlCombo->setFixedHeight(kComboHeight);

    BxPacks = comboBox(PnlCombo, QStringLiteral("BxPacks"), QPoint(5, 16), 188, 15);
    StaticText1 = staticText(PnlCombo, QStringLiteral("StaticText1"), QStringLiteral("packages ^"),
                             QPoint(8, 48));
    BtnAboutPackage = design::speedButton(PnlCombo, QStringLiteral("BtnAboutPackage"), kOpenAbout,
                                          QRect(200, 17, 89, 22));
    design::setFontColour(BtnAboutPackage, design::clGreen());

    Bevel1 = new QFrame(PnlCombo);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    Bevel1->setGeometry(300, 0, 5, kComboHeight);

    BtnAboutFunc = design::speedButton(PnlCombo, QStringLiteral("BtnAboutFunc"), kOpenAbout,
                                       QRect(321, 17, 90, 22));
    design::setFontColour(BtnAboutFunc, design::clGreen());
    BxFuncs = comboBox(PnlCombo, QStringLiteral("BxFuncs"), QPoint(420, 16), 300, 20);
    StaticText2 = staticText(PnlCombo, QStringLiteral("StaticText2"), QStringLiteral("functions ^"),
                             QPoint(420, 48));

    BtnShowParams = design::speedButton(PnlCombo, QStringLiteral("BtnShowParams"),
                                        QStringLiteral("show Params"), QRect(730, 17, 90, 22));
    BtnFixParams = design::speedButton(PnlCombo, QStringLiteral("BtnFixParams"),
                                       QStringLiteral("fix Params"), QRect(826, 17, 80, 22));
    BtnGo = design::speedButton(PnlCombo, QStringLiteral("BtnGo"), QStringLiteral(" go "),
                                QRect(916, 17, 40, 22));
}

// The small windows, in the order the application creates its forms.
void TFm::buildForms() {
    FmAboutFunc = new TFmAboutFunc(this);
    FmAboutPackage = new TFmAboutPackage(this);
    FmDigit = new TFmDigit(shared_, this);
    FmDir = new TFmDir(shared_, this);
}

void TFm::connectHandlers() {
    connect(BxPacks, &QComboBox::activated, this, &TFm::BxPacksClick);
    connect(BxFuncs, &QComboBox::activated, this, &TFm::BxFuncsClick);
    connect(TbData, &QTableWidget::cellClicked, this, &TFm::TbDataClick);
    connect(BtnShowParams, &QToolButton::clicked, this, &TFm::BtnShowParamsClick);
    connect(BtnAboutFunc, &QToolButton::clicked, this, [this] { BtnAboutClick(BtnAboutFunc); });
    connect(BtnAboutPackage, &QToolButton::clicked, this,
            [this] { BtnAboutClick(BtnAboutPackage); });
    connect(BtnFixParams, &QToolButton::clicked, this, &TFm::BtnFixParamsClick);
    connect(BtnGo, &QToolButton::clicked, this, &TFm::BtnGoClick);
    connect(BtnTaLiSample, &QToolButton::clicked, this, &TFm::BtnTaLiSampleClick);
    connect(BtnTaLiFile, &QToolButton::clicked, this, &TFm::BtnTaLiFileClick);
}

// Centred with the width the window has now, 50 pixels from the top.
void TFm::placeOnScreen() {
    resize(kWidth, kTopHeight + kSplitterHeight + kDataHeight + kComboHeight);
    const QScreen* shownOn = screen();
    const int screenWidth = shownOn ? shownOn->geometry().width() : width();
    move((screenWidth - width()) / 2, 50);
}

// The package box offers the catalogue's packages with "Helixa" shown, and
// the function box that package's functions with "RandExt" shown. Without a
// readable catalogue both keep their design texts, and the problem is shown
// once the window is up.
void TFm::fillBoxesFromCatalogue() {
    BxPacks->addItem(kShownPackage);
    BxFuncs->addItems({kShownFunction, QStringLiteral("RandExtTaskList")});
    try {
        const QStringList packages = session_.packages();
        const QString package = packages.contains(kShownPackage) ? kShownPackage : packages.first();
        const QStringList functions = session_.functionsOf(package);
        BxPacks->clear();
        BxPacks->addItems(packages);
        BxPacks->setCurrentText(package);
        BxFuncs->clear();
        BxFuncs->addItems(functions);
        BxFuncs->setCurrentText(functions.contains(kShownFunction) ? kShownFunction
                                                                   : functions.first());
    } catch (const LauncherError& problem) {
        startProblem_ = problem.message();
    }
}

void TFm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormActivate();
}

void TFm::FormActivate() {
    if (session_.activated()) return;
    const int dataTop = PnlData->mapTo(this, QPoint(0, 0)).y();
    FmDigit->move(x() + width() - FmDigit->width() - 20, y() + dataTop + 100);
    session_.activate(BxPacks->currentText(), BxFuncs->currentText());
    if (!startProblem_.isEmpty()) {
        QTimer::singleShot(0, this, [this] { message(std::exchange(startProblem_, QString())); });
    }
}

void TFm::closeEvent(QCloseEvent* event) { FormClose(event); }

// A requested start happens as the window closes. When it fails the window
// stays open, no longer requesting it, so the user can read the message and
// still close the window.
void TFm::FormClose(QCloseEvent* event) {
    if (!session_.startRequested()) {
        event->accept();
        return;
    }
    try {
        const QString problem = shell_->startModule(session_.moduleExecutable());
        if (!problem.isEmpty()) throw LauncherError(problem);
        event->accept();
    } catch (const LauncherError& failure) {
        session_.cancelStart();
        showFixState();
        event->ignore();
        message(failure.message());
    }
}

void TFm::BxPacksClick() {
    try {
        const QStringList functions = session_.choosePackage(BxPacks->currentText());
        BxFuncs->clear();
        BxFuncs->addItems(functions);
        BxFuncs->setCurrentIndex(0);
    } catch (const LauncherError& problem) {
        BxPacks->setCurrentText(session_.currentPackage());
        message(problem.message());
        return;
    }
    showGrid();
    showFixState();
    if (FmAboutPackage->isVisible()) hideAbout(FmAboutPackage, BtnAboutPackage);
}

void TFm::BxFuncsClick() {
    session_.chooseFunction(BxFuncs->currentText());
    if (FmAboutFunc->isVisible()) hideAbout(FmAboutFunc, BtnAboutFunc);
    showGrid();
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
}

void TFm::editDirectory(int row) {
    shared_.directory = session_.value(row);
    const int columnsWidth = TbData->columnWidth(ParamGrid::Comment) +
                             TbData->columnWidth(ParamGrid::Type) +
                             TbData->columnWidth(ParamGrid::Name);
    FmDir->openFor(pos(), columnsWidth);
    session_.setValue(row, shared_.directory);
}

void TFm::editFile(int row, bool table) {
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QString start = session_.fileDialogDirectory(row);
    if (!start.isEmpty()) dialog.setDirectory(start);
    if (table) dialog.setNameFilter(QStringLiteral("tables (*.db)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    session_.setValue(row, nativePath(dialog.selectedFiles().first()));
}

void TFm::editValue(int row) {
    shared_.value = session_.value(row);
    FmDigit->exec();
    session_.setValue(row, shared_.value);
}

void TFm::BtnShowParamsClick() {
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

void TFm::BtnTaLiSampleClick() { report(shell_->openDocument(session_.taskListSample())); }

void TFm::BtnTaLiFileClick() {
    try {
        report(shell_->openDocument(session_.userTaskList(BxFuncs->currentText())));
    } catch (const LauncherError& problem) {
        message(problem.message());
    }
}

void TFm::showGrid() {
    for (int row = 0; row < ParamGrid::kRows; ++row) {
        for (int column = 0; column < ParamGrid::kColumns; ++column) {
            TbData->item(row, column)->setText(session_.grid().cell(row, column));
        }
    }
}

void TFm::showFixState() {
    design::setFontColour(BtnFixParams,
                          session_.isFixed() ? design::clBlack() : design::clRed());
    BtnGo->setProperty("Tag", session_.startRequested() ? 1 : 0);
}

void TFm::message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, this);
    box.exec();
}

void TFm::report(const QString& problem) {
    if (!problem.isEmpty()) message(problem);
}

}  // namespace quellon
