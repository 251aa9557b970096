// Colours and small builders shared by the launcher's windows, so every
// window draws its components with the same few rules.
#pragma once

#include <QColor>
#include <QMargins>
#include <QRect>
#include <QString>

class QLabel;
class QToolButton;
class QWidget;

namespace quellon::design {

// The title of the main window and of its message boxes.
inline constexpr char kProductTitle[] = "Quellon";

inline QColor clRed() { return QColor(255, 0, 0); }
inline QColor clBlack() { return QColor(0, 0, 0); }
inline QColor clGreen() { return QColor(0, 128, 0); }
inline QColor clBlue() { return QColor(0, 0, 255); }
inline QColor clMoneyGreen() { return QColor(192, 220, 192); }
inline QColor clInfoBk() { return QColor(255, 255, 225); }

// The colour of a widget's caption text.
void setFontColour(QWidget* widget, const QColor& colour);

// Fills the widget's background with the colour.
void setBackground(QWidget* widget, const QColor& colour);

// A speed button: a tool button with a caption at a fixed place; a flat one
// shows its frame only under the mouse.
QToolButton* speedButton(QWidget* parent, const QString& name, const QString& caption,
                         const QRect& place, bool flat = false);

// The window frame's width on each side of a shown top-level window (zero
// where the platform draws none).
QMargins frameMargins(const QWidget* window);

// The screen area free for windows (without task bars) where the widget is.
QRect availableArea(const QWidget* widget);

// A coloured caption bar: a sunken or raised panel showing one line of text.
QLabel* captionPanel(QWidget* parent, const QString& name, const QString& caption,
                     const QColor& colour);

}  // namespace quellon::design
