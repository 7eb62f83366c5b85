#include "UsageBar.h"

#include "model/UsageBand.h"
#include "model/UsageWindow.h"
#include "ui/style/SystemColors.h"
#include "ui/style/SystemFont.h"

#include <QEasingCurve>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QVariantAnimation>
#include <QtMath>
#include <cmath>

namespace {

constexpr qreal lineSpacing = 6;
constexpr qreal titleSubtitleSpacing = 1;
constexpr qreal headerSpacing = 8;
constexpr qreal barHeight = 5;
constexpr qreal barRadius = 3;
constexpr qreal minimumFillWidth = 4;
constexpr int animationMilliseconds = 400;

constexpr auto lineHeight = &PaintedText::lineHeight;
constexpr auto textWidth = &PaintedText::width;

} // namespace

UsageBar::UsageBar(QWidget* parent) : UsageBar(QString(), 0.0, QString(), std::nullopt, parent) {}

UsageBar::UsageBar(const QString& title, double percent, const QString& resetLabel,
                   const std::optional<QString>& subtitle, QWidget* parent)
    : QWidget(parent), m_title(title), m_percent(percent), m_resetLabel(resetLabel),
      m_subtitle(subtitle), m_animation(new QVariantAnimation(this)), m_shownPercent(percent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_animation->setDuration(animationMilliseconds);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    connect(m_animation, &QVariantAnimation::valueChanged, this, &UsageBar::onAnimationStep);
}

void UsageBar::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    updateGeometry();
    update();
}

void UsageBar::setPercent(double percent)
{
    if (percent == m_percent)
        return;
    m_animation->stop();
    m_fromPercent = m_shownPercent;
    m_fromColor = fillColor();
    m_progress = 0.0;
    m_percent = percent;
    updateGeometry();
    update();
    m_animation->start();
}

void UsageBar::setResetLabel(const QString& resetLabel)
{
    if (resetLabel == m_resetLabel)
        return;
    m_resetLabel = resetLabel;
    updateGeometry();
    update();
}

void UsageBar::setSubtitle(const std::optional<QString>& subtitle)
{
    if (subtitle == m_subtitle)
        return;
    m_subtitle = subtitle;
    updateGeometry();
    update();
}

QString UsageBar::percentText(double percent)
{
    return UsageWindow::percentText(percent);
}

QColor UsageBar::bandColor(double percent, const QPalette& palette)
{
    switch (usageBandOf(percent)) {
    case UsageBand::Critical:
        return SystemColors::red(palette);
    case UsageBand::Warning:
        return SystemColors::orange(palette);
    case UsageBand::Normal:
        break;
    }
    return SystemColors::blue(palette);
}

QRectF UsageBar::trackRect() const
{
    return layout(width()).track;
}

qreal UsageBar::fillWidth() const
{
    return fillWidthFor(m_shownPercent);
}

qreal UsageBar::targetFillWidth() const
{
    return fillWidthFor(m_percent);
}

QColor UsageBar::fillColor() const
{
    // Taken from the palette at every call, so a theme switch recolours a settled bar.
    if (m_progress >= 1.0)
        return bandColor();
    return SystemColors::blend(bandColor(), m_fromColor, m_progress);
}

qreal UsageBar::fillWidthFor(double percent) const
{
    if (std::isnan(percent))
        return minimumFillWidth;
    return qMax(trackRect().width() * percent / 100.0, minimumFillWidth);
}

void UsageBar::onAnimationStep(const QVariant& progressValue)
{
    const qreal progress = progressValue.toReal();
    m_shownPercent = m_fromPercent + (m_percent - m_fromPercent) * progress;
    m_progress = progress;
    update();
}

QFont UsageBar::titleFont() const
{
    return SystemFont::font(font(), 12, QFont::Medium);
}

QFont UsageBar::subtitleFont() const
{
    return SystemFont::font(font(), 10);
}

QFont UsageBar::percentFont() const
{
    return SystemFont::font(font(), 13, QFont::DemiBold);
}

QFont UsageBar::resetFont() const
{
    return SystemFont::font(font(), 10);
}

qreal UsageBar::headerHeight() const
{
    qreal left = lineHeight(titleFont());
    if (m_subtitle)
        left += titleSubtitleSpacing + lineHeight(subtitleFont());
    return qMax(left, lineHeight(percentFont()));
}

UsageBar::Layout UsageBar::layout(int width) const
{
    Layout result;
    const qreal header = headerHeight();
    const qreal percentWidth = textWidth(percentFont(), percentText());
    const qreal percentHeight = lineHeight(percentFont());
    result.percent =
        QRectF(width - percentWidth, (header - percentHeight) / 2, percentWidth, percentHeight);

    const qreal leftWidth = qMax<qreal>(0, width - percentWidth - headerSpacing);
    qreal leftHeight = lineHeight(titleFont());
    if (m_subtitle)
        leftHeight += titleSubtitleSpacing + lineHeight(subtitleFont());
    const qreal leftTop = (header - leftHeight) / 2;
    result.title = QRectF(0, leftTop, leftWidth, lineHeight(titleFont()));
    if (m_subtitle)
        result.subtitle = QRectF(0, result.title.bottom() + titleSubtitleSpacing, leftWidth,
                                 lineHeight(subtitleFont()));

    result.track = QRectF(0, header + lineSpacing, width, barHeight);
    result.resetLabel =
        QRectF(0, result.track.bottom() + lineSpacing, width, lineHeight(resetFont()));
    return result;
}

QSize UsageBar::sizeHint() const
{
    const Layout geometry = layout(0);
    const qreal headerWidth =
        textWidth(titleFont(), m_title) + headerSpacing + textWidth(percentFont(), percentText());
    const qreal widest = qMax(headerWidth, textWidth(resetFont(), m_resetLabel));
    return QSize(qCeil(widest), qCeil(geometry.resetLabel.bottom()));
}

QSize UsageBar::minimumSizeHint() const
{
    const Layout geometry = layout(0);
    const qreal headerWidth = headerSpacing + textWidth(percentFont(), percentText());
    return QSize(qCeil(headerWidth), qCeil(geometry.resetLabel.bottom()));
}

void UsageBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}

QList<UsageBar::TextLine> UsageBar::textLines() const
{
    const Layout geometry = layout(width());
    const QColor secondary = SystemColors::secondary(palette());
    QList<TextLine> lines{
        {m_title, geometry.title, titleFont(), palette().color(QPalette::WindowText),
         Qt::AlignLeft},
        {percentText(), geometry.percent, percentFont(),
         SystemColors::textOnPanel(bandColor(), palette()), Qt::AlignRight},
        {m_resetLabel, geometry.resetLabel, resetFont(), secondary, Qt::AlignLeft},
    };
    if (m_subtitle)
        lines.append({*m_subtitle, geometry.subtitle, subtitleFont(), secondary, Qt::AlignLeft});
    return lines;
}

void UsageBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const TextLine& line : textLines()) {
        painter.setFont(line.font);
        painter.setPen(line.color);
        const QString shown =
            QFontMetricsF(line.font).elidedText(line.text, Qt::ElideRight, line.box.width());
        painter.drawText(line.box, line.alignment | Qt::AlignVCenter, shown);
    }

    QColor track = SystemColors::secondary(palette());
    track.setAlphaF(0.2f);
    const QRectF trackBox = trackRect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(track);
    painter.drawRoundedRect(trackBox, barRadius, barRadius);
    QRectF fill = trackBox;
    // Past the widget's edge nothing shows; stopping there keeps huge values drawable.
    fill.setWidth(qMin(fillWidth(), width() + barRadius));
    painter.setBrush(fillColor());
    painter.drawRoundedRect(fill, barRadius, barRadius);
}
