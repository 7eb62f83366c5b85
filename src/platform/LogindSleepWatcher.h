#pragma once

#include "state/WakeWatcher.h"

#include <QDBusConnection>
#include <optional>

// Reports the resume from suspend that logind announces on the system bus
// (org.freedesktop.login1.Manager PrepareForSleep with false). Without a bus or logind it
// stays silent. The system bus is reached only once watching starts.
class LogindSleepWatcher : public WakeWatcher
{
    Q_OBJECT

public:
    // Without a bus given, the system bus.
    explicit LogindSleepWatcher(std::optional<QDBusConnection> bus = std::nullopt,
                                QObject* parent = nullptr);

    void watch() override;

private slots:
    void onPrepareForSleep(bool goingToSleep);

private:
    std::optional<QDBusConnection> m_bus;
    bool m_watching = false;
};
