#include "DesktopSession.h"
#include "NotificationDaemonMock.h"
#include "StatusNotifierWatcher.h"
#include "storage/SettingsStore.h"
#include "ui/MenuBarLabel.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QtEndian>

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

// The StatusNotifierItem a program registered, reached over the session bus only.
class TrayItem
{
public:
    explicit TrayItem(const QString& registered)
        : m_service(registered.section(u'/', 0, 0)), m_path(u'/' + registered.section(u'/', 1))
    {}

    QDBusMessage call(const QString& method, const QVariantList& arguments,
                      const QString& interface = kItem, const QString& path = {}) const
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            m_service, path.isEmpty() ? m_path : path, interface, method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message);
    }

    QVariant property(const QString& name) const
    {
        const QDBusMessage reply = call("Get", {kItem, name}, "org.freedesktop.DBus.Properties");
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    QImage icon() const { return largest(property("IconPixmap").value<QDBusArgument>()); }

    QString toolTipTitle() const
    {
        const auto toolTip = property("ToolTip").value<QDBusArgument>();
        QString iconName, title;
        toolTip.beginStructure();
        toolTip >> iconName;
        largest(toolTip);
        toolTip >> title;
        return title;
    }

    QStringList menuLabels() const
    {
        const QString menu = property("Menu").value<QDBusObjectPath>().path();
        const QDBusMessage layout =
            call("GetLayout", {0, -1, QStringList{"label"}}, "com.canonical.dbusmenu", menu);
        return labels(layout.arguments().value(1).value<QDBusArgument>());
    }

private:
    static inline const QString kItem = QStringLiteral("org.kde.StatusNotifierItem");

    // a(iiay): width, height and ARGB32 pixels in network byte order.
    static QImage largest(const QDBusArgument& pixmaps)
    {
        QImage result;
        pixmaps.beginArray();
        while (!pixmaps.atEnd()) {
            int width = 0, height = 0;
            QByteArray pixels;
            pixmaps.beginStructure();
            pixmaps >> width >> height >> pixels;
            pixmaps.endStructure();
            if (width <= result.width() || pixels.size() != width * height * 4)
                continue;
            result = QImage(width, height, QImage::Format_ARGB32);
            for (int i = 0; i < width * height; ++i)
                reinterpret_cast<quint32*>(result.bits())[i] =
                    qFromBigEndian<quint32>(pixels.constData() + 4 * i);
        }
        pixmaps.endArray();
        return result;
    }

    // A menu node (id, properties, children), depth first.
    static QStringList labels(const QDBusArgument& node)
    {
        int id = 0;
        QVariantMap properties;
        node.beginStructure();
        node >> id >> properties;
        QStringList result{properties.value("label").toString()};
        node.beginArray();
        while (!node.atEnd()) {
            QDBusVariant child;
            node >> child;
            result += labels(child.variant().value<QDBusArgument>());
        }
        return result;
    }

    const QString m_service;
    const QString m_path;
};

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
    void statusNotifierItemOverDBus();

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

void TestDesktop::statusNotifierItemOverDBus()
{
    // No XEmbed tray, only a watcher: the desktops that host items over D-Bus.
    StatusNotifierWatcher watcher;
    QVERIFY(watcher.isRegistered());
    NotificationDaemonMock notifications; // the alert at 80% goes there, not into the tooltip
    QVERIFY2(notifications.start(), qPrintable(notifications.failure()));
    DesktopSession desktop;
    START(startService({"--cross-80-after=1"}));
    desktop.launchPallowe(desktop.sessionArguments());

    QTRY_VERIFY_WITH_TIMEOUT(!watcher.registeredItems().isEmpty(), kUiTimeoutMs);
    const TrayItem item(watcher.registeredItems().first());

    // Before any report the face is at 0 %, in the green band.
    QVERIFY(item.toolTipTitle().startsWith(QStringLiteral("Pallowe — 0%")));
    QVERIFY(pixelsNear(item.icon(), MenuBarLabel::color(0)) > 0);
    const QStringList labels = item.menuLabels();
    QVERIFY2(labels.contains("Apri") && labels.contains("Esci"), qPrintable(labels.join(", ")));

    item.call("Activate", {400, 300});
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.visibleWindow(kUsagePanel).isEmpty(), kUiTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.serviceLogCount("/usage 200 session-cookie=yes"), 1,
                              kUiTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(item.toolTipTitle().startsWith(QStringLiteral("Pallowe — 80%")),
                             kUiTimeoutMs);
    QVERIFY(pixelsNear(item.icon(), MenuBarLabel::color(80)) > 0);
}

QTEST_GUILESS_MAIN(TestDesktop)
#include "test_desktop.moc"
