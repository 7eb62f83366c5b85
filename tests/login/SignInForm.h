#pragma once

class LoginWindowController;

// Plays the user of the sign-in window: presses the form's button once the sign-in page
// has loaded.
namespace SignInForm {

void submitWhenLoaded(const LoginWindowController& controller);

} // namespace SignInForm
