// The common shape of the two about windows: one label at the top left
// corner, not modal, on top of other windows, placed below (or else above)
// the main window each time it is shown, inside the screen.
#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

class QLabel;

namespace quellon {

class AboutWindow : public QWidget {
    Q_OBJECT
public:
    // 22 pixels a line of text and 40 for the rest.
    static int heightFor(int lineCount) { return lineCount * 22 + 40; }
    // Where the screen leaves less room than the text needs, the window
    // still shows this many lines and scrolls.
    static constexpr int kLeastLines = 3;

    // Shows the lines under the caption, with a height that fits them.
    void showText(const QString& caption, const QStringList& lines);

protected:
    // `leftOffset`: where the window stands right of the main window's left edge.
    AboutWindow(const QString& name, const QString& caption, const QColor& colour, int width,
                int leftOffset, QWidget* mainWindow);

    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    QLabel* Lbl;
    int leftOffset_;
};

}  // namespace quellon
