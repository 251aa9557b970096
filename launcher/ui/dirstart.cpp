#include "dirstart.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "model/directory_list.h"
#include "model/text_lines.h"
#include "design.h"

namespace quellon {

namespace {

constexpr int kItemHeight = 16;
constexpr int kIndent = 2;  // spaces a level in the list

}  // namespace

TFmDir::TFmDir(SharedTexts& shared, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowStaysOnTopHint), shared_(shared) {
    setObjectName(QStringLiteral("FmDir"));
    setWindowTitle(QStringLiteral("choice the directory"));
    setModal(true);
    setFixedSize(542, 608);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    PnlDir = design::captionPanel(this, QStringLiteral("PnlDir"), QString(), design::clMoneyGreen());
    PnlDir->setFixedHeight(25);
    PnlDir->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(PnlDir);

    buildVolumeBar();
    layout->addWidget(PnlDisc);

    BoxDir = new QListWidget(this);
    BoxDir->setObjectName(QStringLiteral("BoxDir"));
    BoxDir->setUniformItemSizes(true);
    layout->addWidget(BoxDir);
    connect(BoxDir, &QListWidget::itemClicked, this, &TFmDir::BoxDirDblClick);
    connect(BoxDir, &QListWidget::itemDoubleClicked, this, &TFmDir::BoxDirOpen);

    // Like a fresh directory list, it starts in the current directory.
    showVolumeOf(QDir::currentPath());
    listDirectory(QDir::currentPath());
}

void TFmDir::buildVolumeBar() {
    PnlDisc = new QFrame(this);
    PnlDisc->setObjectName(QStringLiteral("PnlDisc"));
    PnlDisc->setFixedHeight(35);

    BoxDisc = new QComboBox(PnlDisc);
    BoxDisc->setObjectName(QStringLiteral("BoxDisc"));
    BoxDisc->setGeometry(0, 3, 200, BoxDisc->sizeHint().height());
    BoxDisc->addItems(volumeRoots());
    connect(BoxDisc, &QComboBox::activated, this, &TFmDir::BoxDiscChange);

    BtnTake = design::speedButton(PnlDisc, QStringLiteral("BtnTake"), QStringLiteral("take"),
                                  QRect(272, 8, 60, 22), true);
    BtnCancel = design::speedButton(PnlDisc, QStringLiteral("BtnCancel"), QStringLiteral("cancel"),
                                    QRect(360, 8, 60, 22), true);
    design::setFontColour(BtnTake, design::clBlue());
    design::setFontColour(BtnCancel, design::clBlue());
    connect(BtnTake, &QToolButton::clicked, this, &TFmDir::BtnTakeClick);
    connect(BtnCancel, &QToolButton::clicked, this, &TFmDir::BtnCancelClick);
}

void TFmDir::openFor(const QPoint& mainTopLeft, int columnsWidth) {
    const QString& directory = shared_.directory;
    if (!directory.isEmpty() && QFileInfo(directory).isDir()) {
        showVolumeOf(directory);
        listDirectory(directory);
    }
    move(mainTopLeft.x() + columnsWidth + 10, mainTopLeft.y() + 20);
    exec();
}

void TFmDir::showVolumeOf(const QString& directory) {
    const QString root = volumeRootOf(directory);
    if (BoxDisc->findText(root) < 0) BoxDisc->addItem(root);
    BoxDisc->setCurrentText(root);
}

void TFmDir::listDirectory(const QString& directory) {
    BoxDir->clear();
    for (const DirectoryEntry& entry : directoryEntries(directory)) {
        auto* item = new QListWidgetItem(QString(entry.depth * kIndent, u' ') + entry.label, BoxDir);
        item->setData(Qt::UserRole, entry.path);
        item->setSizeHint(QSize(0, kItemHeight));
        if (entry.isCurrent) {
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
            BoxDir->setCurrentItem(item);
            listed_ = entry.path;
        }
    }
}

void TFmDir::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TFmDir::FormShow() { taken_ = false; }

void TFmDir::closeEvent(QCloseEvent* event) { FormClose(event); }

// Only "take" and "cancel" leave the window: the title bar's close button
// and Escape do nothing.
void TFmDir::FormClose(QCloseEvent* event) {
    if (!taken_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFmDir::reject() {
    if (taken_) QDialog::reject();
}

void TFmDir::BoxDiscChange() { listDirectory(BoxDisc->currentText()); }

void TFmDir::BoxDirDblClick(QListWidgetItem* item) {
    PnlDir->setText(nativePath(item->data(Qt::UserRole).toString()));
}

void TFmDir::BoxDirOpen(QListWidgetItem* item) {
    const QString directory = item->data(Qt::UserRole).toString();
    PnlDir->setText(nativePath(directory));
    listDirectory(directory);
}

void TFmDir::BtnTakeClick() {
    taken_ = true;
    shared_.directory = PnlDir->text();
    accept();
}

void TFmDir::BtnCancelClick() {
    taken_ = true;
    reject();
}

}  // namespace quellon
