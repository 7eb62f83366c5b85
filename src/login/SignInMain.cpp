// pallowe-sign-in ORIGIN: shows the service's sign-in window and writes the value of every
// session cookie it captures as one line on standard output. It ends once its window is
// closed and no cookie check is pending any more.
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
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: pallowe-sign-in SERVICE_ORIGIN\n");
        return 2;
    }

    WebLoginWindowLauncher launcher(app.arguments().at(1));
    const std::shared_ptr<WindowController> window = launcher.show({[](const QString& sessionKey) {
        std::fprintf(stdout, "%s\n", sessionKey.toUtf8().constData());
        std::fflush(stdout);
    }});

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
