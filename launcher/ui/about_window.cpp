#include "about_window.h"

#include <QFont>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include "design.h"
#include "model/screen_fit.h"

namespace quellon {

AboutWindow::AboutWindow(const QString& name, const QString& caption, const QColor& colour,
                         int width, int leftOffset, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window | Qt::WindowStaysOnTopHint), leftOffset_(leftOffset) {
    setObjectName(name);
    setWindowTitle(caption);
    setAttribute(Qt::WA_QuitOnClose, false);
    // Shown beside the main window, whose keyboard stays where it was.
    setAttribute(Qt::WA_ShowWithoutActivating);
    if (colour.isValid()) design::setBackground(this, colour);
    resize(width, 150);

    // The label scrolls where the screen leaves the window less than its
    // text's height.
    auto* scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->viewport()->setAutoFillBackground(false);  // the window's colour shows
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetNoConstraint);  // the height is the text's
    layout->addWidget(scroller);

    Lbl = new QLabel;
    Lbl->setObjectName(QStringLiteral("Lbl"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(17);
    Lbl->setFont(font);
    Lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroller->setWidget(Lbl);
}

void AboutWindow::showText(const QString& caption, const QStringList& lines) {
    setWindowTitle(caption);
    resize(width(), heightFor(static_cast<int>(lines.size())));
    Lbl->setText(lines.join(u'\n'));
    Lbl->adjustSize();
    show();
}

void AboutWindow::showEvent(QShowEvent* event) {
    FormShow();
    QWidget::showEvent(event);
}

// Beside the main window and inside the screen, leaving the grid's first
// rows in sight. Before its first showing the window has no frame yet: the
// main window's frame stands for it.
void AboutWindow::FormShow() {
    const QWidget* main = parentWidget();
    if (!main) return;
    const QMargins frame = design::frameMargins(main);
    const int leastHeight = heightFor(kLeastLines) + frame.top() + frame.bottom();
    const QRect place = aboutWindowPlace(size().grownBy(frame), leastHeight, main->frameGeometry(),
                                         leftOffset_, design::availableArea(main));
    setGeometry(place.marginsRemoved(frame));
}

}  // namespace quellon
