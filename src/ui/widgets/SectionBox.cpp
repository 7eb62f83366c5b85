#include "SectionBox.h"

#include "IconTitleLabel.h"
#include "ui/style/PanelStyle.h"
#include "ui/style/SystemColors.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

constexpr qreal kLabelSize = 11;
constexpr int kInset = 8;
constexpr qreal kCornerRadius = 6;

// The shaded rounded rectangle behind the content.
class ShadedBox : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor edge = palette().color(QPalette::WindowText);
        edge.setAlphaF(0.08f);
        painter.setPen(QPen(edge, 1));
        painter.setBrush(SystemColors::boxFill(palette()));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius,
                                kCornerRadius);
    }
};

} // namespace

SectionBox::SectionBox(SymbolIcon::Name symbol, const QString& title, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    m_label = new IconTitleLabel(symbol, title, kLabelSize, QFont::Medium,
                                 PanelStyle::Tone::Secondary, this);
    m_label->setObjectName(QStringLiteral("sectionTitle"));
    column->addWidget(m_label);

    auto* box = new ShadedBox(this);
    m_content = new QVBoxLayout(box);
    m_content->setContentsMargins(kInset, kInset, kInset, kInset);
    column->addWidget(box);
}

QString SectionBox::title() const
{
    return m_label->text();
}
