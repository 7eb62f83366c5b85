#include "SystemFont.h"

#include <QGuiApplication>

QFont SystemFont::font(qreal pointSize, QFont::Weight weight)
{
    return font(QGuiApplication::font(), pointSize, weight);
}

QFont SystemFont::font(const QFont& base, qreal pointSize, QFont::Weight weight)
{
    QFont font = base;
    // A point of the panel design is one (device-independent) pixel; a desktop point at
    // 96 dpi would make every text a third larger than the layout around it.
    font.setPixelSize(qMax(1, qRound(pointSize)));
    font.setWeight(weight);
    return font;
}
