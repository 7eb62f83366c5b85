#include "IconTitleLabel.h"

#include "ui/style/PanelStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <cmath>

IconTitleLabel::IconTitleLabel(SymbolIcon::Name symbol, const QString& text, qreal size,
                               QFont::Weight weight, PanelStyle::Tone tone, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(std::lround(size * 0.4)));
    // A symbol set in text is a little taller than the text's size.
    row->addWidget(PanelStyle::symbol(symbol, tone, int(std::lround(size * 1.2)), this));
    m_text = PanelStyle::label(text, size, weight, tone, this);
    m_text->setObjectName(QStringLiteral("iconTitleText"));
    row->addWidget(m_text);
    row->addStretch();
}

QString IconTitleLabel::text() const
{
    return m_text->text();
}
