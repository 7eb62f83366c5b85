#include "CredentialStore.h"

#include "AppDataFolder.h"
#include "JsonFile.h"
#include "model/JsonReader.h"

#include <QFile>

namespace {

const QString kSessionKey = QStringLiteral("sessionKey");
const QString kOrgId = QStringLiteral("orgId");
const QString kOrgName = QStringLiteral("orgName");

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
        return Record{json.optionalString(kSessionKey), json.optionalString(kOrgId),
                      json.optionalString(kOrgName)};
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
    const Record record = readRecord();
    if (!record.sessionKey || record.sessionKey->isEmpty() || !record.orgId ||
        record.orgId->isEmpty())
        return std::nullopt;
    return Session{*record.sessionKey, *record.orgId};
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

void CredentialStore::writeField(std::optional<QString> Record::*field,
                                 const std::optional<QString>& value) const
{
    if (m_readOnly)
        return;
    Record record = readRecord();
    record.*field = value;

    QJsonObject object;
    if (record.sessionKey)
        object.insert(kSessionKey, *record.sessionKey);
    if (record.orgId)
        object.insert(kOrgId, *record.orgId);
    if (record.orgName)
        object.insert(kOrgName, *record.orgName);
    // The session key is a bearer secret: owner-only, whatever the umask says.
    JsonFile::write(m_filePath, object, QFile::ReadOwner | QFile::WriteOwner);
}

void CredentialStore::clear() const
{
    if (!m_readOnly)
        QFile::remove(m_filePath);
}
