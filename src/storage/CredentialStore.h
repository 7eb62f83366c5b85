#pragma once

#include <QCoroTask>
#include <QString>
#include <functional>
#include <optional>

// The stored session: session key, organization id and name in credentials.json. Every
// read goes to the file anew, every write rewrites it whole; nothing is held in memory and
// an unreadable file reads as absent values. Writes hold credentials.json.lock, so a write by
// another process never falls between the read and the write of a read-modify-write.
class CredentialStore
{
public:
    // The keys of credentials.json; a later start hands its session over under the same names.
    struct Key
    {
        static constexpr QLatin1String sessionKey{"sessionKey"};
        static constexpr QLatin1String orgId{"orgId"};
        static constexpr QLatin1String orgName{"orgName"};
    };

    struct Session
    {
        QString sessionKey;
        QString orgId;
        std::optional<QString> orgName = std::nullopt;

        // The same session whatever its name: the key and organization a request is sent for.
        bool isSameAs(const Session& other) const
        {
            return sessionKey == other.sessionKey && orgId == other.orgId;
        }
    };

    explicit CredentialStore(const QString& folderPath);
    // A store that only reads: it creates no folder, takes no lock, and its writes and clear()
    // do nothing.
    static CredentialStore readOnly(const QString& folderPath);

    std::optional<QString> sessionKey() const;
    std::optional<QString> orgId() const;
    std::optional<QString> orgName() const;
    bool hasCredentials() const;
    // The key, organization id and name from one read, when key and id are not empty.
    std::optional<Session> usableSession() const;
    // What a refresh asks the service about, from one read: a key that is not empty and an
    // organization id, which may be; with the stored name.
    std::optional<Session> sessionToRefresh() const;

    // One write of the whole record: a session stored this way never mixes with another.
    // Waits for credentials.json.lock with short tries on a timer, so the event loop runs on
    // meanwhile; once the lock is held, a write stillWanted no longer wants is skipped.
    // Whether the file was replaced; when not, the old file is left as it was.
    QCoro::Task<bool> storeSession(Session session, std::function<bool()> stillWanted = {}) const;

    void setSessionKey(const std::optional<QString>& value) const;
    void setOrgId(const std::optional<QString>& value) const;
    void setOrgName(const std::optional<QString>& value) const;

    // False when a stored session is still there afterwards (a folder the user may not write).
    bool clear() const;

    QString filePath() const { return m_filePath; }

private:
    CredentialStore(const QString& folderPath, bool readOnly);

    struct Record;
    Record readRecord() const;
    void writeField(std::optional<QString> Record::*field,
                    const std::optional<QString>& value) const;
    bool writeRecord(const Record& record) const;

    QString m_filePath;
    bool m_readOnly = false;
};
