#include "HistoryChart.h"

#include "model/UsageBand.h"
#include "model/UsageWindow.h"
#include "ui/panel/UsageBar.h"
#include "ui/style/PanelStyle.h"
#include "ui/style/SymbolIcon.h"
#include "ui/style/SystemColors.h"
#include "ui/style/SystemFont.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace {

using Point = HistoryChartInput::Point;

constexpr qreal kAxisSize = 10;
constexpr qreal kLegendSize = 11;
constexpr qreal kValueSize = 12;
constexpr qreal kEmptySize = 12;
constexpr qreal kLabelGap = 6;
constexpr qreal kTopBandGap = 10;
constexpr qreal kLegendSwatch = 12;
constexpr qreal kLegendSwatchGap = 5;
constexpr qreal kLegendEntryGap = 14;
constexpr qreal kBubblePadding = 8;
constexpr qreal kBubbleOffset = 12;
constexpr qreal kHoverReach = 40;
constexpr qreal kDotRadius = 3;
constexpr qreal kDotSpacing = 6;
constexpr qreal kLineWidth = 2;
constexpr qreal kEmptyMargin = 24;
constexpr int kEmptySymbolSide = 28;
constexpr double kMostAxisTop = 200;

constexpr auto lineHeight = &PaintedText::lineHeight;
constexpr auto textWidth = &PaintedText::width;

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

bool earlier(const Point& point, qint64 at)
{
    return point.at < at;
}

// At most four points per pixel column: where the line enters it, its lowest and highest
// point in the order they came, and where it leaves. A drop or a spike narrower than a pixel
// still shows, and the polygon grows with the width, not with the readings.
template <typename Place>
QPolygonF reduced(const QList<Point>& path, qint64 from, qint64 to, Place place)
{
    // One point beyond each end, so the line runs to the edge.
    auto first = std::lower_bound(path.begin(), path.end(), from, earlier);
    if (first != path.begin())
        --first;
    auto last = std::lower_bound(first, path.end(), to, earlier);
    if (last != path.end())
        ++last;

    QPolygonF polygon;
    const auto add = [&polygon](const QPointF& point) {
        if (polygon.isEmpty() || polygon.last() != point)
            polygon << point;
    };
    for (auto it = first; it != last;) {
        const QPointF entry = place(*it);
        const int column = qFloor(entry.x());
        QPointF low = entry, high = entry, exit = entry;
        int index = 0, lowIndex = 0, highIndex = 0;
        for (++it; it != last; ++it) {
            const QPointF point = place(*it);
            if (qFloor(point.x()) != column)
                break;
            ++index;
            if (point.y() > low.y()) { // screen y grows downwards
                low = point;
                lowIndex = index;
            }
            if (point.y() < high.y()) {
                high = point;
                highIndex = index;
            }
            exit = point;
        }
        const bool lowFirst = lowIndex <= highIndex;
        add(entry);
        add(lowFirst ? low : high);
        add(lowFirst ? high : low);
        add(exit);
    }
    return polygon;
}

// A long zigzag stroked whole makes the rasterizer weigh every segment on every scanline;
// in short pieces each weighs only its own few columns.
void drawInPieces(QPainter& painter, const QPolygonF& line)
{
    constexpr qsizetype kPiece = 8;
    for (qsizetype first = 0; first + 1 < line.size(); first += kPiece)
        painter.drawPolyline(line.constData() + first,
                             int(std::min(kPiece + 1, line.size() - first)));
}

} // namespace

HistoryChart::HistoryChart(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void HistoryChart::setInput(HistoryChartInput input)
{
    m_input = std::move(input);
    double highest = 0;
    for (const auto& line : m_input.lines)
        for (const Point& point : line.readings)
            highest = std::max(highest, point.percent);
    m_axisTop = highest <= 100 ? 100 : std::min(kMostAxisTop, std::ceil(highest / 25) * 25);
    m_hovered.reset();
    forgetDrawn();
}

QColor HistoryChart::inkColor(HistoryChartInput::Ink ink, const QPalette& palette)
{
    if (ink == HistoryChartInput::Ink::Main)
        return SystemColors::blue(palette);
    return SystemColors::blend(palette.color(QPalette::WindowText), palette.color(QPalette::Window),
                               0.4);
}

QPen HistoryChart::linePen(HistoryChartInput::Ink ink) const
{
    if (ink == HistoryChartInput::Ink::Context)
        return QPen(inkColor(ink, palette()), kLineWidth * 0.75, Qt::SolidLine, Qt::RoundCap,
                    Qt::RoundJoin);
    // Hard stops where the bands change, so each stretch takes its band's colour.
    QLinearGradient bands(0, yOf(0), 0, yOf(m_axisTop));
    for (const double from : {0.0, kUsageWarningFrom, kUsageCriticalFrom}) {
        const QColor color = UsageBar::bandColor(from, palette());
        if (from > 0)
            bands.setColorAt(std::nextafter(from / m_axisTop, 0.0), bands.stops().last().second);
        bands.setColorAt(from / m_axisTop, color);
    }
    return QPen(QBrush(bands), kLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

PanelStyle::Tone HistoryChart::thresholdTone() const
{
    const double threshold = m_input.threshold.value_or(0);
    return PanelStyle::thresholdTone(
        std::isfinite(threshold) ? qint64(std::clamp(threshold, 0.0, 100.0)) : 0);
}

QFont HistoryChart::axisFont() const
{
    return SystemFont::font(font(), kAxisSize);
}

QFont HistoryChart::legendFont() const
{
    return SystemFont::font(font(), kLegendSize);
}

QFont HistoryChart::valueFont() const
{
    return SystemFont::font(font(), kValueSize, QFont::DemiBold);
}

QFont HistoryChart::emptyFont() const
{
    return SystemFont::font(font(), kEmptySize);
}

QList<double> HistoryChart::percentTicks() const
{
    const double step = m_axisTop > 150 ? 50 : 25;
    QList<double> ticks;
    for (double tick = 0; tick <= m_axisTop; tick += step)
        ticks << tick;
    return ticks;
}

QRectF HistoryChart::plotRect() const
{
    const QFont axis = axisFont();
    qreal left = 0;
    for (const double tick : percentTicks())
        left = std::max(left, textWidth(axis, UsageWindow::percentText(tick)));
    const qreal top = lineHeight(legendFont()) + kTopBandGap;
    const qreal right = textWidth(axis, QStringLiteral("00:00")) / 2 + 2;
    const qreal bottom = lineHeight(axis) + kLabelGap;
    return QRectF(rect()).adjusted(left + kLabelGap, top, -right, -bottom);
}

HistoryChart::Scale HistoryChart::scale() const
{
    const QRectF plot = plotRect();
    const double span = double(std::max<qint64>(1, m_input.to - m_input.from));
    return {plot, m_input.from, plot.width() / span, plot.height() / m_axisTop, m_axisTop};
}

QPointF HistoryChart::Scale::operator()(const Point& point) const
{
    return {plot.left() + double(point.at - from) * xPerMillisecond,
            plot.bottom() - std::clamp(point.percent, 0.0, top) * yPerPercent};
}

double HistoryChart::xOf(qint64 at) const
{
    return scale()({at, 0}).x();
}

double HistoryChart::yOf(double percent) const
{
    return scale()({m_input.from, percent}).y();
}

QPointF HistoryChart::position(const Point& point) const
{
    return scale()(point);
}

void HistoryChart::forgetDrawn()
{
    m_drawn.reset();
    update();
}

const HistoryChart::Drawn& HistoryChart::drawn() const
{
    if (m_drawn)
        return *m_drawn;
    Drawn drawn;
    const Scale place = scale(); // worked out once, not per point
    drawn.plot = place.plot;
    for (const auto& line : m_input.lines)
        drawn.lines << reduced(line.path, m_input.from, m_input.to, place);
    if (m_input.lines.size() == 1 && drawn.lines.first().size() > 1) {
        drawn.area = drawn.lines.first();
        drawn.area << QPointF(drawn.area.last().x(), drawn.plot.bottom())
                   << QPointF(drawn.area.first().x(), drawn.plot.bottom());
    }
    for (const auto& line : m_input.lines) {
        if (!m_input.dots || line.readings.size() > drawn.plot.width() / kDotSpacing)
            continue;
        for (const Point& point : line.readings)
            drawn.dots << Dot{place(point), point.percent};
    }
    m_drawn = std::move(drawn);
    return *m_drawn;
}

const QList<QPolygonF>& HistoryChart::drawnLines() const
{
    return drawn().lines;
}

std::optional<qint64> HistoryChart::nearestReading(const QPointF& pointer) const
{
    const QRectF plot = plotRect();
    if (m_input.isEmpty() || plot.width() <= 0 || pointer.y() < plot.top() ||
        pointer.y() > plot.bottom())
        return std::nullopt;
    const double span = double(m_input.to - m_input.from);
    const auto at = m_input.from + qint64((pointer.x() - plot.left()) / plot.width() * span);
    std::optional<qint64> nearest;
    qreal distance = kHoverReach;
    for (const auto& line : m_input.lines) {
        const auto next = std::lower_bound(line.readings.begin(), line.readings.end(), at, earlier);
        for (auto it = next == line.readings.begin() ? next : next - 1;
             it != line.readings.end() && it <= next; ++it) {
            const qreal away = qAbs(xOf(it->at) - pointer.x());
            if (away <= distance) {
                distance = away;
                nearest = it->at;
            }
        }
    }
    return nearest;
}

QStringList HistoryChart::hoverRows() const
{
    if (!m_hovered)
        return {};
    QStringList rows{m_input.momentText ? m_input.momentText(*m_hovered)
                                        : QString::number(*m_hovered)};
    for (const auto& line : m_input.lines) {
        const auto it =
            std::lower_bound(line.readings.begin(), line.readings.end(), *m_hovered, earlier);
        if (it == line.readings.end() || it->at != *m_hovered)
            continue;
        const QString figure = UsageWindow::percentText(it->percent);
        rows << (m_input.lines.size() == 1 ? figure : line.name + u' ' + figure);
    }
    return rows;
}

QString HistoryChart::hoverText() const
{
    return hoverRows().join(u'\n');
}

std::optional<HistoryChart::Bubble> HistoryChart::bubble() const
{
    const QStringList rows = hoverRows();
    if (rows.isEmpty())
        return std::nullopt;
    Bubble bubble;
    qreal width = 0, height = 0;
    for (qsizetype row = 0; row < rows.size(); ++row) {
        const QFont font = row == 0 ? axisFont() : valueFont();
        const QColor color =
            row == 0 ? SystemColors::secondary(palette()) : palette().color(QPalette::WindowText);
        const QRectF box(0, height, textWidth(font, rows[row]), lineHeight(font));
        bubble.lines << TextLine{rows[row], box, font, color, Qt::AlignLeft};
        width = std::max(width, box.width());
        height += box.height() + 2;
    }
    const QRectF plot = plotRect();
    const qreal guide = xOf(*m_hovered);
    QRectF box(0, 0, width + 2 * kBubblePadding, height - 2 + 2 * kBubblePadding);
    box.moveLeft(guide + kBubbleOffset + box.width() <= plot.right()
                     ? guide + kBubbleOffset
                     : std::max(plot.left(), guide - kBubbleOffset - box.width()));
    box.moveTop(plot.top() + kLabelGap);
    bubble.box = box;
    for (TextLine& line : bubble.lines)
        line.box.translate(box.left() + kBubblePadding, box.top() + kBubblePadding);
    return bubble;
}

QList<HistoryChart::TextLine> HistoryChart::axisTexts() const
{
    const QRectF plot = plotRect();
    const QFont font = axisFont();
    const QColor color = SystemColors::secondary(palette());
    const qreal height = lineHeight(font);
    QList<TextLine> texts;
    for (const double tick : percentTicks()) {
        const QRectF box(0, yOf(tick) - height / 2, plot.left() - kLabelGap, height);
        texts << TextLine{UsageWindow::percentText(tick), box, font, color, Qt::AlignRight};
    }
    qreal taken = -1; // the right edge of the last time label kept
    for (const auto& label : m_input.timeLabels) {
        const qreal from = std::max(plot.left(), xOf(label.from));
        const qreal to = std::min(plot.right(), xOf(label.to));
        const qreal width = textWidth(font, label.text);
        QRectF box((from + to - width) / 2, plot.bottom() + kLabelGap, width, height);
        const bool fits = label.from == label.to ? box.left() >= 0 && box.right() <= this->width()
                                                 : to - from >= width + 4;
        if (!fits || box.left() < taken + kLabelGap)
            continue;
        taken = box.right();
        texts << TextLine{label.text, box, font, color, Qt::AlignHCenter};
    }
    return texts;
}

QList<HistoryChart::TextLine> HistoryChart::legendTexts() const
{
    if (m_input.lines.size() < 2)
        return {};
    const QFont font = legendFont();
    const QColor color = SystemColors::secondary(palette());
    QList<TextLine> texts;
    qreal right = plotRect().right();
    for (auto line = m_input.lines.crbegin(); line != m_input.lines.crend(); ++line) {
        const qreal width = textWidth(font, line->name);
        texts.prepend({line->name, QRectF(right - width, 0, width, lineHeight(font)), font, color,
                       Qt::AlignLeft});
        right -= width + kLegendSwatch + kLegendSwatchGap + kLegendEntryGap;
    }
    return texts;
}

QList<HistoryChart::TextLine> HistoryChart::markTexts() const
{
    const QRectF plot = plotRect();
    QList<TextLine> texts;
    const QFont font = axisFont();
    for (const auto& reset : m_input.resets) {
        const qreal x = xOf(reset.from);
        if (x < plot.left() || x > plot.right() + 1)
            continue;
        const qreal width = textWidth(font, reset.text);
        QRectF box(x - width / 2, plot.top() - kTopBandGap - lineHeight(font) + 4, width,
                   lineHeight(font));
        box.moveRight(std::min(box.right(), qreal(this->width())));
        texts << TextLine{reset.text, box, font, SystemColors::secondary(palette()),
                          Qt::AlignHCenter};
    }
    if (m_input.threshold) {
        const auto tone = thresholdTone();
        const QString text =
            QStringLiteral("Soglia ") + UsageWindow::percentText(*m_input.threshold);
        const qreal height = lineHeight(font);
        qreal top = yOf(*m_input.threshold) - height - 1;
        if (top < plot.top())
            top = yOf(*m_input.threshold) + 1;
        texts << TextLine{text, QRectF(plot.left() + 4, top, textWidth(font, text), height), font,
                          PanelStyle::textColor(tone, palette()), Qt::AlignLeft};
    }
    return texts;
}

QList<HistoryChart::TextLine> HistoryChart::textLines() const
{
    if (m_input.isEmpty()) {
        const QFont font = emptyFont();
        const QString text = QString::fromUtf8(kEmptyText);
        const QRectF area = QRectF(rect()).adjusted(kEmptyMargin, 0, -kEmptyMargin, 0);
        QRectF box =
            QFontMetricsF(font).boundingRect(area, Qt::AlignHCenter | Qt::TextWordWrap, text);
        box.moveCenter(QRectF(rect()).center());
        return {{text, box, font, SystemColors::secondary(palette()), Qt::AlignHCenter}};
    }
    QList<TextLine> texts = axisTexts() + legendTexts() + markTexts();
    if (const auto hover = bubble())
        texts += hover->lines;
    return texts;
}

void HistoryChart::paintGrid(QPainter& painter) const
{
    const QRectF plot = drawn().plot;
    const QColor ink = palette().color(QPalette::WindowText);
    painter.setPen(QPen(withAlpha(ink, 0.07), 1));
    for (const qint64 at : m_input.gridLines) {
        const qreal x = qRound(xOf(at)) + 0.5;
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    for (const double tick : percentTicks()) {
        const qreal y = qRound(yOf(tick)) + 0.5;
        painter.setPen(QPen(withAlpha(ink, tick == 0 ? 0.25 : 0.07), 1));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
}

void HistoryChart::paintMarks(QPainter& painter) const
{
    const QRectF plot = drawn().plot;
    QPen dashed(SystemColors::secondary(palette()), 1, Qt::DashLine);
    painter.setPen(dashed);
    for (const auto& reset : m_input.resets) {
        const qreal x = qRound(xOf(reset.from)) - 0.5;
        if (x >= plot.left() && x <= plot.right() + 1)
            painter.drawLine(QPointF(x, plot.top() - 4), QPointF(x, plot.bottom()));
    }
    if (m_input.threshold) {
        dashed.setColor(withAlpha(PanelStyle::symbolColor(thresholdTone(), palette()), 0.8));
        painter.setPen(dashed);
        const qreal y = qRound(yOf(*m_input.threshold)) + 0.5;
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
}

void HistoryChart::paintLines(QPainter& painter) const
{
    const Drawn& lines = drawn();
    painter.save();
    painter.setClipRect(lines.plot.adjusted(-kDotRadius, -kLineWidth, kDotRadius, kLineWidth));
    if (!lines.area.isEmpty()) {
        QLinearGradient fade(0, lines.plot.top(), 0, lines.plot.bottom());
        const QColor ink = inkColor(m_input.lines.first().ink, palette());
        fade.setColorAt(0, withAlpha(ink, 0.22));
        fade.setColorAt(1, withAlpha(ink, 0.04));
        painter.setPen(Qt::NoPen);
        painter.setBrush(fade);
        painter.drawPolygon(lines.area);
    }
    painter.setBrush(Qt::NoBrush);
    for (qsizetype i = 0; i < lines.lines.size(); ++i) {
        painter.setPen(linePen(m_input.lines[i].ink));
        drawInPieces(painter, lines.lines[i]);
    }
    painter.setPen(QPen(palette().color(QPalette::Window), 1.5));
    for (const Dot& dot : lines.dots) {
        painter.setBrush(UsageBar::bandColor(dot.percent, palette()));
        painter.drawEllipse(dot.at, kDotRadius, kDotRadius);
    }
    painter.restore();
}

void HistoryChart::paintHover(QPainter& painter) const
{
    const auto hover = bubble();
    if (!hover)
        return;
    const QRectF plot = drawn().plot;
    const qreal x = xOf(*m_hovered);
    painter.setPen(QPen(withAlpha(SystemColors::secondary(palette()), 0.5), 1));
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    for (const auto& line : m_input.lines) {
        const auto it =
            std::lower_bound(line.readings.begin(), line.readings.end(), *m_hovered, earlier);
        if (it == line.readings.end() || it->at != *m_hovered)
            continue;
        const bool main = line.ink == HistoryChartInput::Ink::Main;
        painter.setPen(
            QPen(main ? UsageBar::bandColor(it->percent, palette()) : inkColor(line.ink, palette()),
                 kLineWidth));
        painter.setBrush(palette().color(QPalette::Window));
        painter.drawEllipse(position(*it), kDotRadius + 1.5, kDotRadius + 1.5);
    }
    painter.setPen(QPen(withAlpha(palette().color(QPalette::WindowText), 0.15), 1));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawRoundedRect(hover->box.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

void HistoryChart::paintLegendSwatches(QPainter& painter) const
{
    const QList<TextLine> legend = legendTexts();
    for (qsizetype i = 0; i < legend.size(); ++i) {
        const QRectF& box = legend[i].box;
        const qreal y = box.center().y();
        painter.setPen(
            QPen(inkColor(m_input.lines[i].ink, palette()), 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(box.left() - kLegendSwatchGap - kLegendSwatch + 1.5, y),
                         QPointF(box.left() - kLegendSwatchGap - 1.5, y));
    }
}

void HistoryChart::paintEmptySymbol(QPainter& painter) const
{
    const QRectF text = textLines().first().box;
    const QRect area(qRound(text.center().x() - kEmptySymbolSide / 2.0),
                     qRound(text.top()) - kEmptySymbolSide - kLabelGap, kEmptySymbolSide,
                     kEmptySymbolSide);
    const QColor muted = SystemColors::blend(palette().color(QPalette::WindowText),
                                             palette().color(QPalette::Window), 0.3);
    SymbolIcon::icon(SymbolIcon::Name::ChartBarFill, muted).paint(&painter, area);
}

void HistoryChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_input.isEmpty())
        paintEmptySymbol(painter);
    else {
        paintGrid(painter);
        paintMarks(painter);
        paintLines(painter);
        paintLegendSwatches(painter);
        paintHover(painter);
    }
    for (const TextLine& line : textLines()) {
        painter.setFont(line.font);
        painter.setPen(line.color);
        painter.drawText(line.box, int(line.alignment | Qt::AlignVCenter) | Qt::TextWordWrap,
                         line.text);
    }
}

void HistoryChart::resizeEvent(QResizeEvent* event)
{
    forgetDrawn();
    QWidget::resizeEvent(event);
}

void HistoryChart::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange)
        forgetDrawn();
    QWidget::changeEvent(event);
}

void HistoryChart::mouseMoveEvent(QMouseEvent* event)
{
    const auto hovered = nearestReading(event->position());
    if (hovered != m_hovered) {
        m_hovered = hovered;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void HistoryChart::leaveEvent(QEvent* event)
{
    if (m_hovered) {
        m_hovered.reset();
        update();
    }
    QWidget::leaveEvent(event);
}

QSize HistoryChart::sizeHint() const
{
    return {532, 280};
}

QSize HistoryChart::minimumSizeHint() const
{
    return {320, 200};
}
