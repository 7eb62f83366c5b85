#include "FreedesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

const QString kAppName = QStringLiteral("Pallowe");
// The desktop entry's id, which names the icon too.
const QString kDesktopEntry = QStringLiteral("org.pallowe.Pallowe");
constexpr int kServerDefaultExpiry = -1;
constexpr uchar kNormalUrgency = 1;

QVariantMap notificationHints()
{
    return {{QStringLiteral("desktop-entry"), kDesktopEntry},
            {QStringLiteral("sound-name"), QStringLiteral("message-new-instant")},
            {QStringLiteral("urgency"), QVariant::fromValue(kNormalUrgency)}};
}

} // namespace

FreedesktopNotifier::FreedesktopNotifier(const QDBusConnection& bus, int callTimeoutMs,
                                         QObject* parent)
    : QObject(parent), m_bus(bus), m_callTimeoutMs(callTimeoutMs)
{}

void FreedesktopNotifier::post(const QString& identifier, const QString& title, const QString& body)
{
    Slot& slot = m_slots[identifier];
    const Message message{title, body};
    // Until the server has told us the id of the previous post, a new one could only pop up
    // beside it; it waits and goes out as a replacement instead.
    if (slot.inFlight) {
        slot.waiting = message;
        return;
    }
    send(identifier, message);
}

void FreedesktopNotifier::requestPermission()
{
    if (!m_bus.isConnected())
        return;
    // The freedesktop protocol has no permission step; asking for the capabilities wakes a
    // server that is started on demand. The answer is not needed.
    m_bus.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface, "GetCapabilities"));
}

void FreedesktopNotifier::send(const QString& identifier, const Message& message)
{
    if (!m_bus.isConnected()) {
        emit undelivered(message.title, message.body);
        return;
    }
    Slot& slot = m_slots[identifier];
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    call << kAppName << slot.serverId << kDesktopEntry << message.title << message.body
         << QStringList() << notificationHints() << kServerDefaultExpiry;
    slot.inFlight = true;

    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, identifier, message](QDBusPendingCallWatcher* finished) {
                onNotifyFinished(finished, identifier, message);
            });
}

void FreedesktopNotifier::onNotifyFinished(QDBusPendingCallWatcher* watcher,
                                           const QString& identifier, const Message& message)
{
    watcher->deleteLater();
    const QDBusPendingReply<uint> reply = *watcher;
    Slot& slot = m_slots[identifier];
    slot.inFlight = false;
    if (reply.isValid())
        slot.serverId = reply.value();
    else if (meansNoServer(reply.error()))
        emit undelivered(message.title, message.body);

    if (slot.waiting) {
        const Message next = *slot.waiting;
        slot.waiting.reset();
        send(identifier, next);
    }
}

bool FreedesktopNotifier::meansNoServer(const QDBusError& error)
{
    // A server that is there but slow may still show the notification: no reply or a
    // time-out must not put a second copy in the balloon. TimedOut is the bus giving up on
    // starting a server, so nothing was delivered.
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoServer:
    case QDBusError::Disconnected:
    case QDBusError::TimedOut:
        return true;
    default:
        // A server that is installed but cannot be started answers with a Spawn error.
        return error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
               error.name().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
    }
}
