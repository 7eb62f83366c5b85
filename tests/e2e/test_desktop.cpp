#include "DesktopSession.h"
#include "NotificationDaemonMock.h"
#include "storage/SettingsStore.h"

#include <QDBusConnection>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

constexpr int kUiTimeoutMs = 20000;
const QString kUsagePanel = QStringLiteral("^Pallowe — Utilizzo$");
const QString kSetupPanel = QStringLiteral("^Pallowe — Accesso$");

QJsonObject credentials(const DesktopSession& desktop)
{
    QFile file(desktop.home().dataFolder() + QStringLiteral("/credentials.json"));
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
}

// How many pixels of the window are close to the colour: the bars are drawn in band colours.
int pixelsNear(const QImage& image, const QColor& color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += qAbs(pixel.red() - color.red()) + qAbs(pixel.green() - color.green()) +
                                 qAbs(pixel.blue() - color.blue()) <
                             40
                         ? 1
                         : 0;
        }
    return count;
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLineSessionShowsReport();
    void crossingPostsOneNotification();
    void backgroundRefreshAlertsAndForecasts();
    void expiredSessionReturnsToSetup();
    void webSignInStoresChosenOrganization();

private:
    bool openPanel(DesktopSession& desktop, const QString& panel);
};

#define START(call) QVERIFY2(desktop.call, qPrintable(desktop.failure()))

void TestDesktop::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || !QDBusConnection::sessionBus().isConnected())
        QSKIP("needs an X server and a session bus: run under xvfb-run and dbus-run-session");
}

bool TestDesktop::openPanel(DesktopSession& desktop, const QString& panel)
{
    desktop.clickTrayIcon();
    QDeadlineTimer deadline(kUiTimeoutMs);
    while (!deadline.hasExpired()) {
        if (!desktop.visibleWindow(panel).isEmpty())
            return true;
        QTest::qWait(100);
    }
    return false;
}

void TestDesktop::commandLineSessionShowsReport()
{
    DesktopSession desktop;
    START(startTrayHost());
    START(startService());
    START(startPallowe(desktop.sessionArguments()));

    QCOMPARE(credentials(desktop), QJsonObject({{"sessionKey", DesktopSession::kSessionKey},
                                                {"orgId", DesktopSession::kMaxOrg}}));
    QCOMPARE(QFile::permissions(desktop.home().dataFolder() + "/credentials.json") & 0x0077, 0);
    QCOMPARE(desktop.serviceLogCount("/usage"), 0); // nothing is fetched before the panel opens

    QVERIFY(openPanel(desktop, kUsagePanel));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.serviceLogCount("/usage 200 session-cookie=yes"), 1,
                              kUiTimeoutMs);
    // The report's bars are drawn in their band colours.
    QTRY_VERIFY_WITH_TIMEOUT(pixelsNear(desktop.grabWindow(desktop.visibleWindow(kUsagePanel)),
                                        QColor(0x00, 0x7A, 0xFF)) > 200,
                             kUiTimeoutMs);

    // A second start without options reuses the stored session.
    desktop.pressKey("Escape");
    START(stopPallowe());
    START(startPallowe({"--service-origin=" + desktop.origin()}));
    QVERIFY(openPanel(desktop, kUsagePanel));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.serviceLogCount("/usage 200 session-cookie=yes"), 2,
                              kUiTimeoutMs);
}

void TestDesktop::crossingPostsOneNotification()
{
    NotificationDaemonMock server;
    QVERIFY2(server.start(), qPrintable(server.failure()));
    DesktopSession desktop;
    START(startTrayHost());
    START(startService({"--cross-80-after=2"}));
    START(startPallowe(desktop.sessionArguments()));

    for (int opening = 1; opening <= 3; ++opening) {
        QVERIFY(openPanel(desktop, kUsagePanel));
        QTRY_COMPARE_WITH_TIMEOUT(desktop.serviceLogCount("/usage 200"), opening, kUiTimeoutMs);
        QTest::qWait(300);
        desktop.pressKey("Escape");
        QTest::qWait(300);
    }
    QTRY_COMPARE_WITH_TIMEOUT(server.callsOf("Notify").size(), 1, kUiTimeoutMs);
    QTest::qWait(500);
    const auto calls = server.callsOf("Notify");
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.first().at(Summary).toString(), QStringLiteral("Pallowe"));
    QCOMPARE(calls.first().at(Body).toString(),
             QStringLiteral("Utilizzo al 80% — soglia 80% raggiunta."));
}

void TestDesktop::backgroundRefreshAlertsAndForecasts()
{
    NotificationDaemonMock server;
    QVERIFY2(server.start(), qPrintable(server.failure()));
    DesktopSession desktop;
    START(startTrayHost());
    // The slowest clock keeps the weekly windows still; the five-hour one climbs two points a
    // reply from the third on, its reset far ahead.
    START(startService({"--cross-80-after=3", "--speed=0.01"}));
    AppSettings settings;
    settings.backgroundRefresh = true;
    SettingsStore(desktop.home().dataFolder()).save(settings);
    START(startPallowe(desktop.sessionArguments() + QStringList{"--refresh-interval=2"}));

    // The panel never opened: refreshes come, and with them the alert at 80 %.
    QTRY_VERIFY_WITH_TIMEOUT(desktop.serviceLogCount("/usage 200") >= 3, kUiTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(server.callsOf("Notify").size(), 1, kUiTimeoutMs);

    // Rising: the session bar carries the forecast line. Full (from the 13th reply): it goes.
    QVERIFY(openPanel(desktop, kUsagePanel));
    const int risingHeight = desktop.grabWindow(desktop.visibleWindow(kUsagePanel)).height();
    desktop.pressKey("Escape");
    QTRY_VERIFY_WITH_TIMEOUT(desktop.serviceLogCount("/usage 200") >= 14, 60000);
    QVERIFY(openPanel(desktop, kUsagePanel));
    QTRY_VERIFY_WITH_TIMEOUT(desktop.grabWindow(desktop.visibleWindow(kUsagePanel)).height() <
                                 risingHeight,
                             kUiTimeoutMs);
    QCOMPARE(server.callsOf("Notify").size(), 1);
}

void TestDesktop::expiredSessionReturnsToSetup()
{
    DesktopSession desktop;
    START(startTrayHost());
    START(startService({"--expire-after=1"}));
    START(startPallowe(desktop.sessionArguments()));

    QVERIFY(openPanel(desktop, kUsagePanel));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.serviceLogCount("/usage 200"), 1, kUiTimeoutMs);
    desktop.pressKey("Escape");
    QTest::qWait(300);

    desktop.clickTrayIcon(); // the second refresh is refused
    QTRY_COMPARE_WITH_TIMEOUT(desktop.serviceLogCount("/usage 401"), 1, kUiTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.visibleWindow(kSetupPanel).isEmpty(), kUiTimeoutMs);
    QVERIFY(!QFile::exists(desktop.home().dataFolder() + "/credentials.json"));
}

void TestDesktop::webSignInStoresChosenOrganization()
{
    DesktopSession desktop;
    START(startTrayHost());
    START(startService());
    START(startPallowe({"--service-origin=" + desktop.origin()}));

    QVERIFY(openPanel(desktop, kSetupPanel));
    QTest::qWait(500);
    desktop.pressKey("space"); // the sign-in button has the focus
    QString loginWindow;
    QTRY_VERIFY_WITH_TIMEOUT(!(loginWindow = desktop.visibleWindow("^Accedi a Zelvik$")).isEmpty(),
                             60000);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.serviceLogCount("GET /login 200"), 1, 60000);
    QTest::qWait(1500); // the page settles and focuses its e-mail field
    DesktopSession::run("xdotool", {"windowfocus", "--sync", loginWindow});
    DesktopSession::run("xdotool", {"type", "--delay", "20", "mario.rossi@example.com"});
    desktop.pressKey("Tab");
    DesktopSession::run("xdotool", {"type", "--delay", "20", "segreta"});
    desktop.pressKey("Return");

    QTRY_VERIFY_WITH_TIMEOUT(credentials(desktop).contains("orgName"), 60000);
    const QJsonObject stored = credentials(desktop);
    QVERIFY(stored.value("sessionKey").toString().startsWith("sk-demo-"));
    QCOMPARE(stored.value("orgId").toString(), DesktopSession::kMaxOrg);
    QCOMPARE(stored.value("orgName").toString(), QStringLiteral("Studio Rossi & Associati"));
    QTRY_VERIFY_WITH_TIMEOUT(desktop.visibleWindow("^Accedi a Zelvik$").isEmpty(), kUiTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.serviceLogCount("/usage 200 session-cookie=yes"), 1,
                              kUiTimeoutMs);
}

QTEST_GUILESS_MAIN(TestDesktop)
#include "test_desktop.moc"
