#include "PanelHeader.h"

#include "ui/style/PanelStyle.h"
#include "ui/style/SystemFont.h"
#include "ui/widgets/BusySpinner.h"
#include "ui/widgets/ElidedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int kSymbolSide = 16;
constexpr qreal kHeaderSpinnerScale = 0.7;
} // namespace

PanelHeader::PanelHeader(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 10, 14, 10);
    row->setSpacing(PanelStyle::kDefaultSpacing);
    row->addWidget(PanelStyle::symbol(SymbolIcon::Name::ChartBarFill, PanelStyle::Tone::Blue,
                                      kSymbolSide, this));

    auto* names = new QVBoxLayout;
    names->setSpacing(1);
    auto* title = PanelStyle::label(QStringLiteral("Pallowe"), 13, QFont::DemiBold,
                                    PanelStyle::Tone::Primary, this);
    title->setObjectName(QStringLiteral("appTitle"));
    names->addWidget(title);
    // A long name gives way to the status indicator, ending in "…".
    m_orgName = new ElidedLabel(this);
    m_orgName->setFont(SystemFont::font(10));
    PanelStyle::setTone(m_orgName, PanelStyle::Tone::Secondary);
    m_orgName->setObjectName(QStringLiteral("orgNameText"));
    m_orgName->hide();
    names->addWidget(m_orgName);
    row->addLayout(names, 1);

    m_spinner = new BusySpinner(kHeaderSpinnerScale, this);
    m_spinner->setObjectName(QStringLiteral("statusSpinner"));
    m_spinner->hide();
    row->addWidget(m_spinner);
    m_warning = PanelStyle::symbol(SymbolIcon::Name::ExclamationmarkTriangleFill,
                                   PanelStyle::Tone::Orange, kSymbolSide, this);
    m_warning->setObjectName(QStringLiteral("statusWarning"));
    m_warning->hide();
    row->addWidget(m_warning);
}

void PanelHeader::setOrgName(const std::optional<QString>& orgName)
{
    m_orgName->setText(orgName.value_or(QString()));
    m_orgName->setVisible(orgName.has_value());
}

void PanelHeader::setStatus(bool loading, const std::optional<QString>& error)
{
    m_spinner->setVisible(loading);
    m_warning->setVisible(!loading && error.has_value());
    m_warning->setToolTip(error.value_or(QString()));
}
