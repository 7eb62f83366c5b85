#include "PanelButton.h"

#include "ui/style/PanelStyle.h"
#include "ui/style/SystemColors.h"
#include "ui/style/SystemFont.h"

#include <QFocusEvent>
#include <QPainter>

namespace {
constexpr int kHorizontalPadding = 14;
constexpr qreal kCornerRadius = 6;
} // namespace

PanelButton::PanelButton(Kind kind, const QString& text, int height, QWidget* parent)
    : QPushButton(text, parent), m_kind(kind), m_height(height)
{
    setFont(SystemFont::font(13));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    PanelStyle::follow(this, [this] { restyle(); });
}

void PanelButton::restyle()
{
    // Button and ButtonText carry the fill and the text, so the text's colour is read
    // where every other widget's is.
    const QPalette base = PanelStyle::basePalette(this);
    QPalette own = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool enabled = group != QPalette::Disabled;
        if (m_kind == Kind::Accent) {
            own.setColor(group, QPalette::Button, SystemColors::accentFill(base, enabled));
            own.setColor(group, QPalette::ButtonText, SystemColors::onAccent(base));
        } else {
            const QColor text = base.color(QPalette::Active, QPalette::WindowText);
            own.setColor(group, QPalette::Button,
                         SystemColors::blend(text, base.color(QPalette::Window), 0.1));
            own.setColor(group, QPalette::ButtonText,
                         enabled ? text : SystemColors::secondary(base));
        }
    }
    setPalette(own);
}

QSize PanelButton::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(text()) + 2 * kHorizontalPadding, m_height};
}

QSize PanelButton::minimumSizeHint() const
{
    return sizeHint();
}

void PanelButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    QColor fill = palette().color(group, QPalette::Button);
    if (isDown())
        fill = m_kind == Kind::Accent
                   ? fill.darker(115)
                   : SystemColors::blend(palette().color(QPalette::ButtonText), fill, 0.08);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    if (hasFocus() && m_keyboardFocus) {
        const QColor ring = m_kind == Kind::Accent ? palette().color(QPalette::ButtonText)
                                                   : palette().color(QPalette::Highlight);
        painter.setPen(QPen(ring, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), kCornerRadius,
                                kCornerRadius);
    }
    painter.setPen(palette().color(group, QPalette::ButtonText));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void PanelButton::focusInEvent(QFocusEvent* event)
{
    m_keyboardFocus =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QPushButton::focusInEvent(event);
}
