#pragma once

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>

class AppState;
class WakeWatcher;

// The program's only periodic work, one loop for the whole run: one refresh, then one each
// interval after the previous one finished. It runs while the usage panel is shown, and
// with background refresh on also while the panel is closed; it never runs while the
// state is not configured. Showing the panel refreshes at once and re-arms the same timer.
// Beside it, at most one single refresh waits for a moment (a session window's reset).
class RefreshLoop : public QObject
{
    Q_OBJECT

public:
    // A clock that keeps running during suspend; milliseconds from any fixed origin.
    using Clock = std::function<std::chrono::milliseconds()>;

    static constexpr std::chrono::milliseconds kDefaultInterval = std::chrono::seconds(300);

    explicit RefreshLoop(AppState* state, std::chrono::milliseconds interval = kDefaultInterval,
                         QObject* parent = nullptr);

    std::chrono::milliseconds interval() const { return m_interval; }
    // How much faster than the standard interval a loop runs (demo, tests): the forecast's
    // spans and the reset alert's grace follow it.
    static double timeScaleOf(std::chrono::milliseconds interval)
    {
        return double(interval.count()) / double(kDefaultInterval.count());
    }
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // The watcher starts watching when the loop first runs; each wake checks for a due refresh.
    void addWakeWatcher(WakeWatcher* watcher);

    void setPanelShown(bool shown);
    bool isRunning() const { return m_running; }
    // The loop's next refresh waits for its timer.
    bool isNextRefreshArmed() const { return m_timer.isActive(); }

    // While running and nothing is in flight: refreshes now when the last refresh of the loop
    // started an interval ago or more, or failed; otherwise waits only for the rest. A single
    // refresh that came due is made first, whether the loop runs or not.
    void refreshIfDue();

    // One refresh after the delay on the suspend-proof clock, whether the loop runs or not; a
    // later call replaces it. It stays due until cancelled, so a wake after a refresh that
    // failed tries again, but nothing repeats it by itself.
    void refreshOnceAfter(std::chrono::milliseconds delay);
    void cancelRefreshOnce();
    bool isRefreshOnceArmed() const { return m_onceDue.has_value(); }

private:
    bool wanted() const;
    void followSettings();
    void followConfiguration();
    void run();
    void stop();
    void refreshNow();
    void refreshOnceIfDue();
    void watchWakes();
    QCoro::Task<> runRefresh();

    QPointer<AppState> m_state;
    std::chrono::milliseconds m_interval;
    Clock m_clock;
    QList<QPointer<WakeWatcher>> m_watchers;
    QTimer m_timer;
    QTimer m_onceTimer;
    std::optional<std::chrono::milliseconds> m_onceDue; // on m_clock
    bool m_panelShown = false;
    bool m_running = false;
    bool m_watching = false;
    int m_inFlight = 0;
    std::optional<std::chrono::milliseconds> m_lastStart;
    bool m_lastFailed = false;
};
