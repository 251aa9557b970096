// Where the launcher's windows stand on the screen. Rectangles are frame
// rectangles in the screen's logical pixels (after display scaling), so a
// window fitted here shows its title bar and its buttons whole.
#pragma once

#include <QRect>
#include <QSize>

namespace quellon {

// The wanted rectangle moved, and shrunk where it is larger, so that it
// lies inside `available`.
QRect fitInto(const QRect& wanted, const QRect& available);

// An about window: `leftOffset` right of the main window's left edge, below
// the main window where the room there takes `frameSize` or at least
// `leastHeight` of it, else above it on the same terms, else at the
// screen's bottom, where it covers only the lower part of the main window,
// not the first rows of its grid. Shortened to the room it gets; always
// inside `available`.
QRect aboutWindowPlace(const QSize& frameSize, int leastHeight, const QRect& mainFrame,
                       int leftOffset, const QRect& available);

}  // namespace quellon
