#include "MenuBarLabel.h"

#include "SystemColors.h"
#include "model/UsageBand.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace {

// The dial sweeps 240 degrees, from lower left (at rest) clockwise to lower right (full).
constexpr qreal dialStartDegrees = 210.0;
constexpr qreal dialSweepDegrees = 240.0;

qreal needleFraction(MenuBarLabel::Needle needle)
{
    switch (needle) {
    case MenuBarLabel::Needle::Bottom:
        return 0.0;
    case MenuBarLabel::Needle::Third:
        return 1.0 / 3.0;
    case MenuBarLabel::Needle::TwoThirds:
        return 2.0 / 3.0;
    case MenuBarLabel::Needle::Full:
        return 1.0;
    }
    return 0.0;
}

QPointF pointOnDial(QPointF center, qreal radius, qreal fraction)
{
    const qreal radians = qDegreesToRadians(dialStartDegrees - fraction * dialSweepDegrees);
    return center + QPointF(radius * qCos(radians), -radius * qSin(radians));
}

// A faint dark rim under every stroke keeps the light colours readable on a light panel
// and disappears on a dark one.
QColor haloColor()
{
    return QColor(0, 0, 0, 90);
}

void paintGauge(QPainter& painter, const QRectF& box, MenuBarLabel::Needle needle,
                const QColor& color)
{
    const qreal stroke = qMax(1.5, box.width() * 0.12);
    // The dial is 2r wide and 1.5r tall (its ends sit 30 degrees below the centre).
    const qreal radius = qMin((box.width() - stroke) / 2.0, (box.height() - stroke) / 1.5);
    const qreal dialHeight = radius * 1.5 + stroke;
    const QPointF center(box.center().x(),
                         box.top() + (box.height() - dialHeight) / 2.0 + stroke / 2.0 + radius);
    const QRectF arcRect(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);

    QPainterPath arc;
    arc.arcMoveTo(arcRect, dialStartDegrees);
    arc.arcTo(arcRect, dialStartDegrees, -dialSweepDegrees);

    const QPointF needleTip = pointOnDial(center, radius * 0.72, needleFraction(needle));
    const qreal hub = stroke * 0.7;

    for (const bool halo : {true, false}) {
        const QColor ink = halo ? haloColor() : color;
        const qreal extra = halo ? qMax(1.0, stroke * 0.45) : 0.0;
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ink, stroke + extra, Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(arc);
        painter.setPen(QPen(ink, stroke * 0.8 + extra, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(center, needleTip);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawEllipse(center, hub + extra / 2, hub + extra / 2);
    }

    // The dots mark the quarters inside the dial; below 24 px they would only blur the arc.
    if (box.width() >= 24) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        const qreal dot = stroke * 0.32;
        for (const qreal fraction : {0.0, 0.25, 0.5, 0.75, 1.0})
            painter.drawEllipse(pointOnDial(center, radius - stroke * 1.5, fraction), dot, dot);
    }
}

QFont numberFont(qreal pixelSize)
{
    QFont font;
    font.setPixelSize(qMax(1, qFloor(pixelSize)));
    font.setWeight(QFont::Bold);
    font.setStretch(QFont::SemiCondensed);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// The number sits on a dark rounded backing so it reads on dark and light panels alike.
void paintNumber(QPainter& painter, const QRectF& box, const QString& number, const QColor& color)
{
    QFont font = numberFont(box.height() * 0.92);
    qreal textWidth = QFontMetricsF(font).horizontalAdvance(number);
    const qreal room = box.width() - 2;
    if (textWidth > room) {
        font = numberFont(font.pixelSize() * room / textWidth);
        textWidth = QFontMetricsF(font).horizontalAdvance(number);
    }
    const qreal backingWidth =
        qMin(box.width(), qMax(textWidth + box.height() * 0.5, box.height() * 1.6));
    const QRectF backing(box.center().x() - backingWidth / 2, box.top(), backingWidth,
                         box.height());
    const qreal corner = box.height() * 0.35;

    painter.setPen(QPen(QColor(255, 255, 255, 70), 1.0));
    painter.setBrush(QColor(0x1C, 0x1C, 0x1E, 235));
    painter.drawRoundedRect(backing.adjusted(0.5, 0.5, -0.5, -0.5), corner, corner);

    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(backing, Qt::AlignCenter, number);
}

} // namespace

MenuBarLabel::Needle MenuBarLabel::needle(qint64 percent)
{
    if (percent >= 85)
        return Needle::Full;
    if (percent >= 65)
        return Needle::TwoThirds;
    if (percent >= 35)
        return Needle::Third;
    return Needle::Bottom;
}

MenuBarLabel::Band MenuBarLabel::band(qint64 percent)
{
    switch (usageBandOf(percent)) {
    case UsageBand::Critical:
        return Band::Red;
    case UsageBand::Warning:
        return Band::Orange;
    case UsageBand::Normal:
        break;
    }
    return Band::Green;
}

QColor MenuBarLabel::color(qint64 percent)
{
    switch (band(percent)) {
    case Band::Red:
        return SystemColors::red();
    case Band::Orange:
        return SystemColors::orange();
    case Band::Green:
        return SystemColors::green();
    }
    return SystemColors::green();
}

QString MenuBarLabel::percentText(qint64 percent)
{
    return QString::asprintf("%lld%%", static_cast<long long>(percent));
}

QString MenuBarLabel::toolTip(qint64 percent, bool configured, const QString& age)
{
    const QString name = QStringLiteral("Pallowe");
    const QString first = configured ? name + QStringLiteral(" — ") + percentText(percent) : name;
    return age.isEmpty() ? first : first + u'\n' + age;
}

QList<int> MenuBarLabel::iconSizes()
{
    return {16, 22, 24, 32, 48, 64};
}

QImage MenuBarLabel::image(qint64 percent, bool configured, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF square(0, 0, size, size);
    const QColor ink = color(percent);
    if (!configured) {
        paintGauge(painter, square.adjusted(0.5, 0.5, -0.5, -0.5), needle(percent), ink);
        return image;
    }
    // The number takes a little more than the lower half; the gauge shrinks into the upper part
    // above it.
    const qreal numberHeight = qRound(size * 0.55);
    const QRectF numberBox(0, size - numberHeight, size, numberHeight);
    const QRectF gaugeBox(size * 0.1, 0, size * 0.8, size - numberHeight + size * 0.1);
    paintGauge(painter, gaugeBox, needle(percent), ink);
    paintNumber(painter, numberBox, QString::number(percent), ink);
    return image;
}

QIcon MenuBarLabel::icon(qint64 percent, bool configured)
{
    QIcon icon;
    for (const int size : iconSizes())
        icon.addPixmap(QPixmap::fromImage(image(percent, configured, size)));
    return icon;
}
