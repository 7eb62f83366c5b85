#include "SingleInstance.h"

#include "state/PrintableText.h"
#include "storage/AppDataFolder.h"
#include "storage/CredentialStore.h"

#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <chrono>

namespace {

// A later start hands its session over under the names credentials.json keeps it by.
using Key = CredentialStore::Key;

const QString kServicePrefix = QStringLiteral("org.pallowe.Pallowe.Folder_");
const QString kPath = QStringLiteral("/org/pallowe/Pallowe");
const QString kInterface = QStringLiteral("org.pallowe.Pallowe.Instance");
constexpr int kHandOverTimeoutMs = 10000;
// A start writes its lock within milliseconds of creating it: one still unreadable after this
// was left by a start that died in between.
constexpr auto kUnreadableLockStaleAfter = std::chrono::seconds(5);

// The same folder reached through another spelling or a symbolic link gets the same name.
QString serviceNameFor(const QString& folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    const QString path = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256);
    return kServicePrefix + QString::fromLatin1(hash.toHex().left(16));
}

std::optional<QString> textIn(const QVariantMap& map, const QString& key)
{
    const auto it = map.constFind(key);
    if (it == map.constEnd() || it->typeId() != QMetaType::QString)
        return std::nullopt;
    return it->toString();
}

QVariantMap sessionOf(const StartupOptions& commandLine)
{
    QVariantMap session;
    for (const auto& [key, value] :
         {std::pair{Key::sessionKey, commandLine.sessionKey},
          std::pair{Key::orgId, commandLine.orgId}, std::pair{Key::orgName, commandLine.orgName}})
        if (value)
            session.insert(key, *value);
    return session;
}

} // namespace

SingleInstance::SingleInstance(const QString& dataFolder, const QDBusConnection& bus,
                               QObject* parent)
    : QObject(parent), m_shownFolder(PrintableText::escaped(QDir::toNativeSeparators(dataFolder))),
      m_bus(bus), m_lockPath(dataFolder + QStringLiteral("/instance.lock")), m_lock(m_lockPath)
{
    AppDataFolder::ensureExists(dataFolder);
    m_serviceName = serviceNameFor(dataFolder);
    // Held for the whole run: only a holder that has died counts as stale.
    m_lock.setStaleLockTime(0);
}

SingleInstance::Claim SingleInstance::claim(const StartupOptions& commandLine)
{
    bool holdsBusName = false;
    if (m_bus.isConnected()) {
        m_bus.registerObject(kPath, this, QDBusConnection::ExportScriptableSlots);
        const auto reply = m_bus.interface()->registerService(
            m_serviceName, QDBusConnectionInterface::DontQueueService,
            QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceNotRegistered) {
            m_bus.unregisterObject(kPath);
            return handOver(commandLine);
        }
        holdsBusName =
            reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    }
    // Also with a bus: an owner started where there was none holds only the lock.
    return lockFolder(holdsBusName);
}

SingleInstance::Claim SingleInstance::handOver(const StartupOptions& commandLine)
{
    QDBusMessage call = QDBusMessage::createMethodCall(m_serviceName, kPath, kInterface,
                                                       QStringLiteral("Activate"));
    call.setAutoStartService(false);
    call << sessionOf(commandLine);
    // Answered once the owner has stored the session, so this start ends after it is in place.
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kHandOverTimeoutMs);
    const bool session = commandLine.sessionKey && commandLine.orgId;
    const QString running =
        QStringLiteral("pallowe: Pallowe è già in esecuzione per %1").arg(m_shownFolder);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        // The call stays queued: an owner that is only slow still takes it later.
        m_report = running + QStringLiteral(" ma non ha risposto: %1")
                                 .arg(PrintableText::escaped(reply.errorMessage()));
        if (session)
            m_report +=
                QStringLiteral("; la sessione potrebbe comunque essere applicata più tardi.");
        return Claim::Refused;
    }
    // An owner that does not say is one that stored it before answering.
    const QVariant stored = reply.arguments().value(0);
    if (session && stored.typeId() == QMetaType::Bool && !stored.toBool()) {
        m_report =
            running + QStringLiteral(" e ha ricevuto la sessione, ma non ha potuto "
                                     "salvarla: al prossimo avvio servirà un nuovo accesso.");
        return Claim::Refused;
    }
    m_report = running + (session ? QStringLiteral(": gli è stata passata la sessione e si è "
                                                   "aperto il suo pannello.")
                                  : QStringLiteral(": si è aperto il suo pannello."));
    return Claim::HandedOver;
}

SingleInstance::Claim SingleInstance::lockFolder(bool holdsBusName)
{
    // A folder that cannot hold the lock at all is no sign of another instance.
    const auto owned = [this] {
        return m_lock.tryLock(0) || m_lock.error() != QLockFile::LockFailedError;
    };
    if (owned())
        return Claim::Owner;
    if (!isAbandoned(holdsBusName)) {
        m_report = refusal(holdsBusName);
        return Claim::Refused;
    }
    if (m_lock.removeStaleLockFile() && owned())
        return Claim::Owner;
    m_report = QStringLiteral("pallowe: %1 è rimasto da un Pallowe che non è più in esecuzione, ma "
                              "non si può sostituire; non avvio Pallowe.")
                   .arg(PrintableText::escaped(QDir::toNativeSeparators(m_lockPath)));
    return Claim::Refused;
}

bool SingleInstance::isAbandoned(bool holdsBusName) const
{
    // Holding the folder's bus name, no other Pallowe of the folder can be running with a bus;
    // only a live one started without a bus, on this host, still counts.
    qint64 pid = 0;
    QString host, program;
    if (!m_lock.getLockInfo(&pid, &host, &program)) {
        const QDateTime written = QFileInfo(m_lockPath).lastModified();
        return holdsBusName ||
               written.secsTo(QDateTime::currentDateTime()) >= kUnreadableLockStaleAfter.count();
    }
    const bool otherHost = !host.isEmpty() && host != QSysInfo::machineHostName();
    return otherHost && holdsBusName;
}

QString SingleInstance::refusal(bool holdsBusName) const
{
    qint64 pid = 0;
    QString host, program;
    if (!m_lock.getLockInfo(&pid, &host, &program))
        return QStringLiteral("pallowe: un altro Pallowe si sta avviando per %1; non ne avvio un "
                              "secondo.")
            .arg(m_shownFolder);
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return QStringLiteral("pallowe: %1 è in uso da Pallowe sull'host %2 (processo %3); se lì "
                              "non è più in esecuzione, elimina %4 e riprova.")
            .arg(m_shownFolder, PrintableText::escaped(host), QString::number(pid),
                 PrintableText::escaped(QDir::toNativeSeparators(m_lockPath)));
    if (holdsBusName)
        return QStringLiteral(
                   "pallowe: un altro Pallowe (processo %1) è in esecuzione per %2 senza "
                   "un bus di sessione e non può essere raggiunto; non ne avvio un "
                   "secondo.")
            .arg(QString::number(pid), m_shownFolder);
    return QStringLiteral("pallowe: Pallowe è già in esecuzione per %1 (processo %2) e senza un "
                          "bus di sessione non può essere raggiunto; non ne avvio un secondo.")
        .arg(m_shownFolder, QString::number(pid));
}

bool SingleInstance::Activate(const QVariantMap& session, const QDBusMessage& call)
{
    StartupOptions commandLine;
    commandLine.sessionKey = textIn(session, Key::sessionKey);
    commandLine.orgId = textIn(session, Key::orgId);
    commandLine.orgName = textIn(session, Key::orgName);
    call.setDelayedReply(true);
    emit activated(commandLine, call);
    return true; // never sent: answer() replies
}

void SingleInstance::answer(const QDBusMessage& call, bool stored)
{
    m_bus.send(call.createReply(QVariant(stored)));
}
