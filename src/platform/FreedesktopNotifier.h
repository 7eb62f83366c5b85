#pragma once

#include "state/Notifier.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <optional>

class QDBusError;
class QDBusPendingCallWatcher;

// Posts notifications to the desktop's notification server (org.freedesktop.Notifications)
// without ever waiting for it. The server's id is remembered per identifier, so posting the
// same identifier again replaces the notification on screen. When there is no bus or no
// server, it says so with undelivered, so that the tray icon's balloon can show the text
// instead; a slow server does not count as none.
class FreedesktopNotifier : public QObject, public Notifier
{
    Q_OBJECT

public:
    // A call timeout of -1 is the bus library's own; tests shorten it.
    explicit FreedesktopNotifier(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                 int callTimeoutMs = -1, QObject* parent = nullptr);

    void post(const QString& identifier, const QString& title, const QString& body) override;
    void requestPermission() override;

signals:
    // No notification server will show this post.
    void undelivered(const QString& title, const QString& body);

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

    QDBusConnection m_bus;
    int m_callTimeoutMs;
    QHash<QString, Slot> m_slots;
};
