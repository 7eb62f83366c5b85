#pragma once

#include <QColor>
#include <QPalette>

// The few named colours the interface uses, close to the desktop conventions for
// "all good", "watch out", "limit reached" and accents.
class SystemColors
{
public:
    static QColor green() { return QColor(0x34, 0xC7, 0x59); }
    static QColor orange() { return QColor(0xFF, 0x95, 0x00); }
    static QColor red() { return QColor(0xFF, 0x3B, 0x30); }
    static QColor blue() { return QColor(0x00, 0x7A, 0xFF); }

    // Dimmed text for supporting lines: the palette's text colour at half strength, so it
    // follows light and dark themes.
    static QColor secondary(const QPalette& palette);
};
