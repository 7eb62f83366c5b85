// An earlier run of the program: signs in through the window at the origin given as the
// first argument, prints the reported session key and ends the process, leaving the web
// profile on disk for the run that follows. With "--quit-on-report" it quits the moment the
// key arrives, while the window's checks are still pending.
#include "LoginWindowController.h"
#include "SignInForm.h"
#include "WebLoginWindowLauncher.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false); // as the tray program does
    const bool quitOnReport = app.arguments().contains(QStringLiteral("--quit-on-report"));
    auto launcher = std::make_unique<WebLoginWindowLauncher>(app.arguments().value(1));
    QString reported;
    std::shared_ptr<WindowController> controller;
    std::weak_ptr<WindowController> watched;

    QTimer finish;
    finish.setInterval(50);
    QObject::connect(&finish, &QTimer::timeout, [&] {
        if (!watched.expired())
            return;       // its pending checks have not run yet
        launcher.reset(); // the profile writes its cookies out as it goes
        app.quit();
    });

    controller = launcher->show([&](const QString& sessionKey) {
        if (!reported.isNull())
            return;
        reported = sessionKey;
        if (quitOnReport) {
            app.quit();
            return;
        }
        QTimer::singleShot(0, [&] {
            watched = controller;
            controller.reset();
            finish.start();
        });
    });
    SignInForm::submitWhenLoaded(*std::dynamic_pointer_cast<LoginWindowController>(controller));
    QTimer::singleShot(std::chrono::minutes(2), &app, [] { QCoreApplication::exit(2); });

    const int status = app.exec();
    std::printf("%s\n", reported.toUtf8().constData());
    return reported.isNull() ? 1 : status;
}
