#include "WarningBanner.h"

#include "PanelStyle.h"
#include "SystemColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace {
constexpr int kPadding = 8;
constexpr qreal kCornerRadius = 6;
constexpr int kSymbolSide = 12;
} // namespace

WarningBanner::WarningBanner(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    row->setSpacing(6);
    row->addWidget(PanelStyle::symbol(SymbolIcon::Name::ExclamationmarkTriangleFill,
                                      SystemColors::orange(), kSymbolSide, this));
    m_text = PanelStyle::label({}, 10, QFont::Normal, SystemColors::orange(), this);
    m_text->setObjectName(QStringLiteral("warningText"));
    m_text->setWordWrap(true);
    row->addWidget(m_text, 1);
}

void WarningBanner::setText(const QString& text)
{
    m_text->setText(text);
}

QString WarningBanner::text() const
{
    return m_text->text();
}

QSize WarningBanner::sizeHint() const
{
    const int oneLine = m_text->fontMetrics().horizontalAdvance(m_text->text());
    const QMargins margins = layout()->contentsMargins();
    const int width =
        margins.left() + kSymbolSide + layout()->spacing() + oneLine + margins.right();
    return {width, heightForWidth(width)};
}

void WarningBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor tint = SystemColors::orange();
    tint.setAlphaF(0.1f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
}
