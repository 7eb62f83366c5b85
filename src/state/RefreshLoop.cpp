#include "RefreshLoop.h"

#include "AppState.h"

RefreshLoop::RefreshLoop(AppState* state, std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent), m_state(state)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(interval);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RefreshLoop::refreshNow);
    connect(state, &AppState::isConfiguredChanged, this, &RefreshLoop::restart);
}

void RefreshLoop::start()
{
    if (m_running)
        return;
    m_running = true;
    if (m_state && m_state->isConfigured())
        refreshNow();
}

void RefreshLoop::stop()
{
    m_running = false;
    ++m_generation;
    m_timer.stop();
}

void RefreshLoop::restart()
{
    if (!m_running)
        return;
    stop();
    start();
}

void RefreshLoop::refreshNow()
{
    if (m_state)
        runRefresh(m_generation);
}

QCoro::Task<> RefreshLoop::runRefresh(quint64 generation)
{
    QPointer<RefreshLoop> self(this);
    co_await m_state->refresh();
    if (self && m_running && generation == m_generation)
        m_timer.start();
}
