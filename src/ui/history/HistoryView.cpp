#include "HistoryView.h"

#include "HistoryChart.h"
#include "SegmentedSwitch.h"
#include "model/UsageWindow.h"
#include "ui/panel/UsageBar.h"
#include "ui/style/PanelStyle.h"
#include "ui/style/SystemColors.h"
#include "ui/widgets/Divider.h"
#include "ui/widgets/WarningBanner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int kHeaderSymbolSide = 18;
constexpr int kMargin = 14;
} // namespace

HistoryView::HistoryView(HistoryCharts charts, QWidget* parent)
    : QWidget(parent), m_charts(std::move(charts))
{
    setObjectName(QStringLiteral("historyView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildHeader());
    column->addWidget(new Divider(this));
    column->addWidget(buildBody(), 1);
    render();
}

QWidget* HistoryView::buildHeader()
{
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(kMargin, 10, kMargin, 10);
    row->setSpacing(PanelStyle::kDefaultSpacing);
    row->addWidget(PanelStyle::symbol(SymbolIcon::Name::ChartBarFill, PanelStyle::Tone::Blue,
                                      kHeaderSymbolSide, header));
    row->addWidget(PanelStyle::label(QStringLiteral("Cronologia"), 14, QFont::DemiBold,
                                     PanelStyle::Tone::Primary, header));
    row->addStretch();
    m_switch = new SegmentedSwitch(
        {QStringLiteral("Sessione corrente"), QStringLiteral("Ultimi 7 giorni")}, header);
    m_switch->setObjectName(QStringLiteral("pageSwitch"));
    connect(m_switch, &SegmentedSwitch::currentChanged, this,
            [this](int index) { setPage(index == 0 ? Page::Session : Page::Week); });
    row->addWidget(m_switch);
    return header;
}

QWidget* HistoryView::buildBody()
{
    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(kMargin, 12, kMargin, kMargin);
    column->setSpacing(10);
    m_problem = new WarningBanner(body);
    m_problem->setObjectName(QStringLiteral("historyProblemBanner"));
    m_problem->hide();
    column->addWidget(m_problem);
    auto* summary = new QHBoxLayout;
    summary->setSpacing(10);
    m_headline = PanelStyle::label({}, 24, QFont::DemiBold, PanelStyle::Tone::Primary, body);
    m_headline->setObjectName(QStringLiteral("headlineText"));
    summary->addWidget(m_headline, 0, Qt::AlignBottom);
    m_caption = PanelStyle::label({}, 11, QFont::Normal, PanelStyle::Tone::Secondary, body);
    m_caption->setObjectName(QStringLiteral("captionText"));
    m_caption->setWordWrap(true);
    summary->addWidget(m_caption, 1, Qt::AlignBottom);
    column->addLayout(summary);
    m_chart = new HistoryChart(body);
    m_chart->setObjectName(QStringLiteral("historyChart"));
    column->addWidget(m_chart, 1);
    return body;
}

void HistoryView::setCharts(HistoryCharts charts)
{
    m_charts = std::move(charts);
    render();
}

void HistoryView::setProblem(const std::optional<QString>& problem)
{
    m_problem->setText(problem.value_or(QString()));
    m_problem->setVisible(problem.has_value());
}

void HistoryView::setPage(Page page)
{
    m_page = page;
    m_switch->setCurrent(page == Page::Session ? 0 : 1);
    render();
}

void HistoryView::render()
{
    const HistoryChartInput& input = m_page == Page::Session ? m_charts.session : m_charts.week;
    m_chart->setInput(input);
    const bool empty = input.isEmpty();
    m_caption->setText(input.caption);
    m_caption->setVisible(!empty);
    m_headline->setVisible(!empty && input.headline);
    if (!input.headline)
        return;
    const double percent = *input.headline;
    m_headline->setText(UsageWindow::percentText(percent));
    PanelStyle::follow(m_headline, [this, percent] {
        const QPalette base = PanelStyle::basePalette(m_headline);
        PanelStyle::setTextColor(
            m_headline, SystemColors::textOnPanel(UsageBar::bandColor(percent, base), base));
    });
}
