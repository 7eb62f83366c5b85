#pragma once

#include "state/LoginWindowLauncher.h"

#include <QUrl>

class SignInProfile;

// Opens sign-in windows for the service at the given origin. The web engine is started only
// when the first window opens.
class WebLoginWindowLauncher : public LoginWindowLauncher
{
public:
    // An empty storage path means the profile folder inside the program's data folder, as
    // it is when the first window opens.
    explicit WebLoginWindowLauncher(const QString& serviceOrigin, const QString& storagePath = {});
    ~WebLoginWindowLauncher() override;

    // The window always opens: nothing is reported as failing to.
    std::shared_ptr<WindowController> show(Request request) override;

private:
    QString storagePath() const;

    const QUrl m_origin;
    const QString m_storagePath;
    std::shared_ptr<SignInProfile> m_profile;
};
