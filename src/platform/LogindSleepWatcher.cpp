#include "LogindSleepWatcher.h"

LogindSleepWatcher::LogindSleepWatcher(std::optional<QDBusConnection> bus, QObject* parent)
    : WakeWatcher(parent), m_bus(std::move(bus))
{}

void LogindSleepWatcher::watch()
{
    if (m_watching)
        return;
    QDBusConnection bus = m_bus.value_or(QDBusConnection::systemBus());
    if (!bus.isConnected())
        return;
    m_watching = bus.connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(onPrepareForSleep(bool)));
}

void LogindSleepWatcher::onPrepareForSleep(bool goingToSleep)
{
    if (!goingToSleep)
        emit woke();
}
