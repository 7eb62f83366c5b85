#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

// One text a custom-painted widget draws: where, in which font and colour. Widgets list
// them so that tests can check each one fits its box.
struct PaintedText
{
    QString text;
    QRectF box;
    QFont font;
    QColor color;
    Qt::Alignment alignment;

    // Whole pixels, so that boxes laid out from them never cut a glyph.
    static qreal lineHeight(const QFont& font);
    static qreal width(const QFont& font, const QString& text);
};
