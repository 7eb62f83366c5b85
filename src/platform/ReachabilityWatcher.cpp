#include "ReachabilityWatcher.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kState = QStringLiteral("State");
// NM_STATE_CONNECTED_GLOBAL: the only state that reaches the service.
constexpr uint kConnectedGlobal = 70;

} // namespace

ReachabilityWatcher::ReachabilityWatcher(std::optional<QDBusConnection> bus, QObject* parent)
    : WakeWatcher(parent), m_bus(std::move(bus))
{}

void ReachabilityWatcher::watch()
{
    if (m_watching)
        return;
    QDBusConnection bus = m_bus.value_or(QDBusConnection::systemBus());
    if (!bus.isConnected())
        return;
    // Asked of the bus directly: Qt's network-information plug-ins cost more memory than
    // the whole panel for a refresh a few minutes early.
    m_watching = bus.connect(kService, kPath, kProperties, QStringLiteral("PropertiesChanged"),
                             this, SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
    if (!m_watching)
        return;
    auto get = QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("Get"));
    get << kService << kState;
    bus.callWithCallback(get, this, SLOT(onFirstState(QDBusVariant)));
}

void ReachabilityWatcher::onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                              const QStringList&)
{
    const auto state = changed.constFind(kState);
    if (interface == kService && state != changed.constEnd())
        onState(state->toUInt());
}

void ReachabilityWatcher::onFirstState(const QDBusVariant& state)
{
    // An announcement that came first is newer.
    if (!m_last)
        m_last = state.variant().toUInt();
}

void ReachabilityWatcher::onState(uint state)
{
    const bool cameBack = state == kConnectedGlobal && m_last != kConnectedGlobal;
    m_last = state;
    if (cameBack)
        emit woke();
}
