#pragma once

#include "HistoryCharts.h"

#include <QWidget>
#include <optional>

class HistoryChart;
class QLabel;
class SegmentedSwitch;
class WarningBanner;

// The history window's content: the title and the switch between the current session and
// the last seven days, the latest figure of the view with what it is, and the chart.
class HistoryView : public QWidget
{
    Q_OBJECT

public:
    enum class Page
    {
        Session,
        Week,
    };

    explicit HistoryView(HistoryCharts charts, QWidget* parent = nullptr);

    // New readings keep the page on show.
    void setCharts(HistoryCharts charts);
    // Why the readings could not be read, above the chart; without a reason, nothing shows.
    void setProblem(const std::optional<QString>& problem);
    Page page() const { return m_page; }
    void setPage(Page page);
    HistoryChart* chart() const { return m_chart; }

private:
    QWidget* buildHeader();
    QWidget* buildBody();
    void render();

    HistoryCharts m_charts;
    Page m_page = Page::Session;
    SegmentedSwitch* m_switch = nullptr;
    QLabel* m_headline = nullptr;
    QLabel* m_caption = nullptr;
    WarningBanner* m_problem = nullptr;
    HistoryChart* m_chart = nullptr;
};
