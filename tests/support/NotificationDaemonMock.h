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
};
