#include "SystemFont.h"

#include <QGuiApplication>

QFont SystemFont::font(qreal pointSize, QFont::Weight weight)
{
    QFont font = QGuiApplication::font();
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}
