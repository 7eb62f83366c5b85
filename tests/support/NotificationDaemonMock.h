#pragma once

#include "DBusMock.h"

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
// template.
class NotificationDaemonMock : public DBusMock
{
public:
    explicit NotificationDaemonMock(const QDBusConnection& bus = QDBusConnection::sessionBus())
        : DBusMock(kNotificationDaemon, bus)
    {}

    // Makes the server sleep this long before it answers each Notify, as a busy one might.
    bool answerNotifyLate(double seconds)
    {
        return addMethod(kNotificationDaemon.service, QStringLiteral("Notify"),
                         QStringLiteral("susssasa{sv}i"), QStringLiteral("u"),
                         QStringLiteral("time.sleep(%1)\nret = 1").arg(seconds));
    }
};
