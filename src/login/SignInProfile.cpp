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
           QStringLiteral("/Pallowe/") + QFileInfo(storagePath).fileName();
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
    return AppDataFolder::defaultPath() + QStringLiteral("/WebEngine");
}

SignInProfile::SignInProfile(const QString& storagePath)
{
    // The cookies hold the session key: the folder above them must be the owner's alone,
    // which the engine's own folder creation would not ensure.
    AppDataFolder::ensureExists(QFileInfo(storagePath).absolutePath());
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
