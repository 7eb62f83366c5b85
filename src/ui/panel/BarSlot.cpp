#include "BarSlot.h"

#include "UsageBar.h"
#include "ui/style/PanelStyle.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int kForecastSpacing = 2;
}

BarSlot::BarSlot(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kForecastSpacing);
    // The bar's own reset line is 10 points in the secondary colour; the forecast matches it.
    m_forecast = PanelStyle::label({}, 10, QFont::Normal, PanelStyle::Tone::Secondary, this);
    m_forecast->setObjectName(QStringLiteral("forecastText"));
    column->addWidget(m_forecast);
    m_forecast->hide();
    hide();
}

void BarSlot::showBar(const QString& title, double percent, const QString& resetLabel,
                      const QString& forecast)
{
    if (m_bar) {
        m_bar->setTitle(title);
        m_bar->setPercent(percent);
        m_bar->setResetLabel(resetLabel);
    } else {
        m_bar = new UsageBar(title, percent, resetLabel, std::nullopt, this);
        static_cast<QVBoxLayout*>(layout())->insertWidget(0, m_bar);
    }
    m_forecast->setText(forecast);
    m_forecast->setVisible(!forecast.isEmpty());
    show();
}

void BarSlot::clear()
{
    delete m_bar;
    m_bar = nullptr;
    m_forecast->hide();
    hide();
}
