#pragma once

#include "WindowController.h"

#include <QString>
#include <functional>
#include <memory>

// Opens a new sign-in window each time. The window calls onAuthenticated on the main thread
// with the session cookie's value, possibly more than once, then closes itself.
class LoginWindowLauncher
{
public:
    using Callback = std::function<void(const QString& sessionKey)>;

    struct Request
    {
        Callback onAuthenticated;
        // Called at most once, on the main thread, when the window could not be opened or
        // ended abnormally before reporting anything.
        std::function<void()> onCannotOpen = {};
        // The service's cookies are forgotten before the sign-in page loads, so that the
        // remembered account does not sign in again by itself.
        bool anotherAccount = false;
    };

    virtual ~LoginWindowLauncher() = default;
    virtual std::shared_ptr<WindowController> show(Request request) = 0;
};
