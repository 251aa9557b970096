// FmDir: the directory chooser for "dir" rows.
//
// A volume box (the mounted volumes stand for drives), a directory list and
// a panel showing the chosen directory: the highlighted one, from the moment
// the window opens. A click or the arrow keys choose a directory; a double
// click or Enter also opens it. "take" leaves the chosen directory in the
// shared directory text; "cancel", Escape and the title bar's close button
// leave the shared directory text as it was, so the cell keeps its value.
// A path typed into the path field (Enter) lists that folder; "new folder"
// makes a folder in the listed one and chooses it; typing letters in the
// list moves to the next folder whose name begins with them.
#pragma once

#include <QDialog>

#include "shared_texts.h"

class QComboBox;
class QElapsedTimer;
class QFrame;
class QLineEdit;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolButton;

namespace quellon {

class TFmDir final : public QDialog {
    Q_OBJECT
public:
    TFmDir(SharedTexts& shared, QWidget* mainWindow);

    // The size of the window's inside as designed.
    static QSize designSize();

    // Opening for a grid row: the lists show `start` (an existing
    // directory) with it chosen; the window takes the frame rectangle
    // `place` (frame margins `frame` around its inside), and is shown
    // modally.
    void openFor(const QString& start, const QRect& place, const QMargins& frame);

    // The directory the list shows.
    const QString& listedDirectory() const { return listed_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildVolumeBar();
    void FormShow();
    void FormClose(QCloseEvent* event);
    void BoxDiscChange();
    void BoxDirDblClick(QListWidgetItem* item);
    void choose(QListWidgetItem* item);
    void BoxDirOpen(QListWidgetItem* item);
    void BtnTakeClick();
    void BtnCancelClick();
    void EdPathEnter();
    void BtnNewFolderClick();
    bool typeAhead(const QString& typed);
    void listDirectory(const QString& directory);
    void showVolumeOf(const QString& directory);

    SharedTexts& shared_;
    QString listed_;
    QLabel* PnlDir;
    QFrame* PnlDisc;
    QComboBox* BoxDisc;
    QToolButton* BtnTake;
    QToolButton* BtnCancel;
    QToolButton* BtnNewFolder;
    QLineEdit* EdPath;
    QListWidget* BoxDir;
    QString typed_;  // the letters typed in the list lately
    qint64 typedAt_ = 0;
};

}  // namespace quellon
