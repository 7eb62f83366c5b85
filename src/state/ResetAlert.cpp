#include "ResetAlert.h"

#include "AppState.h"
#include "Notifier.h"
#include "RefreshLoop.h"

#include <QDateTime>
#include <algorithm>

namespace {

qint64 sessionPercent(const UsageResponse& usage)
{
    return usage.fiveHour ? UsageWindow::wholePercent(usage.fiveHour->utilization) : 0;
}

} // namespace

ResetAlert::ResetAlert(AppState* state, RefreshLoop* loop, Notifier* notifier, QObject* parent)
    : QObject(parent), m_state(state), m_loop(loop), m_notifier(notifier)
{
    connect(state, &AppState::settingsChanged, this, &ResetAlert::followSettings);
    // A sign-out or another session forgets the report, and with it the reset it awaited.
    connect(state, &AppState::usageChanged, this, [this] {
        if (!m_state->usage())
            cancel();
    });
    connect(state, &AppState::isConfiguredChanged, this, [this] {
        if (!m_state->isConfigured())
            cancel();
    });
}

bool ResetAlert::isOn() const
{
    const AppSettings& settings = m_state->settings();
    // A threshold of 0 or less is always reached, so no reset could ever bring usage below it.
    return settings.resetAlert && settings.alertEnabled && settings.alertThresholdPercent > 0;
}

void ResetAlert::followReading(qint64 alertOnScreen)
{
    m_alertOnScreen = alertOnScreen;
    follow(true);
}

void ResetAlert::followSettings()
{
    // A threshold raised above the reading is no reset: it ends the wait without a word.
    follow(false);
}

void ResetAlert::follow(bool announce)
{
    const auto& usage = m_state->usage();
    if (!isOn() || !usage) {
        cancel();
        return;
    }
    const qint64 percent = sessionPercent(*usage);
    const qint64 threshold = m_state->settings().alertThresholdPercent;
    if (usage->fiveHour && percent >= threshold) {
        // The alert on screen may be for a higher threshold that has since been lowered.
        const qint64 alerted = m_alertOnScreen > 0 ? m_alertOnScreen : threshold;
        m_followedAlert = QStringLiteral("pallowe-alert-%1").arg(alerted);
        await(*usage->fiveHour);
        return;
    }
    if (announce && m_followedAlert && m_notifier)
        m_notifier->post(*m_followedAlert, QStringLiteral("Pallowe"),
                         QStringLiteral("Sessione ripristinata — utilizzo: %1%.").arg(percent));
    cancel();
}

void ResetAlert::await(const UsageWindow& window)
{
    const auto reset = window.resetMoment();
    if (!reset) { // the next refresh of any kind brings the reading that ends the wait
        m_loop->cancelRefreshOnce();
        return;
    }
    const qint64 untilReset = QDateTime::currentDateTimeUtc().msecsTo(*reset);
    if (untilReset >= 0) {
        m_lateResetTries = 0;
        m_loop->refreshOnceAfter(std::chrono::milliseconds(untilReset) + grace());
    } else if (m_lateResetTries < kLateResetTries) {
        ++m_lateResetTries;
        m_loop->refreshOnceAfter(
            std::max(kLateResetShortestWait, grace() * (1 << m_lateResetTries)));
    } else {
        m_loop->cancelRefreshOnce();
    }
}

std::chrono::milliseconds ResetAlert::grace() const
{
    const double timeScale = std::min(1.0, RefreshLoop::timeScaleOf(m_loop->interval()));
    return std::chrono::milliseconds(qint64(double(kGrace.count()) * timeScale));
}

void ResetAlert::cancel()
{
    m_followedAlert.reset();
    m_lateResetTries = 0;
    m_loop->cancelRefreshOnce();
}
