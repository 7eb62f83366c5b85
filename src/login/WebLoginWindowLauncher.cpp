#include "WebLoginWindowLauncher.h"

#include "LoginWindowController.h"
#include "SignInProfile.h"

WebLoginWindowLauncher::WebLoginWindowLauncher(const QString& serviceOrigin,
                                               const QString& storagePath)
    : m_origin(serviceOrigin), m_storagePath(storagePath)
{}

WebLoginWindowLauncher::~WebLoginWindowLauncher() = default;

std::shared_ptr<WindowController> WebLoginWindowLauncher::show(Callback onAuthenticated)
{
    if (!m_profile)
        m_profile = SignInProfile::at(m_storagePath.isEmpty() ? SignInProfile::defaultStoragePath()
                                                              : m_storagePath);
    return LoginWindowController::show(m_origin, m_profile, std::move(onAuthenticated));
}
