#include "SessionRegistry.h"

#include <QRandomGenerator>

namespace {

std::string randomKey()
{
    QByteArray bytes(24, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                          bytes.size() / sizeof(quint32));
    return "sk-demo-" + bytes.toHex().toStdString();
}

} // namespace

SessionRegistry::SessionRegistry(std::optional<int> expireAfter) : m_expireAfter(expireAfter) {}

void SessionRegistry::addFixed(const QStringList& keys, const QString& email)
{
    std::lock_guard lock(m_mutex);
    for (const QString& key : keys)
        m_sessions[key.toStdString()] = {email, 0};
}

std::string SessionRegistry::signIn(const QString& email)
{
    std::lock_guard lock(m_mutex);
    std::string key = randomKey();
    m_sessions[key] = {email, 0};
    return key;
}

std::optional<QString> SessionRegistry::useForApi(const std::string& key)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_sessions.find(key);
    if (found == m_sessions.end() || hasExpired(found->second))
        return std::nullopt;
    ++found->second.apiRequests;
    return found->second.email;
}

std::optional<QString> SessionRegistry::signedInEmail(const std::string& key) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_sessions.find(key);
    if (found == m_sessions.end() || hasExpired(found->second))
        return std::nullopt;
    return found->second.email;
}

bool SessionRegistry::hasExpired(const Session& session) const
{
    return m_expireAfter && session.apiRequests >= *m_expireAfter;
}
