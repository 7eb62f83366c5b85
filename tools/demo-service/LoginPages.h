#pragma once

#include <QString>
#include <string>

// The sign-in pages, in Italian. The form has the ids "login-form", "email" and "password" so
// that tests can fill it in with JavaScript.
namespace LoginPages {

// The form; a non-empty error is shown above it and the e-mail given so far is kept.
std::string signInForm(const QString& error = {}, const QString& email = {});
std::string signedIn(const QString& email);

} // namespace LoginPages
