#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <mutex>
#include <optional>
#include <string>

// The sessions the service accepts, shared by the server's worker threads.
class SessionRegistry
{
public:
    // expireAfter: how many API requests a session answers before it is refused; none: no limit.
    explicit SessionRegistry(std::optional<int> expireAfter);

    void addFixed(const QStringList& keys, const QString& email);
    // A new session with a fresh random key; returns the key.
    std::string signIn(const QString& email);

    // Counts one API request against the session; its account e-mail, or nothing when the key
    // is unknown or the session has run out.
    std::optional<QString> useForApi(const std::string& key);
    // Whether a browser with this key is signed in (counts nothing); its e-mail if so.
    std::optional<QString> signedInEmail(const std::string& key) const;

private:
    struct Session
    {
        QString email;
        int apiRequests = 0;
    };

    bool hasExpired(const Session& session) const;

    const std::optional<int> m_expireAfter;
    mutable std::mutex m_mutex;
    std::map<std::string, Session> m_sessions;
};
