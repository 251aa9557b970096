#include "quellon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "aboutfunc.h"
#include "aboutpackage.h"
#include "design.h"
#include "digital.h"
#include "dirstart.h"
#include "model/engine_help.h"
#include "model/launcher_error.h"
#include "model/screen_fit.h"
#include "run_panel.h"

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
// The grid's least height (its header and about three rows) and the room
// right of the rightmost button, for the window's least size.
constexpr int kLeastDataHeight = 100;
constexpr int kControlsMargin = 8;

const QString kGeometryKey = QStringLiteral("Fm/geometry");
const QString kLastFolderKey = QStringLiteral("Fm/lastFolder");
const QString kLastResultFolderKey = QStringLiteral("Fm/lastResultFolder");
const QString kOwnFolderKey = QStringLiteral("Fm/ownFolder");

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
    setWindowTitle(QString::fromLatin1(design::kProductTitle));

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

    // The run panel lies below the buttons, behind a second splitter, and
    // appears with the first run.
    auto* upper = new QWidget(this);
    auto* upperLayout = new QVBoxLayout(upper);
    upperLayout->setContentsMargins(0, 0, 0, 0);
    upperLayout->setSpacing(0);
    upperLayout->addWidget(Splitter1, 1);
    upperLayout->addWidget(PnlCombo);
    PnlRun = new RunPanel(runQueue_, *shell_, this);
    PnlRun->hide();
    Splitter2 = new QSplitter(Qt::Vertical, this);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(kSplitterHeight);
    Splitter2->setChildrenCollapsible(false);
    Splitter2->addWidget(upper);
    Splitter2->addWidget(PnlRun);
    Splitter2->setStretchFactor(0, 1);
    design::setBackground(Splitter2->handle(1), design::clBlack());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Splitter2);

    buildForms();
    connectHandlers();
    setUpKeyboard();
    placeOnScreen();
    restoreWindow();
    fillBoxesFromCatalogue();
    showGrid();
    showFixState();
}

TFm::~TFm() = default;

// The task list buttons sit inside the box's frame, below its title, at
// whatever height the style gives the title.
void TFm::buildTopPanel() {
    PnlTop = new QFrame(this);
    PnlTop->setObjectName(QStringLiteral("PnlTop"));
    PnlTop->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PnlTop->setMinimumHeight(kTopHeight);

    // The lengths of the grid's reads file, to pick the sizes from.
    BtnReadLengths = design::speedButton(PnlTop, QStringLiteral("BtnReadLengths"), QStringLiteral("read lengths"),
                                         QRect(8, 18, 100, 22));
    GroupBox1 = new QGroupBox(QStringLiteral("task list"), PnlTop);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(750, 4, 197, 54);
    BtnTaLiSample = design::speedButton(GroupBox1, QStringLiteral("BtnTaLiSample"),
                                        QStringLiteral("sample"), QRect(64, 16, 60, 22));
    BtnTaLiFile = design::speedButton(GroupBox1, QStringLiteral("BtnTaLiFile"),
                                      QStringLiteral("my file"), QRect(128, 16, 60, 22));
    auto* buttons = new QHBoxLayout(GroupBox1);
    buttons->setContentsMargins(4, 0, 6, 2);
    buttons->setSpacing(4);
    buttons->addStretch(1);
    for (QToolButton* button : {BtnTaLiSample, BtnTaLiFile}) {
        button->setFixedSize(60, 22);
        buttons->addWidget(button);
    }
}

// The value column takes the width the window gives beyond the design
// widths; the type column is at least as wide as its title.
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
    TbData->setTabKeyNavigation(false);  // Tab leaves the grid; the arrows move in it
    for (int column = 0; column < ParamGrid::kColumns; ++column) {
        TbData->setHorizontalHeaderItem(column,
                                        new QTableWidgetItem(QLatin1String(kColumnTitles[column])));
        for (int row = 0; row < ParamGrid::kRows; ++row) {
            TbData->setItem(row, column, new QTableWidgetItem);
        }
    }
    QHeaderView* header = TbData->horizontalHeader();
    for (int column = 0; column < ParamGrid::kColumns; ++column) {
        TbData->setColumnWidth(column,
                               std::max(kColumnWidths[column], header->sectionSizeHint(column)));
    }
    header->setStretchLastSection(true);

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
    // Below the fix button its state in words, below " go " the run here.
    LblFixState = new QLabel(PnlCombo);
    LblFixState->setObjectName(QStringLiteral("LblFixState"));
    LblFixState->setGeometry(826, 44, 86, 22);
    LblFixState->setAlignment(Qt::AlignCenter);
    BtnRunHere = design::speedButton(PnlCombo, QStringLiteral("BtnRunHere"),
                                     QStringLiteral("run here"), QRect(916, 44, 70, 22));
    // Beside "show Params": whether "run here" gives each run a folder of
    // its own below the result directory.
    CbOwnFolder = new QCheckBox(QStringLiteral("o&wn folder"), PnlCombo);
    CbOwnFolder->setObjectName(QStringLiteral("CbOwnFolder"));
    CbOwnFolder->setGeometry(730, 44, 90, 22);
    CbOwnFolder->setToolTip(QStringLiteral("run here into a new folder <diRes>/<function>_<date>-<time>/, with the "
                                           "parameters and the console text of the run (Alt+W)"));
    CbOwnFolder->setChecked(QSettings().value(kOwnFolderKey, true).toBool());
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
    connect(TbData->horizontalHeader(), &QHeaderView::sectionResized, this, &TFm::showCellTips);
    connect(BtnShowParams, &QToolButton::clicked, this, &TFm::BtnShowParamsClick);
    connect(BtnAboutFunc, &QToolButton::clicked, this, [this] { BtnAboutClick(BtnAboutFunc); });
    connect(BtnAboutPackage, &QToolButton::clicked, this,
            [this] { BtnAboutClick(BtnAboutPackage); });
    connect(BtnFixParams, &QToolButton::clicked, this, &TFm::BtnFixParamsClick);
    connect(BtnGo, &QToolButton::clicked, this, &TFm::BtnGoClick);
    connect(BtnRunHere, &QToolButton::clicked, this, &TFm::BtnRunHereClick);
    connect(BtnTaLiSample, &QToolButton::clicked, this, &TFm::BtnTaLiSampleClick);
    connect(BtnTaLiFile, &QToolButton::clicked, this, &TFm::BtnTaLiFileClick);
    connect(BtnReadLengths, &QToolButton::clicked, this, &TFm::BtnReadLengthsClick);
    connect(PnlRun, &RunPanel::problem, this, &TFm::message);
    connect(PnlRun, &RunPanel::reopen, this, &TFm::reopenRun);
    connect(&runQueue_, &RunQueue::changed, this, &TFm::rememberEndedRun);
    connect(CbOwnFolder, &QCheckBox::toggled, this, [](bool on) { QSettings().setValue(kOwnFolderKey, on); });
}

// Every button has a shortcut, named in its tooltip; Tab goes through the
// boxes and buttons in the order of the work, the grid among them, and
// Enter, Space or F2 on a grid row opens its editor (eventFilter).
void TFm::setUpKeyboard() {
    const struct {
        QToolButton* button;
        QKeySequence keys;
        const char* tip;
    } buttons[] = {
        {BtnAboutPackage, QKeySequence(Qt::SHIFT | Qt::Key_F1),
         "show or hide what the package holds"},
        {BtnAboutFunc, QKeySequence(Qt::Key_F1), "show or hide what the function does"},
        {BtnShowParams, QKeySequence(Qt::ALT | Qt::Key_S),
         "read the function's parameter file into the grid"},
        {BtnFixParams, QKeySequence(Qt::ALT | Qt::Key_F),
         "write the grid into the parameter file and the call file beside the engine"},
        {BtnGo, QKeySequence(Qt::ALT | Qt::Key_G),
         "start the engine in a terminal window of its own and close the launcher"},
        {BtnRunHere, QKeySequence(Qt::ALT | Qt::Key_R),
         "run the engine in this window, below the buttons, and list its result files; "
         "a run asked while another runs waits in a queue"},
        {BtnTaLiSample, QKeySequence(Qt::ALT | Qt::Key_A), "open the sample task list"},
        {BtnReadLengths, QKeySequence(Qt::ALT | Qt::Key_L),
         "plot how long the reads of the grid's reads file are, to choose the sizes from"},
        {BtnTaLiFile, QKeySequence(Qt::ALT | Qt::Key_M),
         "open the task list named in the grid's \"task list\" row"},
    };
    for (const auto& b : buttons) {
        b.button->setShortcut(b.keys);
        b.button->setToolTip(QStringLiteral("%1 (%2)").arg(
            QLatin1String(b.tip), b.keys.toString(QKeySequence::NativeText)));
    }
    BxPacks->setToolTip(QStringLiteral("the packages of the catalogue"));
    BxFuncs->setToolTip(QStringLiteral("the package's functions; a marked one is not available "
                                       "in this version of the engine"));
    TbData->installEventFilter(this);
    setTabOrder(BxPacks, BtnAboutPackage);
    setTabOrder(BtnAboutPackage, BtnAboutFunc);
    setTabOrder(BtnAboutFunc, BxFuncs);
    setTabOrder(BxFuncs, BtnShowParams);
    setTabOrder(BtnShowParams, TbData);
    setTabOrder(TbData, BtnFixParams);
    setTabOrder(BtnFixParams, BtnGo);
    setTabOrder(BtnGo, BtnRunHere);
    setTabOrder(BtnRunHere, BtnTaLiSample);
    setTabOrder(BtnTaLiSample, BtnTaLiFile);
    BxFuncs->setFocus();
}

// Centred with the width the window has now, 50 pixels from the top.
void TFm::placeOnScreen() {
    // Never smaller than shows every control: the buttons' panel whole and
    // a few rows of the grid.
    int controlsWidth = 0;
    for (const QWidget* child : PnlCombo->findChildren<QWidget*>())
        controlsWidth = std::max(controlsWidth, child->mapTo(PnlCombo, QPoint(child->width(), 0)).x());
    PnlCombo->setMinimumWidth(controlsWidth + kControlsMargin);
    PnlData->setMinimumHeight(kLeastDataHeight);
    resize(kWidth, kTopHeight + kSplitterHeight + kDataHeight + kComboHeight);
    const QScreen* shownOn = screen();
    const int screenWidth = shownOn ? shownOn->geometry().width() : width();
    move((screenWidth - width()) / 2, 50);
}

// The place and size of the last session (frame, maximized state and a
// screen that is no longer there taken into account), and its last folder.
void TFm::restoreWindow() {
    const QSettings settings;
    session_.setLastFolder(settings.value(kLastFolderKey).toString());
    session_.setLastResultFolder(settings.value(kLastResultFolderKey).toString());
    restoreGeometry(settings.value(kGeometryKey).toByteArray());
}

// A place saved on a larger screen (or at another scaling) is moved and
// shrunk into this one as the window first shows, so its title bar and its
// buttons stay in reach.
void TFm::keepOnScreen() {
    const QRect available = design::availableArea(this);
    if (!available.isValid() || isMaximized() || available.contains(frameGeometry())) return;
    setGeometry(fitInto(frameGeometry(), available).marginsRemoved(design::frameMargins(this)));
}

// Called as the window closes. The run panel appears only with a run, so the
// place is kept as it was without it: the next session starts as this one
// did, not at the height the panel took.
void TFm::rememberWindow() {
    if (PnlRun->isVisible() && !isMaximized() && !isFullScreen() && runPanelGrowth_ > 0) {
        PnlRun->hide();
        resize(width(), std::max(minimumSizeHint().height(), height() - runPanelGrowth_));
    }
    QSettings().setValue(kGeometryKey, saveGeometry());
}

void TFm::rememberFolder(const QString& folder) {
    session_.setLastFolder(folder);
    QSettings().setValue(kLastFolderKey, folder);
}

void TFm::rememberResultFolder(const QString& folder) {
    session_.setLastResultFolder(folder);
    QSettings().setValue(kLastResultFolderKey, folder);
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
        fillFunctions(functions);
        BxFuncs->setCurrentText(functions.contains(kShownFunction) ? kShownFunction
                                                                   : functions.first());
    } catch (const LauncherError& problem) {
        startProblem_ = problem.message();
    }
}

void TFm::fillFunctions(const QStringList& functions) {
    BxFuncs->clear();
    BxFuncs->addItems(functions);
    markUnprovidedFunctions();
}

// A function whose module answers "--help" without listing it as available
// gets a warning sign, a grey name and a tooltip saying why. A module that
// cannot tell marks nothing.
void TFm::markUnprovidedFunctions() {
    QStringList unprovided;
    const QIcon sign = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (int i = 0; i < BxFuncs->count(); ++i) {
        const QString function = BxFuncs->itemText(i);
        QString executable;
        try {
            executable = session_.moduleExecutableOf(function);
        } catch (const LauncherError&) {
            continue;  // shown when the function is used
        }
        if (!provided_.contains(executable)) {
            provided_.insert(executable, askProvidedFunctions(executable));
        }
        const std::optional<QStringList>& known = provided_.value(executable);
        const bool marked = known && !known->contains(function);
        const QString why =
            function + QStringLiteral(": not available in this version of the engine");
        BxFuncs->setItemIcon(i, marked ? sign : QIcon());
        BxFuncs->setItemData(i, marked ? QVariant(QColor(Qt::gray)) : QVariant(),
                             Qt::ForegroundRole);
        BxFuncs->setItemData(i, marked ? QVariant(why) : QVariant(), Qt::ToolTipRole);
        if (marked) unprovided.append(function);
    }
    session_.setUnprovidedFunctions(unprovided);
}

// The run panel appears with the first run; the window grows by its height
// as far as the screen allows.
void TFm::showRunPanel() {
    if (PnlRun->isVisible()) return;
    PnlRun->show();
    const QMargins frame = design::frameMargins(this);
    const int grown = PnlRun->sizeHint().height() + kSplitterHeight;
    const QRect wanted = frameGeometry().adjusted(0, 0, 0, grown);
    const QRect available = design::availableArea(this);
    const int before = height();
    setGeometry((available.isValid() ? fitInto(wanted, available) : wanted).marginsRemoved(frame));
    runPanelGrowth_ = height() - before;
}

}  // namespace quellon
