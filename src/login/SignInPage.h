#pragma once

#include <QWebEnginePage>
#include <functional>

// A page that allows every navigation and tells about each one, so the window can look for
// the session cookie after the service's redirects. A page the site opens in a new window
// (a link with a target, window.open) goes to the pop-up opener; without one it is dropped.
class SignInPage : public QWebEnginePage
{
    Q_OBJECT

public:
    using PopupOpener = std::function<QWebEnginePage*()>;

    using QWebEnginePage::QWebEnginePage;

    void setPopupOpener(PopupOpener opener) { m_openPopup = std::move(opener); }

signals:
    void navigationRequested(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    PopupOpener m_openPopup;
};
