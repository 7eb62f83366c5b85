#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

// The tray watcher a desktop shell puts on the session bus (org.kde.StatusNotifierWatcher),
// with a tray host always present. Its properties are exported, so the introspection lists
// them: clients read them only then. It leaves the bus when it goes.
class StatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    static inline const QString kService = QStringLiteral("org.kde.StatusNotifierWatcher");
    static inline const QString kPath = QStringLiteral("/StatusNotifierWatcher");

    StatusNotifierWatcher()
    {
        m_registered = bus().registerObject(kPath, this, QDBusConnection::ExportAllContents) &&
                       bus().registerService(kService);
    }
    ~StatusNotifierWatcher() override
    {
        bus().unregisterService(kService);
        bus().unregisterObject(kPath);
    }

    bool isRegistered() const { return m_registered; }

    // Each item as "bus name/object path", in order of registration.
    QStringList registeredItems() const { return m_items; }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message)
    {
        // An item names its bus name, or only its object path on the connection it calls from.
        const QString item = service.startsWith(u'/') ? message.service() + service
                                                      : service + "/StatusNotifierItem";
        m_items.append(item);
        emit StatusNotifierItemRegistered(item);
    }

signals:
    void StatusNotifierItemRegistered(const QString& item);

private:
    static QDBusConnection bus() { return QDBusConnection::sessionBus(); }

    QStringList m_items;
    bool m_registered = false;
};
