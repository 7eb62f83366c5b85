#include "LoginWindowController.h"
#include "SignInForm.h"
#include "SignInPage.h"
#include "SignInTestSite.h"
#include "TemporaryHome.h"
#include "WebLoginWindowLauncher.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>
#include <QWidget>
#include <csignal>

using Hop = SignInTestSite::Hop;

namespace {

// The web engine starts slowly on a busy machine.
constexpr int engineTimeout = 60000;

std::shared_ptr<LoginWindowController> asLogin(std::shared_ptr<WindowController> controller)
{
    return std::dynamic_pointer_cast<LoginWindowController>(controller);
}

// The windows the site opened from the sign-in window that are still on screen.
int openPopups(const LoginWindowController& controller)
{
    const auto children = controller.window()->findChildren<QWidget*>();
    return int(std::count_if(children.begin(), children.end(), [](const QWidget* child) {
        return child->isWindow() && child->isVisible();
    }));
}

QString noticeShown(const LoginWindowController& controller)
{
    const auto* notice = controller.window()->findChild<QLabel*>(QStringLiteral("signInNotice"));
    return notice->isVisible() ? notice->text() : QString();
}

} // namespace

class LoginWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void opensSignInWindow();
    void reportsFirstQualifyingCookie_data();
    void reportsFirstQualifyingCookie();
    void countsOnlyTheServiceDomain_data();
    void countsOnlyTheServiceDomain();
    void closesWithoutCallback();
    void pendingCheckKeepsControllerAlive();
    void reportsReturningUserWithoutTyping();
    void quitsCleanlyWithChecksPending();
    void completesSignInInPopup_data();
    void completesSignInInPopup();
    void reloadsAfterRendererDied();
    void refusesInvalidCertificate();

private:
    // Drops the controller and waits until its pending checks have let it go, so that no
    // report reaches a finished test.
    static void release(std::shared_ptr<LoginWindowController>& controller);
};

void LoginWindowTest::release(std::shared_ptr<LoginWindowController>& controller)
{
    const std::weak_ptr<LoginWindowController> watched = controller;
    controller.reset();
    QTRY_VERIFY_WITH_TIMEOUT(watched.expired(), engineTimeout);
}

void LoginWindowTest::opensSignInWindow()
{
    TemporaryHome home;
    SignInTestSite site({});
    WebLoginWindowLauncher launcher(site.origin());
    auto controller = asLogin(launcher.show({}));

    QWidget* window = controller->window();
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Accedi a Zelvik"));
    QCOMPARE(window->size(), QSize(480, 680));
    QVERIFY(!window->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    // Centred by its inner size: the frame, unknown before showing, may shift it a little.
    QVERIFY(qAbs(window->frameGeometry().center().x() -
                 window->screen()->availableGeometry().center().x()) <= 8);

    QTRY_COMPARE_WITH_TIMEOUT(controller->webView()->url().path(), QStringLiteral("/login"),
                              engineTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(site.requestCount(QStringLiteral("/login")), 1, engineTimeout);
    // The web profile keeps the session cookie: it lives in the owner-only program folder.
    QVERIFY(QFileInfo(home.dataFolder() + QStringLiteral("/QtWebEngine/Pallowe")).isDir());
    QCOMPARE(QFileInfo(home.dataFolder()).permissions(), QFile::ReadOwner | QFile::WriteOwner |
                                                             QFile::ExeOwner | QFile::ReadUser |
                                                             QFile::WriteUser | QFile::ExeUser);

    controller->close();
    QVERIFY(!window->isVisible());
    release(controller);
}

void LoginWindowTest::reportsFirstQualifyingCookie_data()
{
    QTest::addColumn<QList<Hop>>("hops");
    QTest::addColumn<QString>("expected");

    QTest::newRow("session cookie set after the form post")
        << QList<Hop>{{"127.0.0.1", {"sessionKey=sk-ant-1; Path=/; HttpOnly"}}} << "sk-ant-1";
    // The engine resolves every name under "localhost" to this machine.
    QTest::newRow("another host's session cookie is ignored, even one containing the host")
        << QList<Hop>{{"127.0.0.1.localhost", {"sessionKey=look-alike; Path=/"}},
                      {"127.0.0.1", {"sessionKey=right; Path=/"}}}
        << "right";
    QTest::newRow("look-alike names are ignored")
        << QList<Hop>{{"127.0.0.1",
                       {"sessionkey=lower; Path=/", "SessionKey=upper; Path=/",
                        "sessionKey2=suffix; Path=/", "xsessionKey=prefix; Path=/",
                        "session=plain; Path=/"}},
                      {"127.0.0.1", {"sessionKey=right; Path=/"}}}
        << "right";
    QTest::newRow("the first of two session cookies wins")
        << QList<Hop>{{"127.0.0.1", {"sessionKey=first; Path=/"}},
                      {"127.0.0.1", {"sessionKey=second; Path=/hop"}}}
        << "first";
    QTest::newRow("an empty value is reported as it is")
        << QList<Hop>{{"127.0.0.1", {"sessionKey=; Path=/"}}} << "";
}

void LoginWindowTest::reportsFirstQualifyingCookie()
{
    QFETCH(QList<Hop>, hops);
    QFETCH(QString, expected);

    TemporaryHome home;
    SignInTestSite site(hops);
    WebLoginWindowLauncher launcher(site.origin());
    QStringList reports;
    auto controller =
        asLogin(launcher.show([&reports](const QString& key) { reports.append(key); }));
    SignInForm::submitWhenLoaded(*controller);

    QTRY_VERIFY_WITH_TIMEOUT(!reports.isEmpty(), engineTimeout);
    QTRY_VERIFY(!controller->window()->isVisible());
    QCOMPARE(site.formPostCount(), 1);
    release(controller);
    // Later checks may report again, always the same cookie.
    for (const QString& report : reports)
        QCOMPARE(report, expected);
}

void LoginWindowTest::countsOnlyTheServiceDomain_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("counts");

    QTest::newRow("the host with a leading dot") << ".zelvik.ai" << true;
    QTest::newRow("a subdomain") << "auth.zelvik.ai" << true;
    QTest::newRow("letter case") << "Zelvik.AI" << true;
    QTest::newRow("a longer name ending in the host") << "notzelvik.ai" << false;
    QTest::newRow("the host followed by more") << "zelvik.ai.example" << false;
}

void LoginWindowTest::countsOnlyTheServiceDomain()
{
    QFETCH(QString, domain);
    QFETCH(bool, counts);
    QCOMPARE(LoginWindowController::isServiceDomain(domain, QStringLiteral("zelvik.ai")), counts);
}

void LoginWindowTest::closesWithoutCallback()
{
    TemporaryHome home;
    SignInTestSite site(QList<Hop>{{"127.0.0.1", {"sessionKey=unheard; Path=/"}}});
    WebLoginWindowLauncher launcher(site.origin());
    auto controller = asLogin(launcher.show({}));
    SignInForm::submitWhenLoaded(*controller);

    QVERIFY(controller->window()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(site.requestCount(QStringLiteral("/welcome")) == 1, engineTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!controller->window()->isVisible(), engineTimeout);
    release(controller);
}

void LoginWindowTest::pendingCheckKeepsControllerAlive()
{
    TemporaryHome home;
    SignInTestSite site(QList<Hop>{{"127.0.0.1", {"sessionKey=kept; Path=/"}}});
    WebLoginWindowLauncher launcher(site.origin());
    QStringList reports;
    auto controller =
        asLogin(launcher.show([&reports](const QString& key) { reports.append(key); }));
    const std::weak_ptr<LoginWindowController> watched = controller;
    SignInForm::submitWhenLoaded(*controller);

    // The owner lets go as soon as the form is posted, before any cookie exists.
    auto* page = qobject_cast<SignInPage*>(controller->webView()->page());
    QObject owner;
    connect(page, &SignInPage::navigationRequested, &owner, [&controller](const QUrl& url) {
        if (url.path() == QLatin1String("/session"))
            QTimer::singleShot(0, [&controller] { controller.reset(); });
    });

    QTRY_VERIFY_WITH_TIMEOUT(!reports.isEmpty(), engineTimeout);
    QVERIFY(!controller);
    QCOMPARE(reports.first(), QStringLiteral("kept"));
    QTRY_VERIFY_WITH_TIMEOUT(watched.expired(), engineTimeout);
}

void LoginWindowTest::reportsReturningUserWithoutTyping()
{
    TemporaryHome home;
    // A cookie for the browser session only: the profile must keep it all the same.
    SignInTestSite site(QList<Hop>{{"127.0.0.1", {"sessionKey=returning; Path=/; HttpOnly"}}});

    QProcess earlierRun;
    earlierRun.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    earlierRun.start(QStringLiteral(LOGIN_FIRST_RUN), {site.origin()});
    QVERIFY(earlierRun.waitForFinished(3 * engineTimeout));
    QCOMPARE(earlierRun.exitCode(), 0);
    QCOMPARE(earlierRun.readAllStandardOutput().trimmed(), QByteArray("returning"));
    QCOMPARE(site.formPostCount(), 1);

    WebLoginWindowLauncher launcher(site.origin());
    QStringList reports;
    auto controller =
        asLogin(launcher.show([&reports](const QString& key) { reports.append(key); }));

    QTRY_VERIFY_WITH_TIMEOUT(!reports.isEmpty(), engineTimeout);
    QCOMPARE(reports.first(), QStringLiteral("returning"));
    QTRY_VERIFY(!controller->window()->isVisible());
    QCOMPARE(site.formPostCount(), 1);
    release(controller);
}

void LoginWindowTest::quitsCleanlyWithChecksPending()
{
    TemporaryHome home;
    SignInTestSite site(QList<Hop>{{"127.0.0.1", {"sessionKey=in-flight; Path=/"}}});

    // The program quits while delayed checks still hold the window's controller.
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    run.start(QStringLiteral(LOGIN_FIRST_RUN), {site.origin(), QStringLiteral("--quit-on-report")});
    QVERIFY(run.waitForFinished(3 * engineTimeout));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.readAllStandardOutput().trimmed(), QByteArray("in-flight"));
}

void LoginWindowTest::completesSignInInPopup_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("popupPath");
    QTest::addColumn<QString>("expected"); // null: nothing is reported

    QTest::newRow("link with a target") << "document.getElementById('popup-link').click()"
                                        << "/hop/0"
                                        << "from-popup";
    QTest::newRow("window.open") << "window.open('/hop/0', 'accesso', 'width=420,height=560')"
                                 << "/hop/0"
                                 << "from-popup";
    QTest::newRow("a pop-up that closes itself") << "window.open('/bye')"
                                                 << "/bye" << QString();
}

void LoginWindowTest::completesSignInInPopup()
{
    QFETCH(QString, script);
    QFETCH(QString, popupPath);
    QFETCH(QString, expected);

    TemporaryHome home;
    SignInTestSite site(QList<Hop>{{"127.0.0.1", {"sessionKey=from-popup; Path=/"}}});
    WebLoginWindowLauncher launcher(site.origin());
    QStringList reports;
    auto controller =
        asLogin(launcher.show([&reports](const QString& key) { reports.append(key); }));
    SignInForm::runWhenLoaded(*controller, script);

    QTRY_COMPARE_WITH_TIMEOUT(site.requestCount(popupPath), 1, engineTimeout);
    // Closed by its own page, or with the window once the sign-in completed in it.
    QTRY_COMPARE_WITH_TIMEOUT(openPopups(*controller), 0, engineTimeout);
    QCOMPARE(reports.value(0), expected);
    QCOMPARE(controller->window()->isVisible(), expected.isNull());
    QCOMPARE(controller->webView()->url().path(), QStringLiteral("/login"));
    QCOMPARE(site.formPostCount(), 0);
    release(controller);
}

void LoginWindowTest::reloadsAfterRendererDied()
{
    TemporaryHome home;
    SignInTestSite site({});
    WebLoginWindowLauncher launcher(site.origin());
    auto controller = asLogin(launcher.show({}));
    QWebEnginePage* page = controller->webView()->page();
    QSignalSpy loaded(page, &QWebEnginePage::loadFinished);
    QVERIFY(loaded.wait(engineTimeout));

    QVERIFY(::kill(pid_t(page->renderProcessPid()), SIGKILL) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(noticeShown(*controller),
                              QStringLiteral("La pagina si è interrotta in modo imprevisto."),
                              engineTimeout);
    auto* reload = controller->window()->findChild<QPushButton*>("reloadButton");
    QVERIFY(reload->isVisible());
    QTest::mouseClick(reload, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(site.requestCount(QStringLiteral("/login")), 2, engineTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(loaded.size() >= 2 && loaded.last().first().toBool(), engineTimeout);
    QCOMPARE(noticeShown(*controller), QString());
    release(controller);
}

void LoginWindowTest::refusesInvalidCertificate()
{
    TemporaryHome home;
    const QString key = home.path() + "/key.pem", certificate = home.path() + "/cert.pem";
    QCOMPARE(QProcess::execute("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                                           "ec_paramgen_curve:prime256v1", "-nodes", "-subj",
                                           "/CN=127.0.0.1", "-keyout", key, "-out", certificate}),
             0);
    QProcess server;
    server.start("openssl",
                 {"s_server", "-accept", "127.0.0.1:0", "-cert", certificate, "-key", key, "-www"});
    const QRegularExpression listening(QStringLiteral("ACCEPT 127.0.0.1:(\\d+)\n"));
    QByteArray output;
    QRegularExpressionMatch port;
    QTRY_VERIFY((port = listening.match(output += server.readAllStandardOutput())).hasMatch());

    WebLoginWindowLauncher launcher("https://127.0.0.1:" + port.captured(1));
    auto controller = asLogin(launcher.show({}));
    QSignalSpy loaded(controller->webView()->page(), &QWebEnginePage::loadFinished);
    QVERIFY(loaded.wait(engineTimeout));
    QCOMPARE(loaded.first().first().toBool(), false);
    QCOMPARE(noticeShown(*controller),
             QStringLiteral("Connessione non sicura: il certificato di 127.0.0.1 non è valido, "
                            "perciò la pagina non è stata aperta."));
    QVERIFY(!controller->window()->findChild<QPushButton*>("reloadButton")->isVisible());
    release(controller);
    server.kill();
    server.waitForFinished();
}

QTEST_MAIN(LoginWindowTest)
#include "test_login_window.moc"
