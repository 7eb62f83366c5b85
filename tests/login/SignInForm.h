#pragma once

#include <QString>

class LoginWindowController;

// Plays the user of the sign-in window once the sign-in page has loaded: presses the form's
// button, or runs any other script on the page.
namespace SignInForm {

void submitWhenLoaded(const LoginWindowController& controller);
void runWhenLoaded(const LoginWindowController& controller, const QString& script);

} // namespace SignInForm
