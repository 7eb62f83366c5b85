#pragma once

#include "HistoryCharts.h"
#include "state/WindowController.h"

#include <QPointer>
#include <memory>

class HistoryView;
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
