#include "LoginWindowController.h"
#include "SignInPage.h"
#include "SignInWindow.h"
#include "StoredCookies.h"
#include "TemporaryHome.h"
#include "TestHttpServer.h"
#include "WebLoginWindowLauncher.h"

#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWebEngineView>
#include <csignal>
#include <sqlite3.h>

namespace {

constexpr int engineTimeout = 60000; // the web engine starts slowly on a busy machine
const QString submit = QStringLiteral("document.getElementById('submit').click()");

// A step of the sign-in's redirect chain: its host ("127.0.0.1", or a name under "localhost",
// which the engine resolves to this machine) and the Set-Cookie values it sends.
using Hops = QList<std::pair<QString, QByteArrayList>>;

// The service's sign-in pages: the form of "/login" leads through the hops to "/welcome"; "/bye"
// closes its window. The first visit of "/login" runs the script, as a user would act there.
// Each visit of "/login" leaves a cookie "visited"; a "%1" in a hop's cookie becomes the number
// of the form's post, so each sign-in is another account's.
class SignInSite
{
public:
    explicit SignInSite(const Hops& hops, const QString& firstVisitScript = {}) : m_hops(hops)
    {
        m_server.onGet("/login", [this, firstVisitScript](const httplib::Request&,
                                                          httplib::Response& response) {
            const QString script = count("/login") == 1 ? firstVisitScript : QString();
            response.set_header("Set-Cookie", "visited=yes; Path=/");
            response.set_content(loginPage + ("<script>" + script + "</script>").toStdString(),
                                 "text/html");
        });
        m_server.reply("/welcome", 200, "<p>Benvenuto</p>", "text/html");
        m_server.reply("/bye", 200, "<script>window.close()</script>", "text/html");
        m_server.onPost("/session", [this](const httplib::Request&, httplib::Response& response) {
            response.set_redirect(hopUrl(0), 303);
        });
        m_server.onGet(
            R"(/hop/(\d+))", [this](const httplib::Request& request, httplib::Response& response) {
                const int index = std::stoi(request.matches[1].str());
                for (const QByteArray& cookie : m_hops.value(index).second)
                    response.set_header("Set-Cookie",
                                        QString::fromUtf8(cookie)
                                            .replace("%1", QString::number(count("/session")))
                                            .toStdString());
                response.set_redirect(hopUrl(index + 1), 303);
            });
        m_server.start();
    }

    QString origin() const { return m_server.origin(); }
    // The cookies the last request for the path carried.
    QString cookiesSent(const QString& path) const
    {
        const auto received = m_server.received();
        for (auto request = received.rbegin(); request != received.rend(); ++request)
            if (request->path == path) {
                const auto cookie = request->headers.find("Cookie");
                return cookie == request->headers.end() ? QString()
                                                        : QString::fromStdString(cookie->second);
            }
        return {};
    }
    int count(const QString& path) const
    {
        const auto received = m_server.received();
        return int(std::count_if(received.begin(), received.end(),
                                 [&path](const auto& request) { return request.path == path; }));
    }

private:
    std::string hopUrl(int index) const
    {
        const bool last = index >= m_hops.size();
        return "http://" + (last ? "127.0.0.1" : m_hops[index].first).toStdString() + ":" +
               std::to_string(m_server.port()) +
               (last ? "/welcome" : "/hop/" + std::to_string(index));
    }

    static constexpr auto loginPage = R"(<!doctype html><meta charset="utf-8"><h1>Accedi</h1>
<form method="post" action="/session"><input name="email" value="ada@example.com">
<button id="submit" type="submit">Continua</button></form>)";

    TestHttpServer m_server;
    const Hops m_hops;
};

// A sign-in window of a fresh profile in a temporary home, and the keys it reported.
struct SignIn
{
    explicit SignIn(const QString& origin, bool listen = true) : launcher(origin)
    {
        const auto report = [this](const QString& key) { reports.append(key); };
        controller = std::dynamic_pointer_cast<LoginWindowController>(
            launcher.show({listen ? LoginWindowLauncher::Callback(report) : nullptr}));
    }
    // Waits until pending checks let the controller go, so no report outlives the test.
    ~SignIn()
    {
        const std::weak_ptr<LoginWindowController> watched = controller;
        controller.reset();
        (void)QTest::qWaitFor([&watched] { return watched.expired(); }, engineTimeout);
    }

    QWidget* window() const { return controller->window(); }
    QWebEnginePage* page() const { return controller->webView()->page(); }
    QString notice() const
    {
        const auto* label = window()->findChild<QLabel*>("signInNotice");
        return label->isVisible() ? label->text() : QString();
    }
    QPushButton* reloadButton() const { return window()->findChild<QPushButton*>("reloadButton"); }

    TemporaryHome home;
    WebLoginWindowLauncher launcher;
    QStringList reports;
    std::shared_ptr<LoginWindowController> controller;
};

QStringList described(const QList<QNetworkCookie>& cookies)
{
    QStringList result;
    for (const QNetworkCookie& cookie : cookies)
        result << QString::fromUtf8(cookie.name() + '=' + cookie.value()) + '@' + cookie.domain() +
                      (cookie.isHttpOnly() ? " httponly" : "");
    return result;
}

} // namespace

class LoginWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void reportsTheServiceSessionCookie_data();
    void reportsTheServiceSessionCookie();
    void countsOnlyTheServiceDomain();
    void completesSignInInPopup_data();
    void completesSignInInPopup();
    void reloadsAfterRendererDiedAndClosesWithoutCallback();
    void refusesInvalidCertificate();
    void returningUserSignsInWithoutTyping();
    void anotherAccountForgetsTheService();
    void readsUsableStoredCookies();
    void applicationEndsWithChecksPending(); // the last: it leaves work for the way out
};

void LoginWindowTest::reportsTheServiceSessionCookie_data()
{
    QTest::addColumn<Hops>("hops");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("ownerLetsGo"); // as soon as the form is posted, before any cookie

    const Hops session{{"127.0.0.1", {"sessionKey=sk-ant-1; Path=/; HttpOnly"}}};
    QTest::newRow("set after the form post") << session << "sk-ant-1" << false;
    QTest::newRow("pending checks report after the owner let go") << session << "sk-ant-1" << true;
    QTest::newRow("another host's is ignored, even one containing the host")
        << Hops{{"127.0.0.1.localhost", {"sessionKey=look-alike; Path=/"}},
                {"127.0.0.1", {"sessionKey=right; Path=/"}}}
        << "right" << false;
    QTest::newRow("look-alike names are ignored")
        << Hops{{"127.0.0.1",
                 {"sessionkey=lower; Path=/", "SessionKey=upper; Path=/",
                  "sessionKey2=suffix; Path=/", "xsessionKey=prefix; Path=/",
                  "session=plain; Path=/"}},
                {"127.0.0.1", {"sessionKey=right; Path=/"}}}
        << "right" << false;
    QTest::newRow("the first of two wins, though empty")
        << Hops{{"127.0.0.1", {"sessionKey=; Path=/"}},
                {"127.0.0.1", {"sessionKey=second; Path=/hop"}}}
        << "" << false;
}

void LoginWindowTest::reportsTheServiceSessionCookie()
{
    QFETCH(Hops, hops);
    QFETCH(QString, expected);
    QFETCH(bool, ownerLetsGo);
    SignInSite site(hops, submit);
    SignIn signIn(site.origin());
    const std::weak_ptr<LoginWindowController> watched = signIn.controller;
    if (ownerLetsGo)
        connect(qobject_cast<SignInPage*>(signIn.page()), &SignInPage::navigationRequested,
                signIn.page(), [&signIn](const QUrl& url) {
                    if (url.path() == QLatin1String("/session"))
                        QTimer::singleShot(0, [&signIn] { signIn.controller.reset(); });
                });

    QTRY_VERIFY_WITH_TIMEOUT(!signIn.reports.isEmpty(), engineTimeout);
    QCOMPARE(!signIn.controller, ownerLetsGo);
    QTRY_VERIFY(watched.expired() || !watched.lock()->window()->isVisible());
    QCOMPARE(site.count("/session"), 1);
    signIn.controller.reset();
    QTRY_VERIFY_WITH_TIMEOUT(watched.expired(), engineTimeout);
    // Later checks may report again, always the same cookie.
    signIn.reports.removeDuplicates();
    QCOMPARE(signIn.reports, QStringList{expected});
}

void LoginWindowTest::countsOnlyTheServiceDomain()
{
    // The host with a leading dot, a subdomain, in other letter case; not a longer name ending
    // in the host, nor the host followed by more.
    for (const char* domain : {".zelvik.ai", "auth.zelvik.ai", "Zelvik.AI"})
        QVERIFY2(LoginWindowController::isServiceDomain(domain, "zelvik.ai"), domain);
    for (const char* domain : {"notzelvik.ai", "zelvik.ai.example"})
        QVERIFY2(!LoginWindowController::isServiceDomain(domain, "zelvik.ai"), domain);
}

void LoginWindowTest::completesSignInInPopup_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected"); // null: the pop-up closes itself, nothing is reported

    QTest::newRow("window.open") << "window.open('/hop/0', 'accesso', 'width=420,height=560')"
                                 << "from-popup";
    QTest::newRow("a pop-up that closes itself") << "window.open('/bye')" << QString();
}

void LoginWindowTest::completesSignInInPopup()
{
    QFETCH(QString, script);
    QFETCH(QString, expected);
    SignInSite site(Hops{{"127.0.0.1", {"sessionKey=from-popup; Path=/"}}}, script);
    SignIn signIn(site.origin());

    QTRY_COMPARE_WITH_TIMEOUT(site.count(expected.isNull() ? "/bye" : "/hop/0"), 1, engineTimeout);
    // Closed by its own page, or with the window once the sign-in completed in it.
    QTRY_VERIFY_WITH_TIMEOUT(signIn.window()->findChildren<SignInWindow*>().isEmpty(),
                             engineTimeout);
    QCOMPARE(signIn.reports.value(0), expected);
    QCOMPARE(signIn.window()->isVisible(), expected.isNull());
    QCOMPARE(signIn.controller->webView()->url().path(), QStringLiteral("/login"));
    QCOMPARE(site.count("/session"), 0);
}

void LoginWindowTest::reloadsAfterRendererDiedAndClosesWithoutCallback()
{
    SignInSite site(Hops{{"127.0.0.1", {"sessionKey=unheard; Path=/"}}});
    SignIn signIn(site.origin(), false);
    QVERIFY(signIn.window()->isVisible());
    // The web profile keeps the session cookie: it lives in the owner-only program folder.
    QVERIFY(QFileInfo(signIn.home.dataFolder() + "/QtWebEngine/Pallowe").isDir());
    QCOMPARE(QFileInfo(signIn.home.dataFolder()).permissions() & 0x0077, 0);
    QSignalSpy loaded(signIn.page(), &QWebEnginePage::loadFinished);
    QVERIFY(loaded.wait(engineTimeout));

    QCOMPARE(::kill(pid_t(signIn.page()->renderProcessPid()), SIGKILL), 0);
    QTRY_COMPARE_WITH_TIMEOUT(signIn.notice(),
                              QStringLiteral("La pagina si è interrotta in modo imprevisto."),
                              engineTimeout);
    QVERIFY(signIn.reloadButton()->isVisible());
    QTest::mouseClick(signIn.reloadButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(loaded.size() >= 2 && loaded.last().first().toBool(), engineTimeout);
    QCOMPARE(site.count("/login"), 2);
    QCOMPARE(signIn.notice(), QString());

    signIn.page()->runJavaScript(submit);
    QTRY_COMPARE_WITH_TIMEOUT(site.count("/welcome"), 1, engineTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!signIn.window()->isVisible(), engineTimeout);
}

void LoginWindowTest::refusesInvalidCertificate()
{
    QTemporaryDir folder;
    const QString key = folder.filePath("key.pem"), certificate = folder.filePath("cert.pem");
    QCOMPARE(QProcess::execute("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                                           "ec_paramgen_curve:prime256v1", "-nodes", "-subj",
                                           "/CN=127.0.0.1", "-keyout", key, "-out", certificate}),
             0);
    QProcess server;
    server.start("openssl",
                 {"s_server", "-accept", "127.0.0.1:0", "-cert", certificate, "-key", key, "-www"});
    QByteArray output;
    QRegularExpressionMatch port;
    QTRY_VERIFY((port = QRegularExpression("ACCEPT 127.0.0.1:(\\d+)\n")
                            .match(output += server.readAllStandardOutput()))
                    .hasMatch());

    SignIn signIn("https://127.0.0.1:" + port.captured(1), false);
    QSignalSpy loaded(signIn.page(), &QWebEnginePage::loadFinished);
    QVERIFY(loaded.wait(engineTimeout));
    QCOMPARE(loaded.first().first().toBool(), false);
    QCOMPARE(signIn.notice(),
             QStringLiteral("Connessione non sicura: il certificato di 127.0.0.1 non è valido, "
                            "perciò la pagina non è stata aperta."));
    QVERIFY(!signIn.reloadButton()->isVisible());
    server.kill();
    server.waitForFinished();
}

void LoginWindowTest::returningUserSignsInWithoutTyping()
{
    TemporaryHome home;
    // A cookie for the browser session only: the profile must keep it all the same.
    SignInSite site(Hops{{"127.0.0.1", {"sessionKey=returning; Path=/; HttpOnly"}}}, submit);
    // The sign-in program twice: the first run posts the form, the second finds the cookie kept.
    for (int run = 1; run <= 2; ++run) {
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(SIGN_IN_PROGRAM), {site.origin()});
        QVERIFY(program.waitForFinished(3 * engineTimeout));
        QCOMPARE(program.exitCode(), 0);
        QStringList reports =
            QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        reports.removeDuplicates();
        QCOMPARE(reports, QStringList{"returning"});
        QCOMPARE(site.count("/login"), run);
        QCOMPARE(site.count("/session"), 1);
    }
}

void LoginWindowTest::anotherAccountForgetsTheService()
{
    TemporaryHome home;
    // The service at "localhost": a cookie of a subdomain is the service's, one of 127.0.0.1 not.
    SignInSite site(Hops{{"auth.localhost", {"lang=it; Path=/"}},
                         {"127.0.0.1", {"other=kept; Path=/"}},
                         {"localhost", {"sessionKey=account-%1; Path=/; HttpOnly"}}},
                    submit);
    const QString origin = QString(site.origin()).replace("127.0.0.1", "localhost");
    QStringList reports;
    const auto report = [&reports](const QString& key) { reports << key; };
    const auto open = [&](const WebLoginWindowLauncher::Request& request) {
        auto launcher = std::make_shared<WebLoginWindowLauncher>(origin);
        auto controller = std::dynamic_pointer_cast<LoginWindowController>(launcher->show(request));
        // The launcher holds the profile; a new one reads the cookies kept on disk.
        return std::pair{launcher, controller};
    };
    const auto release = [](auto& window) {
        const std::weak_ptr<LoginWindowController> watched = window.second;
        window = {};
        QTRY_VERIFY_WITH_TIMEOUT(watched.expired(), engineTimeout);
    };

    auto window = open({report});
    QTRY_VERIFY_WITH_TIMEOUT(!reports.isEmpty(), engineTimeout);
    release(window);
    reports.removeDuplicates(); // a window may report again
    QCOMPARE(reports, QStringList{"account-1"});
    // On disk once the profile has gone, where the next window's profile finds it.
    const QString profile = home.dataFolder() + "/QtWebEngine/Pallowe";
    QTRY_VERIFY_WITH_TIMEOUT(
        described(StoredCookies::read(profile)).contains("sessionKey=account-1@localhost httponly"),
        engineTimeout);

    // Opened for another account: the page loads without the service's cookies.
    window = open({report, {}, true});
    QSignalSpy loaded(window.second->webView()->page(), &QWebEnginePage::loadFinished);
    QVERIFY(loaded.wait(engineTimeout));
    QCOMPARE(site.cookiesSent("/login"), QString());
    // The window's own action forgets what the page left since and loads it again.
    QTest::mouseClick(window.second->window()->findChild<QToolButton*>("anotherAccountButton"),
                      Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 2, engineTimeout);
    QCOMPARE(site.count("/login"), 3);
    QCOMPARE(site.cookiesSent("/login"), QString());
    window.second->close();
    release(window);
    QCOMPARE(reports, QStringList{"account-1"});
    // Gone from the disk too; another host's cookie stays.
    QTRY_COMPARE_WITH_TIMEOUT(described(StoredCookies::read(profile)),
                              (QStringList{"other=kept@127.0.0.1", "visited=yes@localhost"}),
                              engineTimeout);

    // The next window signs in whoever signs in there.
    window = open({report});
    QVERIFY(QSignalSpy(window.second->webView()->page(), &QWebEnginePage::loadFinished)
                .wait(engineTimeout));
    window.second->webView()->page()->runJavaScript(submit);
    QTRY_VERIFY_WITH_TIMEOUT(reports.size() > 1, engineTimeout);
    release(window);
    reports.removeDuplicates();
    QCOMPARE(reports, (QStringList{"account-1", "account-2"}));
}

void LoginWindowTest::readsUsableStoredCookies()
{
    QTemporaryDir folder;
    QVERIFY(StoredCookies::read(folder.path()).isEmpty()); // no database yet
    sqlite3* engine = nullptr;
    QCOMPARE(sqlite3_open(folder.filePath("Cookies").toUtf8().constData(), &engine), SQLITE_OK);
    // The columns of the engine's table that matter, under its names. Its times count
    // microseconds from 1601: 16e15 falls in 2108, 13e15 in 2013.
    constexpr auto sql =
        "CREATE TABLE cookies(host_key, name, value, encrypted_value, path, expires_utc, "
        "has_expires, is_secure, is_httponly); INSERT INTO cookies VALUES"
        "('.zelvik.ai', 'theme', 'dark', X'', '/', 16000000000000000, 1, 0, 0),"
        "('zelvik.ai', 'sessionKey', 'expired', X'', '/', 13000000000000000, 1, 0, 0),"
        "('zelvik.ai', 'sessionKey', '', X'7631300102', '/', 16000000000000000, 1, 0, 0),"
        "('127.0.0.1', 'sessionKey', 'kept', X'', '/', 0, 0, 0, 1),"
        "('127.0.0.1', 'empty', '', X'', '/', 0, 0, 0, 0)";
    QCOMPARE(sqlite3_exec(engine, sql, nullptr, nullptr, nullptr), SQLITE_OK);

    // Expired cookies and values we cannot decrypt are left out; an empty value is a value.
    const QStringList expected{"theme=dark@.zelvik.ai", "sessionKey=kept@127.0.0.1 httponly",
                               "empty=@127.0.0.1"};
    QCOMPARE(described(StoredCookies::read(folder.path())), expected);
    // Another engine (a second instance of the program) may hold the database locked.
    QCOMPARE(sqlite3_exec(engine, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                          nullptr, nullptr),
             SQLITE_OK);
    QCOMPARE(described(StoredCookies::read(folder.path())), expected);
    sqlite3_close(engine);
}

void LoginWindowTest::applicationEndsWithChecksPending()
{
    // The test program ends right after this, while delayed checks still hold the window's
    // controller and its profile: it must end cleanly all the same.
    static const SignInSite site(Hops{{"127.0.0.1", {"sessionKey=in-flight; Path=/"}}}, submit);
    static TemporaryHome home;
    static bool reported = false;
    WebLoginWindowLauncher launcher(site.origin());
    const auto controller = launcher.show({[](const QString&) { reported = true; }});
    QTRY_VERIFY_WITH_TIMEOUT(reported, engineTimeout);
}

QTEST_MAIN(LoginWindowTest)
#include "test_login_window.moc"
