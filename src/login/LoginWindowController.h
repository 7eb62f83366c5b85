#pragma once

#include "state/LoginWindowLauncher.h"
#include "state/WindowController.h"

#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <memory>
#include <optional>

class QWebEngineView;
class QWidget;
class SignInPage;
class SignInProfile;
class SignInWindow;

// The sign-in window: shows the service's sign-in page and hands the value of its session
// cookie to the callback, then closes with any pop-up the site opened. It keeps its callback and
// reports again whenever a later check finds the cookie; its owner ends the sign-in by dropping it.
class LoginWindowController : public QObject,
                              public WindowController,
                              public std::enable_shared_from_this<LoginWindowController>
{
    Q_OBJECT

public:
    using Callback = LoginWindowLauncher::Callback;

    static constexpr int windowWidth = 480;
    static constexpr int windowHeight = 680;
    static constexpr std::chrono::milliseconds delayedCheckInterval{500};
    static constexpr std::chrono::seconds pageLoadTimeout{60};

    // Builds, shows and brings to the front a new window loading origin + "/login"; for another
    // account, once the service's cookies are gone.
    static std::shared_ptr<LoginWindowController> show(const QUrl& origin,
                                                       std::shared_ptr<SignInProfile> profile,
                                                       Callback onAuthenticated,
                                                       bool anotherAccount = false);

    LoginWindowController(const QUrl& origin, std::shared_ptr<SignInProfile> profile);
    ~LoginWindowController() override;

    QWidget* window() const;
    QWebEngineView* webView() const;

    void close();
    // Deletes the profile's cookies of the service's host and its subdomains, the session
    // cookie with them, and loads the sign-in page again.
    void useAnotherAccount();

    // The value of the first cookie named exactly "sessionKey" set for host or a subdomain.
    static std::optional<QString> sessionKeyIn(const QList<QNetworkCookie>& cookies,
                                               const QString& host);
    // Whether a cookie's domain ("host", ".host", "sub.host") belongs to host.
    static bool isServiceDomain(const QString& cookieDomain, const QString& host);

private:
    void loadWindow(bool anotherAccount);
    void loadSignInPage();
    void deleteServiceCookies();
    void showWindow();
    void watch(SignInPage* page);
    void onLoadFinished(bool ok);
    void scheduleDelayedCheck();
    void checkForSessionKey();
    void selectSessionCookie(const QList<QNetworkCookie>& cookies);

    const QUrl m_origin;
    // Destroyed in reverse: the window with its pages, then the profile.
    const std::shared_ptr<SignInProfile> m_profile;
    std::unique_ptr<SignInWindow> m_window;
    QTimer m_loadTimeout;
    Callback m_onAuthenticated;
};
