#pragma once

#include "state/Notifier.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <functional>
#include <optional>

class QDBusError;
class QDBusPendingCallWatcher;

// Posts notifications to the desktop's notification server (org.freedesktop.Notifications)
// without ever waiting for it. The server's id is remembered per identifier, so posting the
// same identifier again replaces the notification on screen. When there is no bus or no
// server, the fallback (the tray icon's balloon) shows the text instead; a slow server
// does not count as none.
class FreedesktopNotifier : public QObject, public Notifier
{
    Q_OBJECT

public:
    using Fallback = std::function<void(const QString& title, const QString& body)>;

    // A call timeout of -1 is the bus library's own; tests shorten it.
    explicit FreedesktopNotifier(Fallback fallback,
                                 const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                 int callTimeoutMs = -1, QObject* parent = nullptr);

    void post(const QString& identifier, const QString& title, const QString& body) override;
    void requestPermission() override;

private:
    struct Message
    {
        QString title;
        QString body;
    };

    // One identifier's notification: the server's id once known, the call on its way, and
    // the newest post that waits for that call so it can replace what the call shows.
    struct Slot
    {
        uint serverId = 0;
        bool inFlight = false;
        std::optional<Message> waiting;
    };

    void send(const QString& identifier, const Message& message);
    void onNotifyFinished(QDBusPendingCallWatcher* watcher, const QString& identifier,
                          const Message& message);
    static bool meansNoServer(const QDBusError& error);

    Fallback m_fallback;
    QDBusConnection m_bus;
    int m_callTimeoutMs;
    QHash<QString, Slot> m_slots;
};
