#include "SignInProfile.h"

#include "CookieMirror.h"
#include "StoredCookies.h"
#include "storage/AppDataFolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

namespace {

QString cachePathFor(const QString& storagePath)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Pallowe/QtWebEngine/") + QFileInfo(storagePath).fileName();
}

} // namespace

std::shared_ptr<SignInProfile> SignInProfile::at(const QString& storagePath)
{
    static QHash<QString, std::weak_ptr<SignInProfile>> profiles;
    if (auto existing = profiles.value(storagePath).lock())
        return existing;
    auto created = std::make_shared<SignInProfile>(storagePath);
    profiles.insert(storagePath, created);
    return created;
}

QString SignInProfile::defaultStoragePath()
{
    // Where the engine puts a profile named "Pallowe" of an application named "Pallowe":
    // the engine writes a first file there before the path can be changed.
    return AppDataFolder::defaultPath() + QStringLiteral("/QtWebEngine/Pallowe");
}

SignInProfile::SignInProfile(const QString& storagePath)
{
    m_profile = new QWebEngineProfile(QStringLiteral("Pallowe"), this);
    m_profile->setPersistentStoragePath(storagePath);
    m_profile->setCachePath(cachePathFor(storagePath));
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    // Read before the engine opens the database for itself.
    m_mirror = new CookieMirror(m_profile->cookieStore(), StoredCookies::read(storagePath), this);
}

SignInProfile::~SignInProfile()
{
    // After the application has ended the engine is gone with it (see the controller).
    if (QCoreApplication::closingDown()) {
        m_profile->setParent(nullptr);
        return;
    }
    delete m_mirror;
    delete m_profile;
}

QList<QNetworkCookie> SignInProfile::cookies() const
{
    return m_mirror->cookies();
}

void SignInProfile::deleteCookies(const std::function<bool(const QNetworkCookie&)>& matches)
{
    // Also those only on disk, which the engine has not announced: it deletes by name and by
    // the address a cookie would be sent to, whatever it has loaded.
    for (const QNetworkCookie& cookie : m_mirror->cookies())
        if (matches(cookie))
            m_profile->cookieStore()->deleteCookie(cookie);
    m_mirror->forget(matches);
}
