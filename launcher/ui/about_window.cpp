#include "about_window.h"

#include <QFont>
#include <QLabel>

#include "design.h"

namespace quellon {

AboutWindow::AboutWindow(const QString& name, const QString& caption, const QColor& colour,
                         int width, int leftOffset, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window | Qt::WindowStaysOnTopHint), leftOffset_(leftOffset) {
    setObjectName(name);
    setWindowTitle(caption);
    setAttribute(Qt::WA_QuitOnClose, false);
    if (colour.isValid()) design::setBackground(this, colour);
    resize(width, 150);

    Lbl = new QLabel(this);
    Lbl->setObjectName(QStringLiteral("Lbl"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(17);
    Lbl->setFont(font);
    Lbl->move(0, 0);
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

void AboutWindow::FormShow() {
    const QWidget* main = parentWidget();
    if (main) move(main->x() + leftOffset_, main->y());
}

}  // namespace quellon
