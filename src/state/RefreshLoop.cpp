#include "RefreshLoop.h"

#include "AppState.h"
#include "ContinuousClock.h"
#include "WakeWatcher.h"

#include <algorithm>
#include <limits>

namespace {

// QTimer counts in int milliseconds: a longer wait is taken in parts.
std::chrono::milliseconds timerSpan(std::chrono::milliseconds span)
{
    return std::clamp<std::chrono::milliseconds>(
        span, std::chrono::milliseconds(0),
        std::chrono::milliseconds(std::numeric_limits<int>::max()));
}

} // namespace

RefreshLoop::RefreshLoop(AppState* state, std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent), m_state(state), m_interval(interval), m_clock(&ContinuousClock::now)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RefreshLoop::refreshNow);
    m_onceTimer.setSingleShot(true);
    m_onceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_onceTimer, &QTimer::timeout, this, &RefreshLoop::refreshOnceIfDue);
    connect(state, &AppState::isConfiguredChanged, this, &RefreshLoop::followConfiguration);
    connect(state, &AppState::settingsChanged, this, &RefreshLoop::followSettings);
    // An open panel must not go on showing the report of the session that was replaced.
    connect(state, &AppState::sessionReplaced, this, [this] {
        if (m_running && m_panelShown)
            refreshNow();
    });
    // Background refresh starts with the event loop, once the state is complete.
    QMetaObject::invokeMethod(this, &RefreshLoop::followSettings, Qt::QueuedConnection);
}

void RefreshLoop::addWakeWatcher(WakeWatcher* watcher)
{
    m_watchers.append(watcher);
    connect(watcher, &WakeWatcher::woke, this, &RefreshLoop::refreshIfDue);
    if (m_watching)
        watcher->watch();
}

bool RefreshLoop::wanted() const
{
    return m_state && m_state->isConfigured() &&
           (m_panelShown || m_state->settings().backgroundRefresh);
}

void RefreshLoop::setPanelShown(bool shown)
{
    m_panelShown = shown;
    if (!wanted()) {
        stop();
    } else if (shown) {
        run();
        refreshNow();
    }
}

void RefreshLoop::followSettings()
{
    if (!wanted()) {
        stop();
    } else if (!m_running) {
        run();
        refreshIfDue();
    }
}

void RefreshLoop::followConfiguration()
{
    stop();
    if (!wanted())
        return;
    run();
    // An open panel starts over at once; in the background, whoever configured the state
    // (a sign-in) refreshes by itself, so the loop only waits.
    if (m_panelShown)
        refreshNow();
    else
        m_timer.start(m_interval);
}

void RefreshLoop::run()
{
    m_running = true;
    watchWakes();
}

void RefreshLoop::watchWakes()
{
    if (m_watching)
        return;
    m_watching = true;
    for (const auto& watcher : m_watchers)
        if (watcher)
            watcher->watch();
}

void RefreshLoop::stop()
{
    m_running = false;
    m_timer.stop();
}

void RefreshLoop::refreshIfDue()
{
    refreshOnceIfDue();
    if (!m_running || m_inFlight > 0)
        return;
    const auto elapsed = m_lastStart ? m_clock() - *m_lastStart : m_interval;
    if (elapsed >= m_interval || m_lastFailed)
        refreshNow();
    else // the timer's clock may have stood still during a suspend
        m_timer.start(m_interval - elapsed);
}

void RefreshLoop::refreshOnceAfter(std::chrono::milliseconds delay)
{
    m_onceDue = m_clock() + delay;
    watchWakes();
    m_onceTimer.start(timerSpan(delay));
}

void RefreshLoop::cancelRefreshOnce()
{
    m_onceDue.reset();
    m_onceTimer.stop();
}

void RefreshLoop::refreshOnceIfDue()
{
    // The refresh in flight brings the reading the single refresh is for.
    if (!m_onceDue || m_inFlight > 0)
        return;
    const auto remaining = *m_onceDue - m_clock();
    if (remaining > std::chrono::milliseconds(0)) // a suspend held the timer back, or a part
        m_onceTimer.start(timerSpan(remaining));
    else
        refreshNow(); // and the loop, if it runs, counts its interval from here
}

void RefreshLoop::refreshNow()
{
    m_timer.stop();
    if (m_state)
        runRefresh();
}

QCoro::Task<> RefreshLoop::runRefresh()
{
    QPointer<RefreshLoop> self(this);
    m_lastStart = m_clock();
    ++m_inFlight;
    co_await m_state->refresh();
    if (!self || !m_state)
        co_return;
    --m_inFlight;
    m_lastFailed = m_state->error().has_value();
    // Whichever refresh ends last sets the one timer; a stopped loop sets none.
    if (m_running)
        m_timer.start(m_interval);
}
