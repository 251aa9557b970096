// Fm: the launcher's main window.
//
// The user picks a package and a function, shows the function's parameters
// in the grid, edits values through the small windows, fixes the parameters
// into files and starts the module: " go " in a terminal window of its own,
// closing the launcher, or "run here" as a child process whose console text
// and result files the run panel below the buttons shows. The window holds
// the components and forwards each event to the Session, which does the
// work without widgets; after each event the window shows the Session's
// state again.
//
// The window's place and size and the folder chosen last are kept in the
// application's settings (QSettings) between sessions.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>

#include "model/run_history.h"
#include "model/run_queue.h"
#include "model/session.h"
#include "shared_texts.h"
#include "shell.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QSplitter;
class QTableWidget;
class QToolButton;

namespace quellon {

class AboutWindow;
class RunPanel;
class TFmAboutFunc;
class TFmAboutPackage;
class TFmDigit;
class TFmDir;
class TFmPlot;

class TFm final : public QWidget {
    Q_OBJECT
public:
    // `launcherDirectory`: where the Params folder lies (the directory of
    // the launcher's executable). `shell` opens documents and starts modules.
    TFm(const QString& launcherDirectory, std::unique_ptr<Shell> shell, QWidget* parent = nullptr);
    ~TFm() override;

    const Session& session() const { return session_; }
    const SharedTexts& sharedTexts() const { return shared_; }
    const RunQueue& runs() const { return runQueue_; }
    // The plot window, once a plot was asked for.
    const TFmPlot* plotWindow() const { return FmPlot; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building (quellon.cpp).
    void buildTopPanel();
    void buildDataPanel();
    void buildComboPanel();
    void buildForms();
    void connectHandlers();
    void setUpKeyboard();
    void placeOnScreen();
    void restoreWindow();
    void keepOnScreen();
    void rememberWindow();
    void rememberFolder(const QString& folder);
    void rememberResultFolder(const QString& folder);
    void fillBoxesFromCatalogue();
    void fillFunctions(const QStringList& functions);
    void markUnprovidedFunctions();
    void showRunPanel();

    // Events (quellon_events.cpp).
    void FormActivate();
    void FormClose(QCloseEvent* event);
    void BxPacksClick();
    void BxFuncsClick();
    void TbDataClick();
    void BtnShowParamsClick();
    void BtnAboutClick(QToolButton* sender);
    void BtnFixParamsClick();
    void BtnGoClick();
    void BtnRunHereClick();
    void BtnTaLiSampleClick();
    void BtnTaLiFileClick();
    void BtnReadLengthsClick();
    void reopenRun(const RecentRun& run);
    void rememberEndedRun(int id);

    void editDirectory(int row);
    void editFile(int row, bool table);
    void editValue(int row);
    QPoint valueBoxPlace() const;
    bool keepEditsOrDiscard();
    bool stopRunsToClose();
    void hideAbout(AboutWindow* window, QToolButton* button);
    void clearGrid();
    void showGrid();
    void showCellTips();
    void showFixState();
    void message(const QString& text);
    bool ask(const QString& text, const QString& yes, const QString& no);
    void report(const QString& problem);

    Session session_;
    SharedTexts shared_;
    std::unique_ptr<Shell> shell_;
    RunQueue runQueue_;
    QString startProblem_;  // a catalogue problem met at creation, shown once visible
    // What each module executable answered to "--help": the functions it
    // provides, or nothing when it cannot tell. Asked once a session.
    QHash<QString, std::optional<QStringList>> provided_;
    QList<int> remembered_;  // the runs of this session in the recent-runs list

    QFrame* PnlTop = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QToolButton* BtnTaLiSample = nullptr;
    QToolButton* BtnTaLiFile = nullptr;
    QToolButton* BtnReadLengths = nullptr;
    QSplitter* Splitter1 = nullptr;
    QFrame* PnlData = nullptr;
    QLabel* TitPnlData = nullptr;
    QTableWidget* TbData = nullptr;
    QFrame* PnlCombo = nullptr;
    QComboBox* BxPacks = nullptr;
    QLabel* StaticText1 = nullptr;
    QToolButton* BtnAboutPackage = nullptr;
    QFrame* Bevel1 = nullptr;
    QToolButton* BtnAboutFunc = nullptr;
    QComboBox* BxFuncs = nullptr;
    QLabel* StaticText2 = nullptr;
    QToolButton* BtnShowParams = nullptr;
    QToolButton* BtnFixParams = nullptr;
    QLabel* LblFixState = nullptr;
    QToolButton* BtnGo = nullptr;
    QToolButton* BtnRunHere = nullptr;
    QCheckBox* CbOwnFolder = nullptr;
    QSplitter* Splitter2 = nullptr;
    RunPanel* PnlRun = nullptr;
    int runPanelGrowth_ = 0;  // what the window grew by when the run panel appeared

    TFmAboutFunc* FmAboutFunc = nullptr;
    TFmAboutPackage* FmAboutPackage = nullptr;
    TFmDigit* FmDigit = nullptr;
    TFmDir* FmDir = nullptr;
    TFmPlot* FmPlot = nullptr;
};

}  // namespace quellon
