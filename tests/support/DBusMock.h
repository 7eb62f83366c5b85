#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QVariantList>

// A real D-Bus service played by python-dbusmock from one of its templates, which records
// every call it receives. It is stopped when this object goes.
class DBusMock
{
public:
    struct Template
    {
        QString name;    // the template's name for dbusmock
        QString service; // the bus name it takes
        QString path;    // its main object
    };
    static const Template kNotificationDaemon;
    static const Template kLogind;
    static const Template kNetworkManager;

    explicit DBusMock(const Template& mocked,
                      const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~DBusMock();

    // Starts the service and waits until it owns its name.
    bool start();
    QString failure() const { return m_failure; }

    // The arguments of every call of the method so far, oldest first.
    QList<QVariantList> callsOf(const QString& method) const;
    // Sends a signal from the main object, as the real service would.
    bool emitSignal(const QString& interface, const QString& name, const QString& signature,
                    const QVariantList& arguments);
    // Replaces a method of the main object by one that runs the Python code.
    bool addMethod(const QString& interface, const QString& name, const QString& inSignature,
                   const QString& outSignature, const QString& code);
    // Changes a property of the main object; the service announces it with PropertiesChanged.
    bool setProperty(const QString& interface, const QString& name, const QVariant& value);

private:
    bool fail();

    Template m_template;
    QDBusConnection m_bus;
    QProcess m_process;
    QString m_failure;
};
