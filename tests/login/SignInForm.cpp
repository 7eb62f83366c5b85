#include "SignInForm.h"

#include "LoginWindowController.h"

#include <QWebEnginePage>
#include <QWebEngineView>

namespace SignInForm {

void submitWhenLoaded(const LoginWindowController& controller)
{
    QWebEnginePage* page = controller.webView()->page();
    QObject::connect(page, &QWebEnginePage::loadFinished, page, [page](bool ok) {
        if (ok && page->url().path() == QLatin1String("/login"))
            page->runJavaScript(QStringLiteral("document.getElementById('submit').click()"));
    });
}

} // namespace SignInForm
