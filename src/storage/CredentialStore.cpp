#include "CredentialStore.h"

#include "AppDataFolder.h"
#include "JsonFile.h"
#include "model/JsonReader.h"

#include <QCoroTimer>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <chrono>

namespace {

// A write holds the lock for milliseconds; a holder that died is noticed at once by its
// process id, one that hangs (or sits on another host sharing the home) is overruled later.
constexpr auto kLockStaleAfter = std::chrono::seconds(5);
constexpr auto kLockWait = std::chrono::seconds(6);
constexpr auto kLockRetry = std::chrono::milliseconds(50);

bool acquire(QLockFile& lock)
{
    lock.setStaleLockTime(kLockStaleAfter);
    return lock.tryLock(kLockWait);
}

} // namespace

struct CredentialStore::Record
{
    std::optional<QString> sessionKey;
    std::optional<QString> orgId;
    std::optional<QString> orgName;
};

CredentialStore::CredentialStore(const QString& folderPath) : CredentialStore(folderPath, false) {}

CredentialStore::CredentialStore(const QString& folderPath, bool readOnly)
    : m_filePath(folderPath + QStringLiteral("/credentials.json")), m_readOnly(readOnly)
{
    if (!m_readOnly)
        AppDataFolder::ensureExists(folderPath);
}

CredentialStore CredentialStore::readOnly(const QString& folderPath)
{
    return CredentialStore(folderPath, true);
}

CredentialStore::Record CredentialStore::readRecord() const
{
    const auto bytes = JsonFile::read(m_filePath);
    if (!bytes)
        return {};
    const auto record = JsonReader::decode<Record>(*bytes, [](const JsonReader& json) {
        return Record{json.optionalString(Key::sessionKey), json.optionalString(Key::orgId),
                      json.optionalString(Key::orgName)};
    });
    return record ? *record : Record{};
}

std::optional<QString> CredentialStore::sessionKey() const
{
    return readRecord().sessionKey;
}

std::optional<QString> CredentialStore::orgId() const
{
    return readRecord().orgId;
}

std::optional<QString> CredentialStore::orgName() const
{
    return readRecord().orgName;
}

bool CredentialStore::hasCredentials() const
{
    return usableSession().has_value();
}

std::optional<CredentialStore::Session> CredentialStore::usableSession() const
{
    const auto session = sessionToRefresh();
    if (!session || session->orgId.isEmpty())
        return std::nullopt;
    return session;
}

std::optional<CredentialStore::Session> CredentialStore::sessionToRefresh() const
{
    const Record record = readRecord();
    if (!record.sessionKey || record.sessionKey->isEmpty() || !record.orgId)
        return std::nullopt;
    return Session{*record.sessionKey, *record.orgId, record.orgName};
}

void CredentialStore::setSessionKey(const std::optional<QString>& value) const
{
    writeField(&Record::sessionKey, value);
}

void CredentialStore::setOrgId(const std::optional<QString>& value) const
{
    writeField(&Record::orgId, value);
}

void CredentialStore::setOrgName(const std::optional<QString>& value) const
{
    writeField(&Record::orgName, value);
}

QCoro::Task<bool> CredentialStore::storeSession(Session session,
                                                std::function<bool()> stillWanted) const
{
    // The caller may be gone by the time the lock is free: the coroutine keeps its own copy.
    const CredentialStore store = *this;
    if (store.m_readOnly)
        co_return false;
    QLockFile lock(store.m_filePath + QStringLiteral(".lock"));
    lock.setStaleLockTime(kLockStaleAfter);
    const QDeadlineTimer deadline(kLockWait);
    while (!lock.tryLock(0)) {
        // Only a holder is worth waiting for; a folder that cannot take the lock never will.
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            co_return false;
        co_await QCoro::sleepFor(kLockRetry);
    }
    if (stillWanted && !stillWanted())
        co_return false;
    const Record record{session.sessionKey, session.orgId, session.orgName};
    co_return store.writeRecord(record);
}

void CredentialStore::writeField(std::optional<QString> Record::*field,
                                 const std::optional<QString>& value) const
{
    if (m_readOnly)
        return;
    QLockFile lock(m_filePath + QStringLiteral(".lock"));
    if (!acquire(lock))
        return;
    Record record = readRecord();
    record.*field = value;
    writeRecord(record);
}

bool CredentialStore::writeRecord(const Record& record) const
{
    QJsonObject object;
    if (record.sessionKey)
        object.insert(Key::sessionKey, *record.sessionKey);
    if (record.orgId)
        object.insert(Key::orgId, *record.orgId);
    if (record.orgName)
        object.insert(Key::orgName, *record.orgName);
    // The session key is a bearer secret: owner-only, whatever the umask says.
    return JsonFile::write(m_filePath, object, QFile::ReadOwner | QFile::WriteOwner);
}

bool CredentialStore::clear() const
{
    if (m_readOnly)
        return false;
    return QFile::remove(m_filePath) || !QFileInfo(m_filePath).exists();
}
