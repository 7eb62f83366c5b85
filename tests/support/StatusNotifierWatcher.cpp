#include "StatusNotifierWatcher.h"

#include <QDBusConnection>

StatusNotifierWatcher::StatusNotifierWatcher()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_registered = bus.registerObject(kPath, this, QDBusConnection::ExportAllContents) &&
                   bus.registerService(kService);
}

StatusNotifierWatcher::~StatusNotifierWatcher()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(kService);
    bus.unregisterObject(kPath);
}

void StatusNotifierWatcher::RegisterStatusNotifierItem(const QString& service,
                                                       const QDBusMessage& message)
{
    // An item names its bus name, or only its object path on the connection it calls from.
    const QString item = service.startsWith(u'/') ? message.service() + service
                                                  : service + QStringLiteral("/StatusNotifierItem");
    m_items.append(item);
    emit StatusNotifierItemRegistered(item);
}
