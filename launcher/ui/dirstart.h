// FmDir: the directory chooser for "dir" rows.
//
// A volume box (the mounted volumes stand for drives), a directory list and
// a panel showing the chosen directory. A click on a directory chooses it; a
// double click also opens it. The window is left only by "take", which leaves
// the chosen directory in the shared directory text, or by "cancel", which
// leaves the shared directory text as it was, so the cell keeps its value.
#pragma once

#include <QDialog>

#include "shared_texts.h"

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolButton;

namespace quellon {

class TFmDir final : public QDialog {
    Q_OBJECT
public:
    TFmDir(SharedTexts& shared, QWidget* mainWindow);

    // Opening for a grid row: when the shared directory text names an
    // existing directory, the lists show it; the window stands 20 pixels
    // below the main window's top, 10 pixels right of the grid's first three
    // columns, and is shown modally.
    void openFor(const QPoint& mainTopLeft, int columnsWidth);

    // The directory the list shows.
    const QString& listedDirectory() const { return listed_; }

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildVolumeBar();
    void FormShow();
    void FormClose(QCloseEvent* event);
    void BoxDiscChange();
    void BoxDirDblClick(QListWidgetItem* item);
    void BoxDirOpen(QListWidgetItem* item);
    void BtnTakeClick();
    void BtnCancelClick();
    void listDirectory(const QString& directory);
    void showVolumeOf(const QString& directory);

    SharedTexts& shared_;
    QString listed_;
    bool taken_ = false;
    QLabel* PnlDir;
    QFrame* PnlDisc;
    QComboBox* BoxDisc;
    QToolButton* BtnTake;
    QToolButton* BtnCancel;
    QListWidget* BoxDir;
};

}  // namespace quellon
