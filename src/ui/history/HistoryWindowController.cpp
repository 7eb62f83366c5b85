#include "HistoryWindowController.h"

#include "HistoryView.h"
#include "state/AppState.h"
#include "ui/widgets/ScreenCentre.h"

#include <QVBoxLayout>

std::shared_ptr<HistoryWindowController> HistoryWindowController::show(HistoryCharts charts)
{
    auto controller = std::make_shared<HistoryWindowController>();
    // Unlike the settings form, a chart gains from room: the window can be resized.
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QString::fromUtf8(kTitle));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new HistoryView(std::move(charts), window);
    layout->addWidget(view);
    controller->m_window = window;
    controller->m_view = view;
    window->resize(window->sizeHint());
    ScreenCentre::place(window);
    window->show();
    window->raise();
    window->activateWindow();
    return controller;
}

std::pair<HistoryCharts, std::optional<QString>> HistoryWindowOpener::chartsOf(AppState* state)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto readings = state->historyReadings(now);
    const AppSettings settings = state->settings();
    const auto threshold = settings.alertEnabled
                               ? std::optional(double(settings.alertThresholdPercent))
                               : std::nullopt;
    return {
        HistoryCharts::fromReadings(readings ? *readings : QList<HistoryReading>(), now, threshold),
        readings ? std::nullopt : std::optional(readings.error())};
}

std::shared_ptr<WindowController> HistoryWindowOpener::show(AppState* state)
{
    if (const auto open = m_open.lock(); open && open->window()) {
        open->window()->raise();
        open->window()->activateWindow();
        return open;
    }
    auto [charts, problem] = chartsOf(state);
    auto controller = HistoryWindowController::show(std::move(charts));
    HistoryView* view = controller->view();
    view->setProblem(problem);
    const auto reread = [state, view] {
        auto [charts, problem] = chartsOf(state);
        view->setCharts(std::move(charts));
        view->setProblem(problem);
    };
    QObject::connect(state->history(), &UsageHistory::changed, view, reread);
    QObject::connect(state, &AppState::settingsChanged, view, reread);
    QObject::connect(state, &AppState::sessionReplaced, view, reread);
    QObject::connect(state, &AppState::isConfiguredChanged, view, reread);
    m_open = controller;
    return controller;
}
