#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>
#include <QVariantList>

// Where each argument of a received Notify call stands.
// clang-format off
enum NotifyArgument { AppName, ReplacesId, AppIcon, Summary, Body, Actions, Hints, Expire };
// clang-format on

// A real D-Bus service played by python-dbusmock from one of its templates, which records
// every call it receives. It is stopped when this object goes.
class DBusMock
{
public:
    struct Template
    {
        QString name, service, path; // dbusmock's template, the bus name it takes, its object
    };
    static inline const Template kNotificationDaemon{
        "notification_daemon", "org.freedesktop.Notifications", "/org/freedesktop/Notifications"};
    static inline const Template kLogind{"logind", "org.freedesktop.login1",
                                         "/org/freedesktop/login1"};
    static inline const Template kNetworkManager{"networkmanager", "org.freedesktop.NetworkManager",
                                                 "/org/freedesktop/NetworkManager"};

    explicit DBusMock(const Template& mocked = kNotificationDaemon,
                      const QDBusConnection& bus = QDBusConnection::sessionBus())
        : m_template(mocked), m_bus(bus)
    {
        // It echoes every call on standard output; nobody reads it, so it must not fill a pipe.
        m_process.setStandardOutputFile(QProcess::nullDevice());
    }
    ~DBusMock()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

    // Starts the service and waits until it owns its name.
    bool start()
    {
        // Always on the session bus: tests that need a system bus point it at the same one.
        m_process.start(PALLOWE_DBUSMOCK_PYTHON,
                        {"-m", "dbusmock", "--session", "--template", m_template.name});
        const auto owned = [this] {
            return m_bus.interface()->isServiceRegistered(m_template.service);
        };
        const auto ended = [this] { return m_process.state() == QProcess::NotRunning; };
        if (QTest::qWaitFor([&] { return owned() || ended(); }, 20000) && owned())
            return true;
        m_failure = "the mock never took the name: " + m_process.errorString() + ' ' +
                    QString::fromLocal8Bit(m_process.readAllStandardError());
        return false;
    }
    QString failure() const { return m_failure; }

    // The arguments of every call of the method so far, oldest first.
    QList<QVariantList> callsOf(const QString& method) const
    {
        QDBusMessage reply;
        if (!call(kMock, "GetMethodCalls", {method}, &reply) || reply.arguments().isEmpty())
            return {};
        // a(tav): a time stamp and the arguments of each call.
        const auto log = reply.arguments().constFirst().value<QDBusArgument>();
        QList<QVariantList> calls;
        log.beginArray();
        while (!log.atEnd()) {
            qulonglong timestamp = 0;
            log.beginStructure();
            log >> timestamp;
            QVariantList arguments;
            log >> arguments;
            std::transform(arguments.begin(), arguments.end(), arguments.begin(), plainValue);
            calls << arguments;
            log.endStructure();
        }
        log.endArray();
        return calls;
    }
    // Sends a signal from the main object, as the real service would.
    bool emitSignal(const QString& interface, const QString& name, const QString& signature,
                    const QVariantList& arguments)
    {
        return call(kMock, "EmitSignal", {interface, name, signature, QVariant(arguments)});
    }
    // Replaces a method of the main object by one that runs the Python code.
    bool addMethod(const QString& interface, const QString& name, const QString& inSignature,
                   const QString& outSignature, const QString& code)
    {
        return call(kMock, "AddMethod", {interface, name, inSignature, outSignature, code});
    }
    // Changes a property of the main object; the service announces it with PropertiesChanged.
    bool setProperty(const QString& interface, const QString& name, const QVariant& value)
    {
        return call("org.freedesktop.DBus.Properties", "Set",
                    {interface, name, QVariant::fromValue(QDBusVariant(value))});
    }
    // Notification server only: sleeps this long before it answers each Notify, as a busy one.
    bool answerNotifyLate(double seconds)
    {
        return addMethod(m_template.service, "Notify", "susssasa{sv}i", "u",
                         QStringLiteral("time.sleep(%1)\nret = 1").arg(seconds));
    }

private:
    static inline const QString kMock = QStringLiteral("org.freedesktop.DBus.Mock");
    bool call(const QString& interface, const QString& method, const QVariantList& arguments,
              QDBusMessage* reply = nullptr) const
    {
        auto request =
            QDBusMessage::createMethodCall(m_template.service, m_template.path, interface, method);
        request.setArguments(arguments);
        const QDBusMessage answer = m_bus.call(request);
        if (reply)
            *reply = answer;
        return answer.type() == QDBusMessage::ReplyMessage;
    }
    // Containers arrive still marshalled; turn the ones the notification calls use into values.
    static QVariant plainValue(const QVariant& value)
    {
        if (value.userType() != qMetaTypeId<QDBusArgument>())
            return value;
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentSignature() == QLatin1String("a{sv}"))
            return qdbus_cast<QVariantMap>(argument);
        if (argument.currentSignature() == QLatin1String("as"))
            return qdbus_cast<QStringList>(argument);
        return value;
    }

    Template m_template;
    QDBusConnection m_bus;
    QProcess m_process;
    QString m_failure;
};
