// pallowe-sign-in [--another-account] ORIGIN: shows the service's sign-in window and writes the
// value of every session cookie it captures as one line on standard output. With
// --another-account it first forgets the service's cookies, so the account it remembers does
// not sign in again by itself. It ends once its window is closed and no cookie check is
// pending any more.
#include "WebLoginWindowLauncher.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {

constexpr int kIdleChecksBeforeExit = 4; // a delayed check runs 0.5 s after its navigation

bool anyWindowVisible()
{
    const auto windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.begin(), windows.end(), [](QWindow* w) { return w->isVisible(); });
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pallowe"));
    // The engine's own texts (error pages, the context menu) follow the program's language.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList arguments = app.arguments().mid(1);
    const bool anotherAccount = arguments.removeOne(QStringLiteral("--another-account"));
    if (arguments.size() != 1) {
        std::fprintf(stderr, "uso: pallowe-sign-in [--another-account] ORIGINE_DEL_SERVIZIO\n");
        return 2;
    }

    WebLoginWindowLauncher launcher(arguments.first());
    const auto report = [](const QString& sessionKey) {
        std::fprintf(stdout, "%s\n", sessionKey.toUtf8().constData());
        std::fflush(stdout);
    };
    const std::shared_ptr<WindowController> window = launcher.show({report, {}, anotherAccount});

    int idleChecks = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        idleChecks = anyWindowVisible() ? 0 : idleChecks + 1;
        if (idleChecks >= kIdleChecksBeforeExit)
            QCoreApplication::quit();
    });
    watch.start(200);
    return QApplication::exec();
}
