#include "DBusMock.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QSignalSpy>

namespace {

const QString kMockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
constexpr int kStartTimeoutMs = 20000;

// Containers arrive still marshalled; turn the ones the notification calls use into values.
QVariant plainValue(const QVariant& value)
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

QVariantList callArguments(const QDBusArgument& call)
{
    QVariantList arguments;
    call.beginArray();
    while (!call.atEnd()) {
        QDBusVariant argument;
        call >> argument;
        arguments << plainValue(argument.variant());
    }
    call.endArray();
    return arguments;
}

} // namespace

const DBusMock::Template DBusMock::kNotificationDaemon{
    QStringLiteral("notification_daemon"), QStringLiteral("org.freedesktop.Notifications"),
    QStringLiteral("/org/freedesktop/Notifications")};
const DBusMock::Template DBusMock::kLogind{QStringLiteral("logind"),
                                           QStringLiteral("org.freedesktop.login1"),
                                           QStringLiteral("/org/freedesktop/login1")};
const DBusMock::Template DBusMock::kNetworkManager{
    QStringLiteral("networkmanager"), QStringLiteral("org.freedesktop.NetworkManager"),
    QStringLiteral("/org/freedesktop/NetworkManager")};

DBusMock::DBusMock(const Template& mocked, const QDBusConnection& bus)
    : m_template(mocked), m_bus(bus)
{
    // The mock echoes every call on standard output; nobody reads it, so it must not fill a pipe.
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

DBusMock::~DBusMock()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool DBusMock::start()
{
    const QString& service = m_template.service;
    QDBusServiceWatcher watcher(service, m_bus, QDBusServiceWatcher::WatchForRegistration);
    QSignalSpy registered(&watcher, &QDBusServiceWatcher::serviceRegistered);
    // Always on the session bus: tests that need a system bus point it at the same one.
    m_process.start(QStringLiteral(PALLOWE_DBUSMOCK_PYTHON),
                    {"-m", "dbusmock", "--session", "--template", m_template.name});
    if (!m_process.waitForStarted()) {
        m_failure = m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!m_bus.interface()->isServiceRegistered(service)) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired())
            return fail();
        registered.wait(100);
    }
    return true;
}

bool DBusMock::fail()
{
    m_failure = QStringLiteral("the mock never took the name: ") +
                QString::fromLocal8Bit(m_process.readAllStandardError());
    return false;
}

bool DBusMock::addMethod(const QString& interface, const QString& name, const QString& inSignature,
                         const QString& outSignature, const QString& code)
{
    auto request = QDBusMessage::createMethodCall(m_template.service, m_template.path,
                                                  kMockInterface, "AddMethod");
    request << interface << name << inSignature << outSignature << code;
    return m_bus.call(request).type() == QDBusMessage::ReplyMessage;
}

QList<QVariantList> DBusMock::callsOf(const QString& method) const
{
    auto request = QDBusMessage::createMethodCall(m_template.service, m_template.path,
                                                  kMockInterface, "GetMethodCalls");
    request << method;
    const QDBusMessage reply = m_bus.call(request);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};

    // a(tav): a time stamp and the arguments of each call.
    const auto log = reply.arguments().constFirst().value<QDBusArgument>();
    QList<QVariantList> calls;
    log.beginArray();
    while (!log.atEnd()) {
        qulonglong timestamp = 0;
        log.beginStructure();
        log >> timestamp;
        calls << callArguments(log);
        log.endStructure();
    }
    log.endArray();
    return calls;
}

bool DBusMock::emitSignal(const QString& interface, const QString& name, const QString& signature,
                          const QVariantList& arguments)
{
    auto request = QDBusMessage::createMethodCall(m_template.service, m_template.path,
                                                  kMockInterface, "EmitSignal");
    request << interface << name << signature << QVariant(arguments);
    return m_bus.call(request).type() == QDBusMessage::ReplyMessage;
}

bool DBusMock::setProperty(const QString& interface, const QString& name, const QVariant& value)
{
    auto request = QDBusMessage::createMethodCall(m_template.service, m_template.path,
                                                  "org.freedesktop.DBus.Properties", "Set");
    request << interface << name << QVariant::fromValue(QDBusVariant(value));
    return m_bus.call(request).type() == QDBusMessage::ReplyMessage;
}
