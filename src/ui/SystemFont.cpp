#include "SystemFont.h"

#include <QGuiApplication>

QFont SystemFont::font(qreal pointSize, QFont::Weight weight)
{
    return font(QGuiApplication::font(), pointSize, weight);
}

QFont SystemFont::font(const QFont& base, qreal pointSize, QFont::Weight weight)
{
    QFont font = base;
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}
