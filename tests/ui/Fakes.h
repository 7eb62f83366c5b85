#pragma once

#include "state/LoginWindowLauncher.h"
#include "state/Notifier.h"
#include "state/SettingsWindowLauncher.h"

// Stand-ins for the windows and the notification service at the state's boundary.
class CountingNotifier : public Notifier
{
public:
    void post(const QString&, const QString&, const QString&) override { ++posts; }
    void requestPermission() override { ++permissionRequests; }

    int posts = 0;
    int permissionRequests = 0;
};

class RecordingLoginWindows : public LoginWindowLauncher
{
public:
    std::shared_ptr<WindowController> show(Callback onAuthenticated) override
    {
        ++opened;
        callback = std::move(onAuthenticated);
        return std::make_shared<WindowController>();
    }

    int opened = 0;
    Callback callback;
};

class RecordingSettingsWindows : public SettingsWindowLauncher
{
public:
    std::shared_ptr<WindowController> show(AppState*) override
    {
        ++opened;
        return std::make_shared<WindowController>();
    }

    int opened = 0;
};
