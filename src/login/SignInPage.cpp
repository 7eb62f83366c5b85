#include "SignInPage.h"

bool SignInPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool)
{
    emit navigationRequested(url);
    return true;
}

QWebEnginePage* SignInPage::createWindow(WebWindowType)
{
    return m_openPopup ? m_openPopup() : nullptr;
}
