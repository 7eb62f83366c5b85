#include "EarlyExit.h"
#include "ProcessArguments.h"
#include "SignInProcessLauncher.h"
#include "platform/FreedesktopNotifier.h"
#include "platform/LogindSleepWatcher.h"
#include "platform/ReachabilityWatcher.h"
#include "platform/SingleInstance.h"
#include "platform/TrayWaiter.h"
#include "state/AppState.h"
#include "state/StartupOptions.h"
#include "storage/AppDataFolder.h"
#include "ui/PalloweApp.h"

#include <QApplication>
#include <QPointer>
#include <csignal>
#include <cstdio>

namespace {

// Applies the session a later start handed over, shows it, and tells that start how it went.
QCoro::Task<> receiveHandOver(PalloweApp* app, SingleInstance* instance, StartupOptions commandLine,
                              QDBusMessage call)
{
    QPointer<PalloweApp> alive(app);
    const bool stored = co_await app->state()->applyCommandLineSession(commandLine);
    if (!alive)
        co_return;
    app->openPanel();
    instance->answer(call, stored);
}

} // namespace

int main(int argc, char* argv[])
{
    // --help, --version and a missing display are settled before Qt needs a screen.
    {
        QStringList early;
        for (int i = 0; i < argc; ++i)
            early.append(QString::fromLocal8Bit(argv[i]));
        if (const auto exitCode = EarlyExit::check(early))
            return *exitCode;
    }
    // A file-size limit then fails a write, which is reported, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pallowe"));
    QApplication::setDesktopFileName(QStringLiteral("org.pallowe.Pallowe")); // Wayland's app id
    QApplication::setQuitOnLastWindowClosed(false);
    // Read once, before the session key is wiped from where every local user can read it.
    const QStringList arguments = QCoreApplication::arguments();
    ProcessArguments::hideSessionKeys(argc, argv);

    // Before anything is built or stored: a second start only hands over its session.
    const QString dataFolder = AppDataFolder::defaultPath();
    SingleInstance instance(dataFolder);
    const auto claim = instance.claim(StartupOptions::parse(arguments));
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
    PalloweApp app(arguments, {dataFolder,
                               &notifier,
                               nullptr,
                               RefreshLoop::kDefaultInterval,
                               {&sleepWatcher, &reachabilityWatcher}});
    pallowe = &app;
    QObject::connect(
        &instance, &SingleInstance::activated, &app,
        [&app, &instance](const StartupOptions& commandLine, const QDBusMessage& call) {
            receiveHandOver(&app, &instance, commandLine, call);
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
        std::fprintf(
            stderr,
            "pallowe: nessuna area di notifica è comparsa entro %lld secondi; Pallowe vive "
            "nell'area di notifica e senza non può funzionare.\n",
            static_cast<long long>(TrayWaiter::kDefaultTimeout.count()));
        QCoreApplication::exit(1);
    });
    trayWaiter.start();
    return QApplication::exec();
}
