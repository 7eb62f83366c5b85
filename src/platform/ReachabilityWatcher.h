#pragma once

#include "state/WakeWatcher.h"

#include <QDBusConnection>
#include <QVariantMap>
#include <optional>

class QDBusVariant;

// Reports the network coming back: NetworkManager's state turning to full connectivity after
// being anything else, as NetworkManager announces it on the system bus. Without a bus or
// NetworkManager, nothing is reported. The bus is reached only once watching starts.
class ReachabilityWatcher : public WakeWatcher
{
    Q_OBJECT

public:
    // Without a bus given, the system bus.
    explicit ReachabilityWatcher(std::optional<QDBusConnection> bus = std::nullopt,
                                 QObject* parent = nullptr);

    void watch() override;

private slots:
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);
    void onFirstState(const QDBusVariant& state);

private:
    void onState(uint state);

    std::optional<QDBusConnection> m_bus;
    bool m_watching = false;
    // NetworkManager's state last heard; none before the first answer or announcement.
    std::optional<uint> m_last;
};
