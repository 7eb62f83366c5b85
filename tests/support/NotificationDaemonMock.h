#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QVariantList>

// Where each argument of a received Notify call stands.
enum NotifyArgument
{
    AppName,
    ReplacesId,
    AppIcon,
    Summary,
    Body,
    Actions,
    Hints,
    Expire
};

// A real notification server on the session bus: python-dbusmock's notification_daemon
// template, which records every call it receives. It is stopped when this object goes.
class NotificationDaemonMock
{
public:
    explicit NotificationDaemonMock(const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~NotificationDaemonMock();

    // Starts the server and waits until it owns org.freedesktop.Notifications.
    bool start();
    QString failure() const { return m_failure; }

    // Makes the server sleep this long before it answers each Notify, as a busy one might.
    bool answerNotifyLate(double seconds);

    // The arguments of every call of the method so far, oldest first.
    QList<QVariantList> callsOf(const QString& method) const;

private:
    bool fail();

    QDBusConnection m_bus;
    QProcess m_process;
    QString m_failure;
};
