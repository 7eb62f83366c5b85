#include "PopupPlacement.h"

#include <algorithm>

namespace {

int clamp(int value, int low, int high)
{
    // A panel larger than the area keeps its top-left corner visible.
    return std::max(low, std::min(value, high));
}

} // namespace

QPoint PopupPlacement::topLeft(const QRect& iconGeometry, const QPoint& cursor, const QSize& size,
                               const QRect& available)
{
    const bool underIcon = iconGeometry.isValid();
    const QRect anchor = underIcon ? iconGeometry : QRect(cursor, QSize(1, 1));
    int x = underIcon ? anchor.left() + anchor.width() / 2 - size.width() / 2 : anchor.left();
    int y = anchor.bottom() + 1;
    if (y + size.height() > available.bottom() + 1 &&
        anchor.top() - size.height() >= available.top())
        y = anchor.top() - size.height();
    x = clamp(x, available.left(), available.right() + 1 - size.width());
    y = clamp(y, available.top(), available.bottom() + 1 - size.height());
    return {x, y};
}
