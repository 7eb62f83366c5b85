#include "WarningBanner.h"

#include "ui/style/PanelStyle.h"
#include "ui/style/SystemColors.h"

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
                                      PanelStyle::Tone::Orange, kSymbolSide, this));
    m_text = PanelStyle::label({}, 10, QFont::Normal, PanelStyle::Tone::Primary, this);
    m_text->setObjectName(QStringLiteral("warningText"));
    m_text->setWordWrap(true);
    row->addWidget(m_text, 1);
    // Orange text on its own tint: darkened (or lightened) until it reads on it.
    PanelStyle::follow(m_text, [this] {
        const QPalette base = PanelStyle::basePalette(m_text);
        PanelStyle::setTextColor(m_text,
                                 SystemColors::readableOn(SystemColors::orange(base), tint(base)));
    });
}

QColor WarningBanner::tint(const QPalette& palette)
{
    return SystemColors::blend(SystemColors::orange(palette), palette.color(QPalette::Window), 0.1);
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
    // Measured as the label lays out a wrapping text, so that at this width it keeps to one
    // line: a plain advance can round a fraction of a pixel short and wrap the last word.
    const int oneLine = m_text->fontMetrics()
                            .boundingRect(QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX),
                                          Qt::TextWordWrap, m_text->text())
                            .width();
    const QMargins margins = layout()->contentsMargins();
    const int width =
        margins.left() + kSymbolSide + layout()->spacing() + oneLine + margins.right();
    return {width, heightForWidth(width)};
}

void WarningBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint(palette()));
    painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
}
