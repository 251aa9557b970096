#include "screen_fit.h"

#include <algorithm>

namespace quellon {

QRect fitInto(const QRect& wanted, const QRect& available) {
    const int width = std::min(wanted.width(), available.width());
    const int height = std::min(wanted.height(), available.height());
    const int left = std::clamp(wanted.left(), available.left(), available.right() - width + 1);
    const int top = std::clamp(wanted.top(), available.top(), available.bottom() - height + 1);
    return QRect(left, top, width, height);
}

QRect aboutWindowPlace(const QSize& frameSize, int leastHeight, const QRect& mainFrame,
                       int leftOffset, const QRect& available) {
    const int left = mainFrame.left() + leftOffset;
    const int needed = std::min(frameSize.height(), leastHeight);
    const int below = available.bottom() - mainFrame.bottom();
    const int above = mainFrame.top() - available.top();
    QRect place(QPoint(left, 0), frameSize);
    if (below >= needed) {
        place.setTop(mainFrame.bottom() + 1);
        place.setHeight(std::min(frameSize.height(), below));
    } else if (above >= needed) {
        place.setHeight(std::min(frameSize.height(), above));
        place.moveBottom(mainFrame.top() - 1);
    } else {
        place.moveBottom(available.bottom());
    }
    return fitInto(place, available);
}

}  // namespace quellon
