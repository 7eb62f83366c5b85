#include "LoginWindowController.h"

#include "SignInPage.h"
#include "SignInProfile.h"
#include "SignInWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWebEngineHttpRequest>
#include <QWebEngineView>

namespace {

// Centred, but never with its title bar above the top of a screen shorter than the window.
void centreOnScreen(QWidget& window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QRect frame(QPoint(), window.size());
    frame.moveCenter(available.center());
    frame.moveTop(std::max(frame.top(), available.top()));
    frame.moveLeft(std::max(frame.left(), available.left()));
    window.move(frame.topLeft());
}

} // namespace

std::shared_ptr<LoginWindowController>
LoginWindowController::show(const QUrl& origin, std::shared_ptr<SignInProfile> profile,
                            Callback onAuthenticated, bool anotherAccount)
{
    auto controller = std::make_shared<LoginWindowController>(origin, std::move(profile));
    controller->m_onAuthenticated = std::move(onAuthenticated);
    controller->loadWindow(anotherAccount);
    controller->showWindow();
    return controller;
}

LoginWindowController::LoginWindowController(const QUrl& origin,
                                             std::shared_ptr<SignInProfile> profile)
    : m_origin(origin), m_profile(std::move(profile))
{
    m_loadTimeout.setSingleShot(true);
    m_loadTimeout.setInterval(pageLoadTimeout);
}

LoginWindowController::~LoginWindowController()
{
    // A check still pending when the application ends lets go of the controller only after
    // the web engine and the widgets are gone; there is nothing left to take down then.
    if (QCoreApplication::closingDown())
        (void)m_window.release();
}

QWidget* LoginWindowController::window() const
{
    return m_window.get();
}

QWebEngineView* LoginWindowController::webView() const
{
    return m_window ? m_window->webView() : nullptr;
}

void LoginWindowController::loadWindow(bool anotherAccount)
{
    m_window = std::make_unique<SignInWindow>(std::make_unique<SignInPage>(m_profile->profile()));
    m_window->setWindowTitle(QStringLiteral("Accedi a Zelvik"));
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_window->resize(windowWidth, windowHeight);
    centreOnScreen(*m_window);

    watch(m_window->page());
    // A sign-in finished in a pop-up counts like one in the window: same profile, same checks.
    connect(m_window.get(), &SignInWindow::popupOpened, this,
            [this](SignInWindow* popup) { watch(popup->page()); });

    m_window->offerAnotherAccount();
    connect(m_window.get(), &SignInWindow::anotherAccountRequested, this,
            &LoginWindowController::useAnotherAccount);

    // The engine's request has no time-out of its own.
    connect(&m_loadTimeout, &QTimer::timeout, m_window->webView(), &QWebEngineView::stop);
    connect(m_window->page(), &QWebEnginePage::loadFinished, &m_loadTimeout, &QTimer::stop);
    if (anotherAccount)
        deleteServiceCookies();
    loadSignInPage();
}

void LoginWindowController::loadSignInPage()
{
    QUrl loginUrl = m_origin;
    loginUrl.setPath(QStringLiteral("/login"));
    m_window->webView()->load(QWebEngineHttpRequest(loginUrl));
    m_loadTimeout.start();
}

void LoginWindowController::useAnotherAccount()
{
    deleteServiceCookies();
    loadSignInPage();
}

void LoginWindowController::deleteServiceCookies()
{
    m_profile->deleteCookies([host = m_origin.host()](const QNetworkCookie& cookie) {
        return isServiceDomain(cookie.domain(), host);
    });
}

void LoginWindowController::watch(SignInPage* page)
{
    connect(page, &SignInPage::navigationRequested, this,
            &LoginWindowController::scheduleDelayedCheck);
    connect(page, &QWebEnginePage::loadFinished, this, &LoginWindowController::onLoadFinished);
}

void LoginWindowController::showWindow()
{
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void LoginWindowController::close()
{
    if (m_window)
        m_window->close();
}

void LoginWindowController::onLoadFinished(bool ok)
{
    if (ok)
        checkForSessionKey();
}

void LoginWindowController::scheduleDelayedCheck()
{
    // The pending check keeps the controller alive until it has run.
    if (auto self = weak_from_this().lock())
        QTimer::singleShot(delayedCheckInterval,
                           [self = std::move(self)] { self->checkForSessionKey(); });
}

void LoginWindowController::checkForSessionKey()
{
    // The store answers later; by then the owner may have let the controller go.
    QMetaObject::invokeMethod(
        m_profile.get(),
        [weakSelf = weak_from_this()] {
            if (const auto self = weakSelf.lock())
                self->selectSessionCookie(self->m_profile->cookies());
        },
        Qt::QueuedConnection);
}

void LoginWindowController::selectSessionCookie(const QList<QNetworkCookie>& cookies)
{
    const std::optional<QString> sessionKey = sessionKeyIn(cookies, m_origin.host());
    if (!sessionKey)
        return;
    QMetaObject::invokeMethod(
        this,
        [self = shared_from_this(), value = *sessionKey] {
            if (self->m_onAuthenticated)
                self->m_onAuthenticated(value);
            self->close();
        },
        Qt::QueuedConnection);
}

std::optional<QString> LoginWindowController::sessionKeyIn(const QList<QNetworkCookie>& cookies,
                                                           const QString& host)
{
    for (const QNetworkCookie& cookie : cookies)
        if (cookie.name() == "sessionKey" && isServiceDomain(cookie.domain(), host))
            return QString::fromUtf8(cookie.value());
    return std::nullopt;
}

bool LoginWindowController::isServiceDomain(const QString& cookieDomain, const QString& host)
{
    if (host.isEmpty())
        return false;
    // Host names are compared as DNS compares them, without regard to letter case.
    const QString domain = cookieDomain.startsWith(u'.') ? cookieDomain.mid(1) : cookieDomain;
    return domain.compare(host, Qt::CaseInsensitive) == 0 ||
           domain.endsWith(u'.' + host, Qt::CaseInsensitive);
}
