#include "dirstart.h"

#include <algorithm>

#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
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
constexpr QSize kSmallestSize(536, 240);  // every button of the bar shows
// Letters typed within this time (ms) of each other search together.
constexpr qint64 kTypeAheadPause = 1000;
// The folder's own name, kept beside its indented label for the search.
constexpr int kNameRole = Qt::UserRole + 1;

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

    EdPath = new QLineEdit(this);
    EdPath->setObjectName(QStringLiteral("EdPath"));
    EdPath->setPlaceholderText(QStringLiteral("type a folder's path and press Enter"));
    EdPath->setToolTip(QStringLiteral("a folder's path: Enter lists it"));
    layout->addWidget(EdPath);
    connect(EdPath, &QLineEdit::returnPressed, this, &TFmDir::EdPathEnter);

    BoxDir = new QListWidget(this);
    BoxDir->setObjectName(QStringLiteral("BoxDir"));
    BoxDir->setUniformItemSizes(true);
    layout->addWidget(BoxDir);
    connect(BoxDir, &QListWidget::currentItemChanged, this, &TFmDir::choose);
    connect(BoxDir, &QListWidget::itemClicked, this, &TFmDir::BoxDirDblClick);
    connect(BoxDir, &QListWidget::itemActivated, this, &TFmDir::BoxDirOpen);
    BoxDir->installEventFilter(this);

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
    BtnNewFolder = design::speedButton(PnlDisc, QStringLiteral("BtnNewFolder"), QStringLiteral("new folder"),
                                       QRect(440, 8, 90, 22), true);
    BtnNewFolder->setShortcut(QKeySequence(Qt::ALT | Qt::Key_N));
    BtnNewFolder->setToolTip(QStringLiteral("make a folder in the listed one (Alt+N)"));
    design::setFontColour(BtnNewFolder, design::clBlue());
    connect(BtnNewFolder, &QToolButton::clicked, this, &TFmDir::BtnNewFolderClick);
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
        item->setData(kNameRole, entry.label);
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

void TFmDir::EdPathEnter() {
    const QString typed = QDir::fromNativeSeparators(EdPath->text().trimmed());
    if (typed.isEmpty()) return;
    const QFileInfo info(QDir(listed_).absoluteFilePath(typed));
    if (!info.isDir()) {
        QMessageBox::information(this, QStringLiteral("Quellon"),
                                 QStringLiteral("no such folder: ") + nativePath(info.absoluteFilePath()));
        return;
    }
    const QString folder = info.canonicalFilePath();
    showVolumeOf(folder);
    listDirectory(folder);
    choose(BoxDir->currentItem());
    BoxDir->setFocus();
}

void TFmDir::BtnNewFolderClick() {
    if (listed_.isEmpty()) return;
    bool given = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("new folder"),
                                               QStringLiteral("a new folder in ") + nativePath(listed_) + ':',
                                               QLineEdit::Normal, QString(), &given)
                             .trimmed();
    if (!given || name.isEmpty()) return;
    QDir parent(listed_);
    if (name.contains(u'/') || name.contains(u'\\') || !parent.mkdir(name)) {
        QMessageBox::information(this, QStringLiteral("Quellon"),
                                 QStringLiteral("i can't make the folder ") + nativePath(parent.filePath(name)));
        return;
    }
    listDirectory(parent.filePath(name));
    choose(BoxDir->currentItem());
}

// Letters typed into the list: the next folder from the chosen one whose
// name begins with the letters typed lately.
bool TFmDir::typeAhead(const QString& typed) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    typed_ = now - typedAt_ <= kTypeAheadPause ? typed_ + typed : typed;
    typedAt_ = now;
    const int count = BoxDir->count();
    const int from = std::max(BoxDir->currentRow(), 0);
    for (int step = typed_.size() == 1 ? 1 : 0; step <= count; ++step) {
        QListWidgetItem* item = BoxDir->item((from + step) % count);
        if (item && item->data(kNameRole).toString().startsWith(typed_, Qt::CaseInsensitive)) {
            BoxDir->setCurrentItem(item);
            return true;
        }
    }
    return true;
}

bool TFmDir::eventFilter(QObject* watched, QEvent* event) {
    if (watched == BoxDir && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace() &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && BoxDir->count() > 0)
            return typeAhead(text);
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace quellon
