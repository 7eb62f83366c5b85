#include "SignInPage.h"

bool SignInPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool)
{
    emit navigationRequested(url);
    return true;
}
