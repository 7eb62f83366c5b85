#pragma once

#include "HistoryCharts.h"
#include "HistoryView.h"
#include "state/HistoryWindowLauncher.h"
#include "state/WindowController.h"

#include <QPointer>
#include <memory>
#include <optional>
#include <utility>

class AppState;
class QWidget;

// One history window, centred and raised. It lives until it is closed, whether or not anyone
// still holds its controller.
class HistoryWindowController : public WindowController
{
public:
    static constexpr auto kTitle = "Cronologia — Pallowe";

    static std::shared_ptr<HistoryWindowController> show(HistoryCharts charts);

    QWidget* window() const { return m_window; }
    // Null once the window is closed.
    HistoryView* view() const { return m_view; }

private:
    QPointer<QWidget> m_window;
    QPointer<HistoryView> m_view;
};

// What the state calls to open the history window: one at a time, brought forward when it is
// open already. It reads the readings again whenever one is recorded, the session changes or
// the alert threshold moves.
class HistoryWindowOpener : public HistoryWindowLauncher
{
public:
    std::shared_ptr<WindowController> show(AppState* state) override;

private:
    // The charts of the state's readings of this moment, and why there are none when they
    // cannot be read.
    static std::pair<HistoryCharts, std::optional<QString>> chartsOf(AppState* state);

    std::weak_ptr<HistoryWindowController> m_open;
};
