#include "PaintedText.h"

#include <QFontMetricsF>
#include <QtMath>

qreal PaintedText::lineHeight(const QFont& font)
{
    return qCeil(QFontMetricsF(font).height());
}

qreal PaintedText::width(const QFont& font, const QString& text)
{
    return qCeil(QFontMetricsF(font).horizontalAdvance(text));
}
