#include "MenuBarLabel.h"

#include "model/UsageBand.h"
#include "ui/style/SystemColors.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>
#include <functional>

namespace {

constexpr qint64 kNeedleThirdFrom = 35;

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

// A dark rim of the band's own hue under every stroke and digit: it sets the colours off a
// light panel and melts into a dark one.
QColor rimColor(const QColor& color)
{
    QColor rim = color.darker(300);
    rim.setAlpha(200);
    return rim;
}

// The dial: an arc from lower left (at rest) clockwise to lower right (full), with the
// needle from its centre.
struct Dial
{
    QPointF center;
    // Semi-axes: a dial may be squat, wider than it is tall.
    qreal radiusX = 0;
    qreal radiusY = 0;
    qreal stroke = 0;
    qreal startDegrees = 0;
    qreal sweepDegrees = 0;
    // The scale may stop short of the needle's rest and full positions.
    qreal scaleInsetDegrees = 0;

    QPointF point(qreal radiusShare, qreal fraction) const
    {
        const qreal radians = qDegreesToRadians(startDegrees - fraction * sweepDegrees);
        return center + QPointF(radiusX * radiusShare * qCos(radians),
                                -radiusY * radiusShare * qSin(radians));
    }
};

using Shapes = std::function<void(QPainter& painter, const QColor& ink, qreal grow)>;

// Paints the shapes in the colour over a rim of the same shapes grown by the halo. The rim is
// drawn solid first and laid down at its own strength, so overlapping shapes never darken it.
void paintWithRim(QPainter& painter, const QColor& color, qreal halo, const Shapes& shapes)
{
    QImage rim(painter.device()->width(), painter.device()->height(),
               QImage::Format_ARGB32_Premultiplied);
    rim.fill(Qt::transparent);
    const QColor rimInk = rimColor(color);
    {
        QPainter rimPainter(&rim);
        rimPainter.setRenderHints(painter.renderHints());
        shapes(rimPainter, QColor(rimInk.red(), rimInk.green(), rimInk.blue()), halo);
    }
    painter.save();
    painter.setOpacity(rimInk.alphaF());
    painter.drawImage(0, 0, rim);
    painter.restore();
    shapes(painter, color, 0);
}

void paintDial(QPainter& painter, const Dial& dial, MenuBarLabel::Needle needle,
               const QColor& color, qreal halo, bool withDots)
{
    const QRectF arcRect(dial.center.x() - dial.radiusX, dial.center.y() - dial.radiusY,
                         2 * dial.radiusX, 2 * dial.radiusY);
    QPainterPath arc;
    const qreal scaleStart = dial.startDegrees - dial.scaleInsetDegrees;
    arc.arcMoveTo(arcRect, scaleStart);
    arc.arcTo(arcRect, scaleStart, -(dial.sweepDegrees - 2 * dial.scaleInsetDegrees));
    const QPointF tip = dial.point(0.7, needleFraction(needle));
    const qreal hub = dial.stroke * 0.6;

    paintWithRim(painter, color, halo, [&](QPainter& p, const QColor& ink, qreal grow) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, dial.stroke + 2 * grow, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(arc);
        p.setPen(QPen(ink, dial.stroke * 0.8 + 2 * grow, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(dial.center, tip);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(dial.center, hub + grow, hub + grow);
        // The dots mark the quarters inside the dial where there is room for them.
        if (withDots) {
            const qreal dot = dial.stroke * 0.3 + grow;
            for (const qreal fraction : {0.0, 0.25, 0.5, 0.75, 1.0})
                p.drawEllipse(dial.point(1 - dial.stroke * 1.6 / dial.radiusX, fraction), dot, dot);
        }
    });
}

QFont numberFont(qreal pixelSize)
{
    QFont font;
    font.setPixelSize(qMax(1, qFloor(pixelSize)));
    font.setWeight(QFont::Bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// The number in the band colour over a rim of its own shape: its digits as tall as the box
// allows (less the rim), a wide number squeezed a little before it is made smaller.
void paintNumber(QPainter& painter, const QRectF& box, const QString& number, const QColor& color,
                 qreal halo)
{
    const qreal digitHeight = box.height() - 2 * halo;
    QFont font = numberFont(digitHeight / QFontMetricsF(numberFont(100)).capHeight() * 100);
    const qreal room = box.width() - 2 * halo;
    const qreal natural = QFontMetricsF(font).horizontalAdvance(number);
    constexpr qreal kMostSqueeze = 0.75;
    const qreal squeeze = qBound(kMostSqueeze, room / natural, 1.0);
    if (natural * squeeze > room)
        font = numberFont(font.pixelSize() * room / (natural * squeeze));
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(number) * squeeze;
    // Digits stand on the baseline and reach the cap height; the baseline sits on a pixel row.
    const QPointF origin((box.center().x() - width / 2) / squeeze,
                         qRound(box.center().y() + metrics.capHeight() / 2));

    paintWithRim(painter, color, halo, [&](QPainter& p, const QColor& ink, qreal grow) {
        p.save();
        p.scale(squeeze, 1);
        p.setFont(font);
        p.setPen(ink);
        // Hinted glyphs stay sharp; the rim is the same glyphs stamped around them.
        const int reach = qRound(grow);
        for (int dx = -reach; dx <= reach; ++dx)
            for (int dy = -reach; dy <= reach; ++dy)
                if (dx * dx + dy * dy <= reach * reach + 1)
                    p.drawText(origin + QPointF(dx / squeeze, dy), number);
        p.restore();
    });
}

// A short bar where the number goes, until there is one to show.
void paintDash(QPainter& painter, const QRectF& box, qreal stroke, const QColor& color, qreal halo)
{
    const qreal halfWidth = qMin(box.width(), box.height()) * 0.3;
    const QPointF centre = box.center();
    paintWithRim(painter, color, halo, [&](QPainter& p, const QColor& ink, qreal grow) {
        p.setPen(QPen(ink, stroke + 2 * grow, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(centre - QPointF(halfWidth, 0), centre + QPointF(halfWidth, 0));
    });
}

} // namespace

MenuBarLabel::Needle MenuBarLabel::needle(qint64 percent)
{
    switch (usageBandOf(percent)) {
    case UsageBand::Critical:
        return Needle::Full;
    case UsageBand::Warning:
        return Needle::TwoThirds;
    case UsageBand::Normal:
        break;
    }
    // The gauge's own step within the first band.
    return percent >= kNeedleThirdFrom ? Needle::Third : Needle::Bottom;
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

QColor MenuBarLabel::color(qint64 percent, const QPalette& palette)
{
    switch (band(percent)) {
    case Band::Red:
        return SystemColors::red(palette);
    case Band::Orange:
        return SystemColors::orange(palette);
    case Band::Green:
        return SystemColors::green(palette);
    }
    return SystemColors::green(palette);
}

QString MenuBarLabel::percentText(qint64 percent)
{
    return QString::asprintf("%lld%%", static_cast<long long>(percent));
}

QString MenuBarLabel::toolTip(std::optional<qint64> percent, bool configured, const QString& age)
{
    const QString name = QStringLiteral("Pallowe");
    const QString first =
        configured && percent ? name + QStringLiteral(" — ") + percentText(*percent) : name;
    return age.isEmpty() ? first : first + u'\n' + age;
}

QList<int> MenuBarLabel::iconSizes()
{
    return {16, 22, 24, 32, 48, 64};
}

QImage MenuBarLabel::image(std::optional<qint64> percent, bool configured, int size)
{
    return image(percent, configured, size, QGuiApplication::palette());
}

QImage MenuBarLabel::image(std::optional<qint64> reading, bool configured, int size,
                           const QPalette& palette)
{
    const qint64 percent = reading.value_or(0);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QColor ink = color(percent, palette);
    const qreal halo = qBound(1.0, size / 22.0, 3.0);
    Dial dial;
    dial.stroke = qMax(2.0, size * 0.13);
    if (!configured) {
        // The gauge alone, as large as the square allows: nothing to read, only a state.
        dial.startDegrees = 225;
        dial.sweepDegrees = 270;
        dial.radiusX = dial.radiusY = (size - dial.stroke - 2 * halo) / 2.0;
        dial.center = QPointF(size / 2.0, size / 2.0 + dial.radiusY * 0.12);
        paintDial(painter, dial, needle(percent), ink, halo, size >= 48);
        return image;
    }
    // A squat half dial over the number, as wide as the square: the needle lies flat at
    // rest and when full, below the ends of the scale, and points up-left or up-right in
    // between. The number, the thing to read, takes the rest of the height.
    dial.startDegrees = 180;
    dial.sweepDegrees = 180;
    dial.scaleInsetDegrees = 22;
    dial.radiusX = (size - dial.stroke - 2 * halo) / 2.0;
    // At the smallest size the digits need every pixel row they can get.
    dial.radiusY = dial.radiusX * (size < 20 ? 0.5 : 0.72);
    dial.center = QPointF(size / 2.0, halo + dial.stroke / 2.0 + dial.radiusY);
    paintDial(painter, dial, needle(percent), ink, halo, false);
    const qreal numberTop = dial.center.y() + dial.stroke * 0.4 + halo;
    if (!reading) {
        paintDash(painter, QRectF(0, numberTop, size, size - numberTop), dial.stroke, ink, halo);
        return image;
    }
    paintNumber(painter, QRectF(0, numberTop, size, size - numberTop), QString::number(percent),
                ink, halo);
    return image;
}

QIcon MenuBarLabel::icon(std::optional<qint64> percent, bool configured)
{
    return icon(percent, configured, QGuiApplication::palette());
}

QIcon MenuBarLabel::icon(std::optional<qint64> percent, bool configured, const QPalette& palette)
{
    QIcon icon;
    for (const int size : iconSizes())
        icon.addPixmap(QPixmap::fromImage(image(percent, configured, size, palette)));
    return icon;
}
