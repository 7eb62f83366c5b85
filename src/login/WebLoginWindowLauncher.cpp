#include "WebLoginWindowLauncher.h"

#include "LoginWindowController.h"
#include "SignInProfile.h"
#include "storage/AppDataFolder.h"

WebLoginWindowLauncher::WebLoginWindowLauncher(const QString& serviceOrigin,
                                               const QString& storagePath)
    : m_origin(serviceOrigin), m_storagePath(storagePath)
{}

WebLoginWindowLauncher::~WebLoginWindowLauncher() = default;

QString WebLoginWindowLauncher::storagePath() const
{
    if (!m_storagePath.isEmpty())
        return m_storagePath;
    // The cookies hold the session key: the program's folder must be the owner's alone,
    // which the engine's own folder creation would not ensure.
    AppDataFolder::ensureExists(AppDataFolder::defaultPath());
    return SignInProfile::defaultStoragePath();
}

std::shared_ptr<WindowController> WebLoginWindowLauncher::show(Request request)
{
    if (!m_profile)
        m_profile = SignInProfile::at(storagePath());
    return LoginWindowController::show(m_origin, m_profile, std::move(request.onAuthenticated),
                                       request.anotherAccount);
}
