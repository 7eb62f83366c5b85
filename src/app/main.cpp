#include "EarlyExit.h"
#include "SignInProcessLauncher.h"
#include "TrayWaiter.h"
#include "platform/FreedesktopNotifier.h"
#include "platform/LogindSleepWatcher.h"
#include "platform/ReachabilityWatcher.h"
#include "platform/SingleInstance.h"
#include "state/AppState.h"
#include "state/StartupOptions.h"
#include "storage/AppDataFolder.h"
#include "ui/PalloweApp.h"

#include <QApplication>
#include <QPointer>
#include <cstdio>

int main(int argc, char* argv[])
{
    // --help, --version and a missing display are settled before Qt needs a screen.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (const auto exitCode = EarlyExit::check(arguments))
        return *exitCode;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pallowe"));
    QApplication::setDesktopFileName(QStringLiteral("org.pallowe.Pallowe")); // Wayland's app id
    QApplication::setQuitOnLastWindowClosed(false);

    // Before anything is built or stored: a second start only hands over its session.
    const QString dataFolder = AppDataFolder::defaultPath();
    SingleInstance instance(dataFolder);
    const auto claim = instance.claim(StartupOptions::parse(QCoreApplication::arguments()));
    if (claim != SingleInstance::Claim::Owner) {
        std::fprintf(stderr, "%s\n", qPrintable(instance.report()));
        return claim == SingleInstance::Claim::HandedOver ? 0 : 1;
    }

    PalloweApp* pallowe = nullptr;
    FreedesktopNotifier notifier([&pallowe](const QString& title, const QString& body) {
        if (pallowe)
            pallowe->showFallbackMessage(title, body);
    });
    // Both start listening only once a refresh loop runs.
    LogindSleepWatcher sleepWatcher;
    ReachabilityWatcher reachabilityWatcher;
    PalloweApp app(QCoreApplication::arguments(), {dataFolder,
                                                   &notifier,
                                                   nullptr,
                                                   RefreshLoop::kDefaultInterval,
                                                   {&sleepWatcher, &reachabilityWatcher}});
    pallowe = &app;
    QObject::connect(&instance, &SingleInstance::activated, &app,
                     [&app](const StartupOptions& commandLine) {
                         app.state()->applyCommandLineSession(commandLine);
                         app.openPanel();
                     });
    // The web engine runs in a process of its own, started only when the user signs in.
    SignInProcessLauncher loginWindows(
        SignInProcessLauncher::findProgram(
            {QCoreApplication::applicationDirPath(),
             QCoreApplication::applicationDirPath() + QStringLiteral("/" PALLOWE_LIBEXEC_FROM_BIN),
             QStringLiteral(PALLOWE_LIBEXEC_DIR)}),
        app.state()->serviceOrigin());
    app.setLoginWindows(&loginWindows);

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
