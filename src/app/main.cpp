// The one place that puts the program together: every object below is built complete, in
// the order the layers stack up, and lives until the event loop ends.
#include "EarlyExit.h"
#include "ProcessArguments.h"
#include "SignInProcessLauncher.h"
#include "platform/FreedesktopNotifier.h"
#include "platform/LogindSleepWatcher.h"
#include "platform/ReachabilityWatcher.h"
#include "platform/SingleInstance.h"
#include "platform/TrayWaiter.h"
#include "state/AppState.h"
#include "state/PrintableText.h"
#include "state/StandardStreams.h"
#include "state/StartupOptions.h"
#include "storage/AppDataFolder.h"
#include "ui/history/HistoryWindowController.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/tray/PalloweApp.h"

#include <QApplication>
#include <QPointer>
#include <csignal>
#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void printLine(const QString& line)
{
    StandardStreams::writeLine(stderr, line);
}

// Applies the session a later start handed over, shows it, and tells that start how it went.
QCoro::Task<> receiveHandOver(AppState* state, PalloweApp* app, SingleInstance* instance,
                              StartupOptions commandLine, QDBusMessage call)
{
    QPointer<PalloweApp> alive(app);
    const bool stored = co_await state->applyCommandLineSession(commandLine);
    if (!alive)
        co_return;
    app->openPanel();
    instance->answer(call, stored);
}

// The sign-in program beside this one in the build tree, or where the package puts it.
QString signInProgram()
{
    const QString here = QCoreApplication::applicationDirPath();
    return SignInProcessLauncher::findProgram({here,
                                               here + QStringLiteral("/" PALLOWE_LIBEXEC_FROM_BIN),
                                               QStringLiteral(PALLOWE_LIBEXEC_DIR)});
}

} // namespace

int main(int argc, char* argv[])
{
    // --help, --version and a missing display are settled before Qt needs a screen.
    const QStringList arguments = argumentsOf(argc, argv);
    if (const auto exitCode = EarlyExit::check(arguments))
        return *exitCode;
    // Read once, and the session key wiped at once from where every local user can read it;
    // Qt's own options are left to QApplication.
    const StartupOptions options = StartupOptions::parse(arguments);
    ProcessArguments::hideSessionKeys(argc, argv);
    // A file-size limit then fails a write, which is reported, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pallowe"));
    QApplication::setDesktopFileName(QStringLiteral("org.pallowe.Pallowe")); // Wayland's app id
    QApplication::setQuitOnLastWindowClosed(false);

    // Before anything is built or stored: a second start only hands over its session.
    const QString dataFolder = AppDataFolder::defaultPath();
    SingleInstance instance(dataFolder);
    if (const auto claim = instance.claim(options); claim != SingleInstance::Claim::Owner) {
        printLine(instance.report());
        return claim == SingleInstance::Claim::HandedOver ? 0 : 1;
    }
    for (const QString& warning : options.warnings)
        printLine(warning);

    // The desktop's side: the web engine runs in a process of its own, started only when the
    // user signs in; both watchers start listening only once a refresh loop runs.
    FreedesktopNotifier notifier;
    SettingsWindowOpener settingsWindows(&notifier);
    HistoryWindowOpener historyWindows;
    SignInProcessLauncher loginWindows(signInProgram(), options.serviceOriginOrDefault());
    LogindSleepWatcher sleepWatcher;
    ReachabilityWatcher reachabilityWatcher;

    AppState state({.credentials = CredentialStore(dataFolder),
                    .settingsStore = SettingsStore(dataFolder),
                    .history = HistoryStore(dataFolder),
                    .api = std::make_unique<ZelvikApiService>(options.serviceOriginOrDefault()),
                    .refreshInterval = options.refreshIntervalOrDefault(),
                    .notifier = &notifier,
                    .loginWindows = &loginWindows,
                    .settingsWindows = &settingsWindows,
                    .historyWindows = &historyWindows,
                    .wakeWatchers = {&sleepWatcher, &reachabilityWatcher}},
                   options);
    PalloweApp app(&state);

    // A reading the history could not keep is skipped; the settings window says why, and so
    // does standard error, once for each new reason.
    QObject::connect(state.history(), &UsageHistory::failureChanged, &app, [&state] {
        if (const auto failure = state.history()->failure())
            printLine(QStringLiteral("pallowe: ") + PrintableText::escaped(*failure));
    });
    // Without a notification server, the tray's own balloon says it.
    QObject::connect(&notifier, &FreedesktopNotifier::undelivered, &app,
                     &PalloweApp::showFallbackMessage);
    QObject::connect(&instance, &SingleInstance::activated, &app,
                     [&](const StartupOptions& commandLine, const QDBusMessage& call) {
                         receiveHandOver(&state, &app, &instance, commandLine, call);
                     });
    TrayWaiter trayWaiter;
    QObject::connect(&trayWaiter, &TrayWaiter::trayAvailable, &app, &PalloweApp::installTrayItem);
    QObject::connect(&trayWaiter, &TrayWaiter::timedOut, &application, [] {
        printLine(QStringLiteral("pallowe: nessuna area di notifica è comparsa entro %1 secondi; "
                                 "Pallowe vive nell'area di notifica e senza non può funzionare.")
                      .arg(TrayWaiter::kDefaultTimeout.count()));
        QCoreApplication::exit(1);
    });
    trayWaiter.start();
    return QApplication::exec();
}
