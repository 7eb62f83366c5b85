#pragma once

#include <QWebEnginePage>

// A page that allows every navigation and tells about each one, so the window can look for
// the session cookie after the service's redirects.
class SignInPage : public QWebEnginePage
{
    Q_OBJECT

public:
    using QWebEnginePage::QWebEnginePage;

signals:
    void navigationRequested(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};
