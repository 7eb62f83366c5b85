#include "SystemColors.h"

#include <QtMath>

namespace {

qreal channelLuminance(float channel)
{
    return channel <= 0.04045f ? channel / 12.92 : qPow((channel + 0.055) / 1.055, 2.4);
}

qreal luminance(const QColor& color)
{
    return 0.2126 * channelLuminance(color.redF()) + 0.7152 * channelLuminance(color.greenF()) +
           0.0722 * channelLuminance(color.blueF());
}

} // namespace

QColor SystemColors::green(const QPalette& palette)
{
    return isDark(palette) ? QColor(0x30, 0xD1, 0x58) : green();
}

QColor SystemColors::orange(const QPalette& palette)
{
    return isDark(palette) ? QColor(0xFF, 0x9F, 0x0A) : orange();
}

QColor SystemColors::red(const QPalette& palette)
{
    return isDark(palette) ? QColor(0xFF, 0x45, 0x3A) : red();
}

QColor SystemColors::blue(const QPalette& palette)
{
    return isDark(palette) ? QColor(0x0A, 0x84, 0xFF) : blue();
}

bool SystemColors::isDark(const QPalette& palette)
{
    return luminance(palette.color(QPalette::Window)) <
           luminance(palette.color(QPalette::WindowText));
}

QColor SystemColors::boxFill(const QPalette& palette)
{
    return blend(palette.color(QPalette::WindowText), palette.color(QPalette::Window), 0.05);
}

QColor SystemColors::secondary(const QPalette& palette)
{
    const QColor half =
        blend(palette.color(QPalette::WindowText), palette.color(QPalette::Window), 0.5);
    return textOnPanel(half, palette);
}

QColor SystemColors::textOnPanel(const QColor& ink, const QPalette& palette)
{
    // The box is the harder of the two backgrounds: it leans towards the text colour.
    const QColor opaque = blend(ink, palette.color(QPalette::Window), ink.alphaF());
    return readableOn(opaque, boxFill(palette));
}

QColor SystemColors::accentFill(const QPalette& palette, bool enabled)
{
    QColor accent = palette.color(QPalette::Active, QPalette::Highlight);
    if (!enabled) {
        // Greyer, so the button looks at rest, yet its text stays readable.
        accent = QColor::fromHsvF(accent.hsvHueF(), accent.hsvSaturationF() * 0.4f,
                                  accent.valueF() * 0.85f);
    }
    return readableOn(accent, onAccent(palette));
}

QColor SystemColors::onAccent(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::HighlightedText);
}

QColor SystemColors::blend(const QColor& top, const QColor& bottom, qreal topShare)
{
    const auto mix = [topShare](float a, float b) { return b + (a - b) * float(topShare); };
    return QColor::fromRgbF(mix(top.redF(), bottom.redF()), mix(top.greenF(), bottom.greenF()),
                            mix(top.blueF(), bottom.blueF()));
}

qreal SystemColors::contrast(const QColor& first, const QColor& second)
{
    const qreal a = luminance(first);
    const qreal b = luminance(second);
    return (qMax(a, b) + 0.05) / (qMin(a, b) + 0.05);
}

QColor SystemColors::withContrast(const QColor& color, const QColor& against, qreal ratio)
{
    // Away from the background: towards whichever end of the scale contrasts with it more.
    const QColor end = contrast(Qt::black, against) >= contrast(Qt::white, against)
                           ? QColor(Qt::black)
                           : QColor(Qt::white);
    QColor moved = color;
    for (int step = 1; step <= 50 && contrast(moved, against) < ratio; ++step)
        moved = blend(end, color, step / 50.0);
    return moved;
}

QColor SystemColors::readableOn(const QColor& ink, const QColor& background)
{
    return withContrast(ink, background, 4.65);
}
