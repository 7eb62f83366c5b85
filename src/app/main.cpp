#include "TrayWaiter.h"
#include "platform/FreedesktopNotifier.h"
#include "state/AppState.h"
#include "storage/AppDataFolder.h"
#include "ui/PalloweApp.h"

#include <QApplication>
#include <QPointer>
#include <QSystemTrayIcon>
#include <cstdio>

#ifdef PALLOWE_WITH_LOGIN
#include "WebLoginWindowLauncher.h"
#endif

int main(int argc, char* argv[])
{
    // The sign-in window's web engine shares GL contexts with the widgets; this must be set
    // before the application object exists. The engine itself loads only with that window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pallowe"));
    QApplication::setQuitOnLastWindowClosed(false);

    PalloweApp* pallowe = nullptr;
    FreedesktopNotifier notifier([&pallowe](const QString& title, const QString& body) {
        if (pallowe && pallowe->trayItem())
            pallowe->trayItem()->showMessage(title, body);
    });
    PalloweApp app(QCoreApplication::arguments(), {AppDataFolder::defaultPath(), &notifier});
    pallowe = &app;
#ifdef PALLOWE_WITH_LOGIN
    // Nothing of the web engine is created until the first sign-in window opens.
    WebLoginWindowLauncher loginWindows(app.state()->serviceOrigin());
    app.setLoginWindows(&loginWindows);
#endif

    TrayWaiter trayWaiter;
    QObject::connect(&trayWaiter, &TrayWaiter::trayAvailable, &app, &PalloweApp::installTrayItem);
    QObject::connect(&trayWaiter, &TrayWaiter::timedOut, &application, [] {
        std::fprintf(stderr,
                     "pallowe: no system tray appeared within %lld seconds; Pallowe lives in the "
                     "tray and cannot run without one.\n",
                     static_cast<long long>(TrayWaiter::kDefaultTimeout.count()));
        QCoreApplication::exit(1);
    });
    trayWaiter.start();
    return QApplication::exec();
}
