#include "SignInForm.h"

#include "LoginWindowController.h"

#include <QWebEnginePage>
#include <QWebEngineView>

namespace SignInForm {

void submitWhenLoaded(const LoginWindowController& controller)
{
    runWhenLoaded(controller, QStringLiteral("document.getElementById('submit').click()"));
}

void runWhenLoaded(const LoginWindowController& controller, const QString& script)
{
    QWebEnginePage* page = controller.webView()->page();
    QObject::connect(page, &QWebEnginePage::loadFinished, page, [page, script](bool ok) {
        if (ok && page->url().path() == QLatin1String("/login"))
            page->runJavaScript(script);
    });
}

} // namespace SignInForm
