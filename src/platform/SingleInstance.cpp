#include "SingleInstance.h"

#include "state/PrintableText.h"
#include "storage/AppDataFolder.h"

#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kServicePrefix = QStringLiteral("org.pallowe.Pallowe.Folder_");
const QString kPath = QStringLiteral("/org/pallowe/Pallowe");
const QString kInterface = QStringLiteral("org.pallowe.Pallowe.Instance");
const QString kSessionKey = QStringLiteral("sessionKey");
const QString kOrgId = QStringLiteral("orgId");
const QString kOrgName = QStringLiteral("orgName");
constexpr int kHandOverTimeoutMs = 10000;

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
         {std::pair{kSessionKey, commandLine.sessionKey}, std::pair{kOrgId, commandLine.orgId},
          std::pair{kOrgName, commandLine.orgName}})
        if (value)
            session.insert(key, *value);
    return session;
}

} // namespace

SingleInstance::SingleInstance(const QString& dataFolder, const QDBusConnection& bus,
                               QObject* parent)
    : QObject(parent), m_shownFolder(PrintableText::escaped(QDir::toNativeSeparators(dataFolder))),
      m_bus(bus), m_lock(dataFolder + QStringLiteral("/instance.lock"))
{
    AppDataFolder::ensureExists(dataFolder);
    m_serviceName = serviceNameFor(dataFolder);
    // Held for the whole run: only a holder that has died counts as stale.
    m_lock.setStaleLockTime(0);
}

SingleInstance::Claim SingleInstance::claim(const StartupOptions& commandLine)
{
    if (m_bus.isConnected()) {
        m_bus.registerObject(kPath, this, QDBusConnection::ExportScriptableSlots);
        const auto reply = m_bus.interface()->registerService(
            m_serviceName, QDBusConnectionInterface::DontQueueService,
            QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceNotRegistered) {
            m_bus.unregisterObject(kPath);
            return handOver(commandLine);
        }
    }
    // Also with a bus: an owner started where there was none holds only the lock.
    return lockFolder();
}

SingleInstance::Claim SingleInstance::handOver(const StartupOptions& commandLine)
{
    QDBusMessage call = QDBusMessage::createMethodCall(m_serviceName, kPath, kInterface,
                                                       QStringLiteral("Activate"));
    call.setAutoStartService(false);
    call << sessionOf(commandLine);
    // Answered once the owner has stored the session, so this start ends after it is in place.
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kHandOverTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        m_report =
            QStringLiteral("pallowe: Pallowe is already running for %1 but did not answer: %2")
                .arg(m_shownFolder, PrintableText::escaped(reply.errorMessage()));
        return Claim::Refused;
    }
    const bool session = commandLine.sessionKey && commandLine.orgId;
    m_report =
        QStringLiteral("pallowe: Pallowe is already running for %1; %2")
            .arg(m_shownFolder,
                 session ? QStringLiteral("the session was handed to it and its panel opened.")
                         : QStringLiteral("its panel opened."));
    return Claim::HandedOver;
}

SingleInstance::Claim SingleInstance::lockFolder()
{
    // A folder that cannot hold the lock at all is no sign of another instance.
    if (m_lock.tryLock(0) || m_lock.error() != QLockFile::LockFailedError)
        return Claim::Owner;
    m_report = QStringLiteral("pallowe: Pallowe is already running for %1 and cannot be reached "
                              "without a session bus; not starting a second one.")
                   .arg(m_shownFolder);
    return Claim::Refused;
}

void SingleInstance::Activate(const QVariantMap& session)
{
    StartupOptions commandLine;
    commandLine.sessionKey = textIn(session, kSessionKey);
    commandLine.orgId = textIn(session, kOrgId);
    commandLine.orgName = textIn(session, kOrgName);
    emit activated(commandLine);
}

// Its meta-object is compiled here, not with the rest of the core's (see src/CMakeLists.txt).
#include "moc_SingleInstance.cpp"
