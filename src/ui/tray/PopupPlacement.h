#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the drop-down panel goes: under the tray icon when its place is known, otherwise at
// the pointer; above instead when there is no room below (a panel at the bottom of the
// screen); always inside the screen's available area.
class PopupPlacement
{
public:
    static QPoint topLeft(const QRect& iconGeometry, const QPoint& cursor, const QSize& size,
                          const QRect& available);
};
