#include "BarSlot.h"

#include "UsageBar.h"

#include <QVBoxLayout>

BarSlot::BarSlot(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    hide();
}

void BarSlot::showBar(const QString& title, double percent, const QString& resetLabel)
{
    if (m_bar) {
        m_bar->setTitle(title);
        m_bar->setPercent(percent);
        m_bar->setResetLabel(resetLabel);
    } else {
        m_bar = new UsageBar(title, percent, resetLabel, std::nullopt, this);
        layout()->addWidget(m_bar);
    }
    show();
}

void BarSlot::clear()
{
    delete m_bar;
    m_bar = nullptr;
    hide();
}
