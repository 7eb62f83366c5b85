#pragma once

#include <QColor>
#include <QPalette>

// The few named colours the interface uses, close to the desktop conventions for
// "all good", "watch out", "limit reached" and accents, and the rules that keep text in
// them readable on whatever palette the desktop gives us.
class SystemColors
{
public:
    // As they look on a light desktop.
    static QColor green() { return QColor(0x34, 0xC7, 0x59); }
    static QColor orange() { return QColor(0xFF, 0x95, 0x00); }
    static QColor red() { return QColor(0xFF, 0x3B, 0x30); }
    static QColor blue() { return QColor(0x00, 0x7A, 0xFF); }

    // The same colours as the palette's appearance shows them: a little brighter when dark.
    static QColor green(const QPalette& palette);
    static QColor orange(const QPalette& palette);
    static QColor red(const QPalette& palette);
    static QColor blue(const QPalette& palette);

    static bool isDark(const QPalette& palette);
    // The lightly shaded boxes the panels group their rows in.
    static QColor boxFill(const QPalette& palette);
    // Dimmed text for supporting lines: the text colour blended into the window, as far as
    // it can go and still read on the window and in a box.
    static QColor secondary(const QPalette& palette);
    // A coloured text colour darkened or lightened just enough to read on the window and
    // in a box.
    static QColor textOnPanel(const QColor& ink, const QPalette& palette);
    // The one main action of a window: the desktop's accent, dimmed when disabled, with a
    // text colour that reads on it.
    static QColor accentFill(const QPalette& palette, bool enabled = true);
    static QColor onAccent(const QPalette& palette);

    static QColor blend(const QColor& top, const QColor& bottom, qreal topShare);
    // Contrast ratio of two opaque colours, from 1 to 21 (WCAG 2).
    static qreal contrast(const QColor& first, const QColor& second);
    // The colour moved away from the other one, towards black or white, until the two reach
    // the ratio.
    static QColor withContrast(const QColor& color, const QColor& against, qreal ratio);
    // Text in that colour on that background, moved as little as it takes to read (WCAG's
    // 4.5:1 for body text, and a hair more so rounding never lands under it).
    static QColor readableOn(const QColor& ink, const QColor& background);
};
