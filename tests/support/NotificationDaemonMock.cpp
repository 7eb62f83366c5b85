#include "NotificationDaemonMock.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QSignalSpy>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
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

NotificationDaemonMock::NotificationDaemonMock(const QDBusConnection& bus) : m_bus(bus)
{
    // The mock echoes every call on standard output; nobody reads it, so it must not fill a pipe.
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

NotificationDaemonMock::~NotificationDaemonMock()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool NotificationDaemonMock::start()
{
    QDBusServiceWatcher watcher(kService, m_bus, QDBusServiceWatcher::WatchForRegistration);
    QSignalSpy registered(&watcher, &QDBusServiceWatcher::serviceRegistered);
    m_process.start(QStringLiteral(PALLOWE_DBUSMOCK_PYTHON),
                    {"-m", "dbusmock", "--session", "--template", "notification_daemon"});
    if (!m_process.waitForStarted()) {
        m_failure = m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!m_bus.interface()->isServiceRegistered(kService)) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired())
            return fail();
        registered.wait(100);
    }
    return true;
}

bool NotificationDaemonMock::fail()
{
    m_failure = QStringLiteral("the mock never took the name: ") +
                QString::fromLocal8Bit(m_process.readAllStandardError());
    return false;
}

bool NotificationDaemonMock::answerNotifyLate(double seconds)
{
    auto request = QDBusMessage::createMethodCall(kService, kPath, kMockInterface, "AddMethod");
    request << kService << "Notify"
            << "susssasa{sv}i"
            << "u" << QStringLiteral("time.sleep(%1)\nret = 1").arg(seconds);
    return m_bus.call(request).type() == QDBusMessage::ReplyMessage;
}

QList<QVariantList> NotificationDaemonMock::callsOf(const QString& method) const
{
    auto request =
        QDBusMessage::createMethodCall(kService, kPath, kMockInterface, "GetMethodCalls");
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
