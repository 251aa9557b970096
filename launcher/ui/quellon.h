// Fm: the launcher's main window.
//
// The user picks a package and a function, shows the function's parameters
// in the grid, edits values through the small windows, fixes the parameters
// into files and starts the module. The window holds the components and
// forwards each event to the Session, which does the work without widgets;
// after each event the window shows the Session's state again.
#pragma once

#include <QString>
#include <QWidget>

#include <memory>

#include "model/session.h"
#include "shared_texts.h"
#include "shell.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QSplitter;
class QTableWidget;
class QToolButton;

namespace quellon {

class AboutWindow;
class TFmAboutFunc;
class TFmAboutPackage;
class TFmDigit;
class TFmDir;

class TFm final : public QWidget {
    Q_OBJECT
public:
    // `launcherDirectory`: where the Params folder lies (the directory of
    // the launcher's executable). `shell` opens documents and starts modules.
    TFm(const QString& launcherDirectory, std::unique_ptr<Shell> shell, QWidget* parent = nullptr);
    ~TFm() override;

    const Session& session() const { return session_; }
    const SharedTexts& sharedTexts() const { return shared_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTopPanel();
    void buildDataPanel();
    void buildComboPanel();
    void buildForms();
    void connectHandlers();
    void placeOnScreen();
    void fillBoxesFromCatalogue();

    void FormActivate();
    void FormClose(QCloseEvent* event);
    void BxPacksClick();
    void BxFuncsClick();
    void TbDataClick();
    void BtnShowParamsClick();
    void BtnAboutClick(QToolButton* sender);
    void BtnFixParamsClick();
    void BtnGoClick();
    void BtnTaLiSampleClick();
    void BtnTaLiFileClick();

    void editDirectory(int row);
    void editFile(int row, bool table);
    void editValue(int row);
    void hideAbout(AboutWindow* window, QToolButton* button);
    void showGrid();
    void showFixState();
    void message(const QString& text);
    void report(const QString& problem);

    Session session_;
    SharedTexts shared_;
    std::unique_ptr<Shell> shell_;
    QString startProblem_;  // a catalogue problem met at creation, shown once visible

    QFrame* PnlTop = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QToolButton* BtnTaLiSample = nullptr;
    QToolButton* BtnTaLiFile = nullptr;
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
    QToolButton* BtnGo = nullptr;

    TFmAboutFunc* FmAboutFunc = nullptr;
    TFmAboutPackage* FmAboutPackage = nullptr;
    TFmDigit* FmDigit = nullptr;
    TFmDir* FmDir = nullptr;
};

}  // namespace quellon
