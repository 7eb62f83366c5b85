#include "SymbolPainter.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPixmap>
#include <QtMath>
#include <array>
#include <utility>

namespace {

// Glyphs are drawn on a 24 x 24 grid with 2-unit round strokes, then scaled.
constexpr qreal grid = 24.0;
constexpr qreal strokeWidth = 2.0;

QPainterPath circle(QPointF center, qreal radius)
{
    QPainterPath path;
    path.addEllipse(center, radius, radius);
    return path;
}

QPainterPath roundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath widened(const QPainterPath& path, qreal width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path).united(path);
}

QPainterPath gearOutline(qreal outer, qreal inner, int teeth)
{
    QPainterPath path;
    const QPointF center(12, 12);
    const qreal step = 360.0 / teeth;
    for (int i = 0; i < teeth; ++i) {
        const qreal middle = i * step;
        const std::array<std::pair<qreal, qreal>, 4> corners{{
            {middle - step * 0.5, inner},
            {middle - step * 0.2, outer},
            {middle + step * 0.2, outer},
            {middle + step * 0.5, inner},
        }};
        for (const auto& [degrees, radius] : corners) {
            const QPointF point = center + QPointF(radius * qCos(qDegreesToRadians(degrees)),
                                                   radius * qSin(qDegreesToRadians(degrees)));
            if (path.elementCount() == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
    }
    path.closeSubpath();
    return path;
}

// Solid parts take the pen's colour, so one colour drives the whole glyph.
void fill(QPainter& painter, const QPainterPath& path)
{
    painter.fillPath(path, painter.pen().color());
}

void drawChartBar(QPainter& painter)
{
    QPainterPath bars;
    bars.addRoundedRect(QRectF(3, 13, 5, 8), 1.5, 1.5);
    bars.addRoundedRect(QRectF(9.5, 8, 5, 13), 1.5, 1.5);
    bars.addRoundedRect(QRectF(16, 3, 5, 18), 1.5, 1.5);
    fill(painter, bars);
}

void drawWarningTriangle(QPainter& painter)
{
    QPainterPath triangle;
    triangle.moveTo(12, 3.5);
    triangle.lineTo(21.5, 20);
    triangle.lineTo(2.5, 20);
    triangle.closeSubpath();
    QPainterPath mark = roundedRect(QRectF(10.9, 8.5, 2.2, 6.8), 1.1);
    mark.addEllipse(QPointF(12, 17.4), 1.25, 1.25);
    fill(painter, widened(triangle, 2.5).subtracted(mark));
}

void drawClock(QPainter& painter)
{
    painter.drawEllipse(QPointF(12, 12), 9, 9);
    painter.drawPolyline(QPolygonF({QPointF(12, 6.5), QPointF(12, 12), QPointF(15.5, 14)}));
}

void drawCalendar(QPainter& painter)
{
    painter.drawRoundedRect(QRectF(3, 4.5, 18, 16.5), 2.5, 2.5);
    painter.drawLine(QPointF(3, 9.5), QPointF(21, 9.5));
    painter.drawLine(QPointF(8, 2.5), QPointF(8, 6));
    painter.drawLine(QPointF(16, 2.5), QPointF(16, 6));
    QPainterPath dots;
    for (const qreal y : {13.5, 17.0})
        for (const qreal x : {8.0, 12.0, 16.0})
            dots.addEllipse(QPointF(x, y), 1.1, 1.1);
    fill(painter, dots);
}

void drawCreditCard(QPainter& painter)
{
    painter.drawRoundedRect(QRectF(2.5, 5, 19, 14), 2.5, 2.5);
    fill(painter, roundedRect(QRectF(2.5, 8.5, 19, 3), 0));
    painter.drawLine(QPointF(6, 15.5), QPointF(9.5, 15.5));
}

void drawXmarkCircle(QPainter& painter)
{
    painter.drawEllipse(QPointF(12, 12), 9, 9);
    painter.drawLine(QPointF(8.8, 8.8), QPointF(15.2, 15.2));
    painter.drawLine(QPointF(15.2, 8.8), QPointF(8.8, 15.2));
}

void drawGear(QPainter& painter, bool filled)
{
    const QPainterPath gear = gearOutline(10, 7.4, 8);
    if (filled) {
        fill(painter, widened(gear, 1.0).subtracted(circle(QPointF(12, 12), 3.2)));
        return;
    }
    painter.drawPath(gear);
    painter.drawEllipse(QPointF(12, 12), 3, 3);
}

void drawArrowClockwise(QPainter& painter)
{
    const QRectF dial(4, 5, 16, 16);
    QPainterPath arc;
    arc.arcMoveTo(dial, 40);
    arc.arcTo(dial, 40, -300);
    painter.drawPath(arc);
    QPainterPath head;
    head.moveTo(15.5, 5.1);
    head.lineTo(10.6, 1.4);
    head.lineTo(10.6, 8.8);
    head.closeSubpath();
    fill(painter, widened(head, 1.0));
}

void drawSignOut(QPainter& painter)
{
    painter.save();
    QPainterPath allowed;
    allowed.addRect(QRectF(0, 0, grid, grid));
    allowed = allowed.subtracted(roundedRect(QRectF(11, 8.5, 13, 7), 0));
    painter.setClipPath(allowed, Qt::IntersectClip);
    painter.drawRoundedRect(QRectF(3, 3, 11, 18), 2.5, 2.5);
    painter.restore();
    painter.drawLine(QPointF(9, 12), QPointF(21, 12));
    painter.drawPolyline(QPolygonF({QPointF(17.5, 8.5), QPointF(21, 12), QPointF(17.5, 15.5)}));
}

void drawPersonKey(QPainter& painter)
{
    QPainterPath key;
    key.addEllipse(QPointF(18, 12.5), 2.6, 2.6);
    key.moveTo(18, 15.1);
    key.lineTo(18, 21.5);
    key.moveTo(18, 18.5);
    key.lineTo(20.3, 18.5);

    QPainterPath person = circle(QPointF(9, 7), 4);
    person.addRoundedRect(QRectF(1.5, 13, 15, 8.5), 4.2, 4.2);
    QPainterPath keyArea = widened(key, strokeWidth + 3.0);
    keyArea.addEllipse(QPointF(18, 12.5), 4.2, 4.2);
    fill(painter, person.simplified().subtracted(keyArea));
    painter.drawPath(key);
}

void drawCompass(QPainter& painter)
{
    painter.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    QPainterPath needle;
    needle.moveTo(16.8, 7.2);
    needle.lineTo(13.4, 13.4);
    needle.lineTo(7.2, 16.8);
    needle.lineTo(10.6, 10.6);
    needle.closeSubpath();
    fill(painter, needle);
}

void drawBell(QPainter& painter)
{
    QPainterPath bell;
    bell.moveTo(12, 4);
    bell.cubicTo(8.2, 4, 6.3, 6.8, 6.3, 10.2);
    bell.lineTo(6.3, 14.5);
    bell.lineTo(4, 17.5);
    bell.lineTo(20, 17.5);
    bell.lineTo(17.7, 14.5);
    bell.lineTo(17.7, 10.2);
    bell.cubicTo(17.7, 6.8, 15.8, 4, 12, 4);
    painter.drawPath(bell);
    painter.drawLine(QPointF(12, 2.2), QPointF(12, 4));
    QPainterPath clapper;
    clapper.moveTo(10, 20);
    clapper.quadTo(12, 22.2, 14, 20);
    painter.drawPath(clapper);
}

} // namespace

SymbolPainter::SymbolPainter(SymbolIcon::Name name, const QColor& color)
    : m_name(name), m_color(color)
{}

void SymbolPainter::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State)
{
    // The glyph is drawn opaque and laid down once with the colour's alpha, so strokes that
    // cross do not show darker joints in a translucent tint.
    const qreal side = qMin(rect.width(), rect.height());
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const int pixels = qCeil(side * ratio);
    if (pixels <= 0)
        return;
    QImage layer(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter glyph(&layer);
        glyph.setRenderHint(QPainter::Antialiasing);
        glyph.scale(pixels / grid, pixels / grid);
        QColor opaque = m_color;
        opaque.setAlphaF(1.0f);
        glyph.setPen(QPen(opaque, strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        drawGlyph(glyph);
    }
    qreal opacity = m_color.alphaF();
    if (mode == QIcon::Disabled)
        opacity *= 0.4;

    painter->save();
    painter->setOpacity(painter->opacity() * opacity);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF target(rect.x() + (rect.width() - side) / 2.0,
                        rect.y() + (rect.height() - side) / 2.0, side, side);
    painter->drawImage(target, layer);
    painter->restore();
}

QPixmap SymbolPainter::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    painter.end();
    return QPixmap::fromImage(image);
}

QIconEngine* SymbolPainter::clone() const
{
    return new SymbolPainter(m_name, m_color);
}

QString SymbolPainter::key() const
{
    return QStringLiteral("PalloweSymbol");
}

void SymbolPainter::drawGlyph(QPainter& painter) const
{
    using Name = SymbolIcon::Name;
    switch (m_name) {
    case Name::ChartBarFill:
        return drawChartBar(painter);
    case Name::ExclamationmarkTriangleFill:
        return drawWarningTriangle(painter);
    case Name::Clock:
        return drawClock(painter);
    case Name::Calendar:
        return drawCalendar(painter);
    case Name::Creditcard:
        return drawCreditCard(painter);
    case Name::XmarkCircle:
        return drawXmarkCircle(painter);
    case Name::Gearshape:
        return drawGear(painter, false);
    case Name::GearshapeFill:
        return drawGear(painter, true);
    case Name::ArrowClockwise:
        return drawArrowClockwise(painter);
    case Name::RectanglePortraitAndArrowRight:
        return drawSignOut(painter);
    case Name::PersonBadgeKeyFill:
        return drawPersonKey(painter);
    case Name::Safari:
        return drawCompass(painter);
    case Name::Bell:
        return drawBell(painter);
    }
}
