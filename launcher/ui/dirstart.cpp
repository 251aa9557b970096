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
constexpr QSize kDesignSize(542, 608);
constexpr QSize kSmallestSize(440, 240);

}  // namespace

TFmDir::TFmDir(SharedTexts& shared, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowStaysOnTopHint), shared_(shared) {
    setObjectName(QStringLiteral("FmDir"));
    setWindowTitle(QStringLiteral("choice the directory"));
    setModal(true);
    // The design size, smaller where the screen is: the list scrolls.
    resize(kDesignSize);
    setMinimumSize(kSmallestSize);

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
    connect(BoxDir, &QListWidget::currentItemChanged, this, &TFmDir::choose);
    connect(BoxDir, &QListWidget::itemClicked, this, &TFmDir::BoxDirDblClick);
    connect(BoxDir, &QListWidget::itemActivated, this, &TFmDir::BoxDirOpen);

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
    BtnTake->setShortcut(QKeySequence(Qt::ALT | Qt::Key_T));
    BtnTake->setToolTip(QStringLiteral("take the folder shown above the list (Alt+T)"));
    BtnCancel->setToolTip(QStringLiteral("leave the value as it was (Escape)"));
    BoxDisc->setToolTip(QStringLiteral("the volume whose folders the list shows"));
    design::setFontColour(BtnTake, design::clBlue());
    design::setFontColour(BtnCancel, design::clBlue());
    connect(BtnTake, &QToolButton::clicked, this, &TFmDir::BtnTakeClick);
    connect(BtnCancel, &QToolButton::clicked, this, &TFmDir::BtnCancelClick);
}

QSize TFmDir::designSize() { return kDesignSize; }

void TFmDir::openFor(const QString& start, const QRect& place, const QMargins& frame) {
    if (QFileInfo(start).isDir()) {
        showVolumeOf(start);
        listDirectory(start);
    }
    setGeometry(place.marginsRemoved(frame));
    BoxDir->setFocus();
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

// The panel shows the directory the list highlights, so "take" at once
// takes it.
void TFmDir::FormShow() { choose(BoxDir->currentItem()); }

void TFmDir::closeEvent(QCloseEvent* event) { FormClose(event); }

// The title bar's close button cancels, as Escape does.
void TFmDir::FormClose(QCloseEvent* event) { QDialog::closeEvent(event); }

void TFmDir::BoxDiscChange() { listDirectory(BoxDisc->currentText()); }

void TFmDir::choose(QListWidgetItem* item) {
    if (item) PnlDir->setText(nativePath(item->data(Qt::UserRole).toString()));
}

void TFmDir::BoxDirDblClick(QListWidgetItem* item) { choose(item); }

void TFmDir::BoxDirOpen(QListWidgetItem* item) {
    choose(item);
    listDirectory(item->data(Qt::UserRole).toString());
}

// The panel always names a directory once the list shows one; an empty
// panel (no directory listed at all) leaves the cell as it was.
void TFmDir::BtnTakeClick() {
    if (!PnlDir->text().isEmpty()) shared_.directory = PnlDir->text();
    accept();
}

void TFmDir::BtnCancelClick() { reject(); }

}  // namespace quellon
