#include "design.h"

#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QToolButton>
#include <QWidget>

namespace quellon::design {

void setFontColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QToolButton* speedButton(QWidget* parent, const QString& name, const QString& caption,
                         const QRect& place, bool flat) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setGeometry(place);
    button->setAutoRaise(flat);
    return button;
}

QMargins frameMargins(const QWidget* window) {
    const QRect inside = window->geometry();
    const QRect frame = window->frameGeometry();
    return QMargins(inside.left() - frame.left(), inside.top() - frame.top(),
                    frame.right() - inside.right(), frame.bottom() - inside.bottom());
}

QRect availableArea(const QWidget* widget) {
    const QScreen* screen = widget->screen();
    return screen ? screen->availableGeometry() : QRect();
}

QLabel* captionPanel(QWidget* parent, const QString& name, const QString& caption,
                     const QColor& colour) {
    auto* panel = new QLabel(caption, parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setBackground(panel, colour);
    return panel;
}

}  // namespace quellon::design
