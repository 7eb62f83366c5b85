#include "DBusMock.h"
#include "StatusNotifierWatcher.h"
#include "TemporaryHome.h"
#include "storage/HistoryStore.h"
#include "storage/SettingsStore.h"
#include "ui/tray/MenuBarLabel.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <csignal>

namespace {

constexpr int kTimeoutMs = 20000;
const QString kSessionKey = QStringLiteral("e2e-session-key");
const QString kMaxOrg = QStringLiteral("8e41d6c2-05b9-4f37-a2de-91c7b3f46a58");
const QString kUsagePanel = QStringLiteral("^Pallowe — Utilizzo$");

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The id of a visible window whose name matches, or an empty text.
QString window(const QString& name)
{
    return run("xdotool", {"search", "--onlyvisible", "--name", name}).section(u'\n', 0, 0);
}

// The names of the visible windows, for a failure to show what was on the desktop instead.
QString windowNames()
{
    QStringList names;
    for (const QString& id :
         run("xdotool", {"search", "--onlyvisible", "--name", "."}).split(u'\n'))
        names << run("xdotool", {"getwindowname", id});
    return "visible windows: " + names.join(QLatin1String(", "));
}

// Polls every tenth of a second: each look at the desktop starts a program.
bool waitFor(const std::function<bool()>& done, int timeoutMs = kTimeoutMs)
{
    for (const QDeadlineTimer deadline(timeoutMs); !deadline.hasExpired(); QTest::qWait(100))
        if (done())
            return true;
    return false;
}

// Once the panel has gone, a click within a quarter of a second is the one that closed it and
// opens nothing: the wait is the program's own rule, in real time.
void closed(const QString& panel)
{
    QTRY_VERIFY_WITH_TIMEOUT(window(panel).isEmpty(), kTimeoutMs);
    QTest::qWait(300);
}

void stop(QProcess& process)
{
    process.kill();
    process.waitForFinished();
}

bool isNear(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 40;
}

int pixelsNear(const QImage& image, const QColor& color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += isNear(image.pixelColor(x, y), color) ? 1 : 0;
    return count;
}

// A method of the StatusNotifierItem registered as "bus name/object path", called over the
// bus alone; its reply as dbus-send prints it.
QString callItem(const QString& item, const QStringList& methodAndArguments, QString path = {})
{
    if (path.isEmpty())
        path = u'/' + item.section(u'/', 1);
    return run("dbus-send", QStringList{"--session", "--print-reply",
                                        "--dest=" + item.section(u'/', 0, 0), path} +
                                methodAndArguments);
}

QString itemProperty(const QString& item, const QString& name)
{
    return callItem(item, {"org.freedesktop.DBus.Properties.Get",
                           "string:org.kde.StatusNotifierItem", "string:" + name});
}

// The first pixmap of the icon: ARGB32 pixels in network byte order.
int iconPixelsNear(const QString& item, const QColor& color)
{
    const QString pixmap = itemProperty(item, "IconPixmap").section("array of bytes [", 1);
    const QByteArray argb = QByteArray::fromHex(pixmap.section(u']', 0, 0).toLatin1());
    int count = 0;
    for (qsizetype i = 0; i + 3 < argb.size(); i += 4)
        count += isNear(QColor(uchar(argb[i + 1]), uchar(argb[i + 2]), uchar(argb[i + 3])), color);
    return count;
}

QString menuLayout(const QString& item)
{
    const QString menu = itemProperty(item, "Menu").section(u'"', 1, 1);
    return callItem(
        item, {"com.canonical.dbusmenu.GetLayout", "int32:0", "int32:-1", "array:string:label"},
        menu);
}

QByteArray credentials(const QString& dataFolder)
{
    QFile file(dataFolder + QStringLiteral("/credentials.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A desktop for the real program in a temporary home: the stand-in service, a tray host on
// the X server the test runs under when asked for, and pallowe itself.
class Desktop
{
public:
    explicit Desktop(const QStringList& serviceOptions)
    {
        // The suite runs widgets offscreen; the program under test needs the real X server.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.remove("QT_QPA_PLATFORMTHEME");
        m_pallowe.setProcessEnvironment(environment);
        m_pallowe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_service.start(QStringLiteral(PALLOWE_DEMO_SERVICE),
                        QStringList{"--session-key=" + kSessionKey} + serviceOptions);
        if (m_service.waitForReadyRead(kTimeoutMs))
            origin = "http://127.0.0.1:" + QString::fromUtf8(m_service.readLine().trimmed());
    }
    ~Desktop()
    {
        for (QProcess* process : {&m_pallowe, &m_service, &m_trayHost})
            stop(*process);
    }

    bool startTrayHost()
    {
        // A tray host that has only just quit may still hold the tray selection for a moment.
        return waitFor([this] {
            if (m_trayHost.state() == QProcess::NotRunning)
                m_trayHost.start("trayer", {"--edge", "top", "--align", "right", "--widthtype",
                                            "pixel", "--width", "32", "--heighttype", "pixel",
                                            "--height", "32", "--transparent", "false", "--tint",
                                            "0x333333", "--SetDockType", "true"});
            m_trayWindow = run("xdotool", {"search", "--onlyvisible", "--class", "trayer"});
            return !m_trayWindow.isEmpty();
        });
    }
    void stopTrayHost()
    {
        stop(m_trayHost);
        m_trayWindow.clear();
    }

    // Starts pallowe and, on a desktop with a tray host, waits until its icon sits there.
    bool startPallowe(const QStringList& arguments)
    {
        const int before = dockedIcons();
        m_pallowe.start(PALLOWE_BINARY, arguments);
        const auto running = [this] { return m_pallowe.state() != QProcess::NotRunning; };
        return !origin.isEmpty() &&
               (m_trayWindow.isEmpty() ||
                waitFor([&] { return !running() || dockedIcons() > before; })) &&
               running();
    }
    void stopPallowe() { stop(m_pallowe); }

    QStringList sessionArguments() const
    {
        return {"--sk=" + kSessionKey, "--org-id=" + kMaxOrg, "--service-origin=" + origin};
    }
    // How many requests of the service's log contain the fragment.
    int served(const QString& fragment)
    {
        m_log += m_service.readAllStandardError();
        return int(QString::fromUtf8(m_log).split(u'\n').filter(fragment).size());
    }
    QJsonObject credentials() const
    {
        return QJsonDocument::fromJson(::credentials(home.dataFolder())).object();
    }

    bool openPanel(const QString& panel)
    {
        click();
        return waitFor([&panel] { return !window(panel).isEmpty(); });
    }
    void click()
    {
        run("xdotool", {"mousemove", "--window", m_trayWindow, "16", "16", "click", "1"});
    }
    static void press(const QString& key) { run("xdotool", {"key", key}); }
    QImage grab(const QString& name) const
    {
        const QString path = home.path() + QStringLiteral("/window.png");
        run("import", {"-window", window(name), path});
        return QImage(path);
    }

    const TemporaryHome home;
    QString origin; // of the service

private:
    // Counts the window ids the tray host lists: its own few and one per icon it docked.
    int dockedIcons() const
    {
        return m_trayWindow.isEmpty()
                   ? 0
                   : int(run("xwininfo", {"-children", "-id", m_trayWindow}).count("0x"));
    }

    QProcess m_trayHost, m_service, m_pallowe;
    QString m_trayWindow;
    QByteArray m_log;
};

const QStringList kSessionA{"--sk=sk-AAAA", "--org-id=org-AAAA", "--org-name=AAAA"};
const QStringList kSessionB{"--sk=sk-BBBB", "--org-id=org-BBBB"};
const QByteArray kRecordA = R"({"orgId":"org-AAAA","orgName":"AAAA","sessionKey":"sk-AAAA"})";
const QByteArray kRecordB = R"({"orgId":"org-BBBB","sessionKey":"sk-BBBB"})";

// The real program alone, offscreen: with no tray to wait for, it runs until killed.
struct Program : QProcess
{
    explicit Program(const QStringList& arguments, const QProcessEnvironment& environment =
                                                       QProcessEnvironment::systemEnvironment())
    {
        setProcessEnvironment(environment);
        start(QStringLiteral(PALLOWE_BINARY), arguments);
    }
    ~Program() override { stop(*this); }
    bool ended() const { return state() == QProcess::NotRunning; }
};

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLineSessionOnBothKindsOfTray();
    void webSignInUntilTheSessionExpires();
    void backgroundRefreshAlertsAndForecasts();
    void historyOfTheRunningProgram_data();
    void historyOfTheRunningProgram();
    void secondStart_data();
    void secondStart();
    void simultaneousStartsStoreOneWholeSession();
};

void TestDesktop::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || !QDBusConnection::sessionBus().isConnected())
        QSKIP("needs an X server and a session bus: run under xvfb-run and dbus-run-session");
}

void TestDesktop::commandLineSessionOnBothKindsOfTray()
{
    DBusMock notifications; // a notification server
    QVERIFY2(notifications.start(), qPrintable(notifications.failure()));
    Desktop desktop({"--cross-80-after=2"});
    QVERIFY(desktop.startTrayHost());
    QVERIFY(desktop.startPallowe(desktop.sessionArguments()));
    QCOMPARE(desktop.credentials(), QJsonObject({{"sessionKey", kSessionKey}, {"orgId", kMaxOrg}}));
    QCOMPARE(QFile::permissions(desktop.home.dataFolder() + "/credentials.json") & 0x0077, 0);
    QCOMPARE(desktop.served("/usage"), 0); // nothing is fetched before the panel opens

    QVERIFY(desktop.openPanel(kUsagePanel));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.served("/usage 200 session-cookie=yes"), 1, kTimeoutMs);
    // The report's bars are drawn in their band colours.
    QTRY_VERIFY_WITH_TIMEOUT(pixelsNear(desktop.grab(kUsagePanel), QColor(0x00, 0x7A, 0xFF)) > 200,
                             kTimeoutMs);

    // Again without options, on a desktop that hosts tray items over D-Bus only: the stored
    // session is used, and the item is reached over the session bus alone.
    Desktop::press("Escape");
    desktop.stopPallowe();
    desktop.stopTrayHost();
    StatusNotifierWatcher watcher;
    QVERIFY(desktop.startPallowe({"--service-origin=" + desktop.origin}));
    QTRY_VERIFY_WITH_TIMEOUT(!watcher.registeredItems().isEmpty(), kTimeoutMs);
    const QString item = watcher.registeredItems().first();
    // Before any report the face has no figure, in the green band.
    QVERIFY(itemProperty(item, "ToolTip").contains(QStringLiteral("string \"Pallowe\"")));
    QVERIFY(iconPixelsNear(item, MenuBarLabel::color(0)) > 0);
    const QString menu = menuLayout(item);
    QVERIFY2(menu.contains("string \"Apri\"") && menu.contains("string \"Esci\""),
             qPrintable(menu));

    // The second report crosses 80 %: one alert, and no other at the next report.
    callItem(item, {"org.kde.StatusNotifierItem.Activate", "int32:400", "int32:300"});
    QTRY_VERIFY_WITH_TIMEOUT(!window(kUsagePanel).isEmpty(), kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.served("/usage 200 session-cookie=yes"), 2, kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(
        itemProperty(item, "ToolTip").contains(QStringLiteral("string \"Pallowe — 80%")),
        kTimeoutMs);
    QVERIFY(iconPixelsNear(item, MenuBarLabel::color(80)) > 0);
    QTRY_COMPARE_WITH_TIMEOUT(notifications.callsOf("Notify").size(), 1, kTimeoutMs);
    Desktop::press("Escape");
    closed(kUsagePanel);
    callItem(item, {"org.kde.StatusNotifierItem.Activate", "int32:400", "int32:300"});
    QTRY_COMPARE_WITH_TIMEOUT(desktop.served("/usage 200"), 3, kTimeoutMs);
    // Another process's second alert would be on its way to the server: nothing marks that
    // none is coming, so it is given time.
    QTest::qWait(500);
    const auto calls = notifications.callsOf("Notify");
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.first().mid(Summary, 2),
             QVariantList({"Pallowe", "Utilizzo al 80% — soglia 80% raggiunta."}));
    QCOMPARE(desktop.served(kSessionKey), 0); // the stand-in's log never shows a key
}

void TestDesktop::webSignInUntilTheSessionExpires()
{
    // A session answers two requests: the organization's details and one report.
    Desktop desktop({"--expire-after=2"});
    QVERIFY(desktop.startTrayHost());
    QVERIFY(desktop.startPallowe({"--service-origin=" + desktop.origin}));

    QVERIFY(desktop.openPanel("^Pallowe — Accesso$"));
    // The panel takes the keyboard once mapped, which no tool can see from outside.
    QTest::qWait(500);
    Desktop::press("space"); // the sign-in button has the focus
    QString signIn;
    QTRY_VERIFY_WITH_TIMEOUT(!(signIn = window("^Accedi a Zelvik$")).isEmpty(), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.served("GET /login 200"), 1, 60000);
    // The page, in the sign-in window's own process, settles and focuses its e-mail field;
    // nothing outside that process tells when.
    QTest::qWait(1500);
    run("xdotool", {"windowfocus", "--sync", signIn});
    run("xdotool", {"type", "--delay", "20", "mario.rossi@example.com"});
    Desktop::press("Tab");
    run("xdotool", {"type", "--delay", "20", "segreta"});
    Desktop::press("Return");

    QTRY_VERIFY_WITH_TIMEOUT(desktop.credentials().contains("orgName"), 60000);
    const QJsonObject stored = desktop.credentials();
    QVERIFY(stored.value("sessionKey").toString().startsWith("sk-demo-"));
    QCOMPARE(stored.value("orgId").toString(), kMaxOrg);
    QCOMPARE(stored.value("orgName").toString(), QStringLiteral("Studio Rossi & Associati"));
    QTRY_VERIFY_WITH_TIMEOUT(window("^Accedi a Zelvik$").isEmpty(), kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.served("/usage 200 session-cookie=yes"), 1, kTimeoutMs);

    // The next refresh is refused: the session is forgotten and the setup comes back.
    Desktop::press("Escape");
    closed(kUsagePanel);
    desktop.click();
    QTRY_COMPARE_WITH_TIMEOUT(desktop.served("/usage 401"), 1, kTimeoutMs);
    QTRY_VERIFY2_WITH_TIMEOUT(!window("^Pallowe — Accesso$").isEmpty(), qPrintable(windowNames()),
                              kTimeoutMs);
    QVERIFY(!QFile::exists(desktop.home.dataFolder() + "/credentials.json"));
    QCOMPARE(desktop.served("sk-demo-"), 0);
}

void TestDesktop::backgroundRefreshAlertsAndForecasts()
{
    DBusMock notifications; // a notification server
    QVERIFY2(notifications.start(), qPrintable(notifications.failure()));
    // The slowest clock keeps the weekly windows still; the five-hour one climbs two points a
    // reply from the third on, its reset far ahead.
    Desktop desktop({"--cross-80-after=3", "--speed=0.01"});
    AppSettings settings;
    settings.backgroundRefresh = true;
    SettingsStore(desktop.home.dataFolder()).save(settings);
    QVERIFY(desktop.startTrayHost());
    QVERIFY(desktop.startPallowe(desktop.sessionArguments() + QStringList{"--refresh-interval=1"}));

    // The panel never opened: refreshes come, and with them the alert at 80 %.
    QTRY_VERIFY_WITH_TIMEOUT(desktop.served("/usage 200") >= 3, kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(notifications.callsOf("Notify").size(), 1, kTimeoutMs);

    // Rising: the session bar carries the forecast line. Full (from the 13th reply): it goes.
    QVERIFY(desktop.openPanel(kUsagePanel));
    const int risingHeight = desktop.grab(kUsagePanel).height();
    Desktop::press("Escape");
    QTRY_VERIFY_WITH_TIMEOUT(desktop.served("/usage 200") >= 14, 60000);
    QVERIFY(desktop.openPanel(kUsagePanel));
    QTRY_VERIFY_WITH_TIMEOUT(desktop.grab(kUsagePanel).height() < risingHeight, kTimeoutMs);
    QCOMPARE(notifications.callsOf("Notify").size(), 1);
}

// One reading per refresh while the history is kept; while it is off nothing is created and
// SQLite is not even loaded. A damaged file stops no refresh, and standard error says so once.
void TestDesktop::historyOfTheRunningProgram_data()
{
    QTest::addColumn<QString>("file");
    for (const char* file : {"off", "kept", "damaged"})
        QTest::newRow(file) << QString(file);
}

void TestDesktop::historyOfTheRunningProgram()
{
    QFETCH(QString, file);
    Desktop desktop({}); // the stand-in alone: the program runs offscreen, in the background
    const QString folder = desktop.home.dataFolder();
    AppSettings settings;
    settings.backgroundRefresh = true;
    settings.keepHistory = file != u"off";
    QVERIFY(SettingsStore(folder).save(settings));
    const HistoryStore store(folder);
    const QByteArray garbage = QByteArray("not a database ").repeated(100);
    if (file == u"damaged") {
        QFile damaged(store.filePath());
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(garbage) == garbage.size());
    }
    Program pallowe(desktop.sessionArguments() << "--refresh-interval=1");
    const auto stored = [&] {
        const auto readings = store.readings(kMaxOrg, QDateTime::currentDateTimeUtc().addDays(-1));
        return readings ? int(readings->size()) : -1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(desktop.served("/usage 200") >= 3, kTimeoutMs);
    if (file == u"kept") // between two refreshes, every one of them is in the file
        QTRY_COMPARE_WITH_TIMEOUT(stored(), desktop.served("/usage 200"), kTimeoutMs);
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pallowe.processId()));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    QCOMPARE(maps.readAll().contains("libsqlite3"), file != u"off");
    QCOMPARE(store.exists(), file != u"off");
    if (file == u"damaged") {
        QFile damaged(store.filePath());
        QVERIFY(damaged.open(QIODevice::ReadOnly) && damaged.readAll() == garbage);
        const QString failure =
            QStringLiteral("pallowe: Cronologia non salvata: history.sqlite è danneggiato.\n");
        QString said;
        QTRY_VERIFY_WITH_TIMEOUT((said += pallowe.readAllStandardError()).contains(failure),
                                 kTimeoutMs);
        const int served = desktop.served("/usage 200");
        QTRY_VERIFY_WITH_TIMEOUT(desktop.served("/usage 200") >= served + 2, kTimeoutMs);
        QCOMPARE((said + pallowe.readAllStandardError()).count(failure), 1);
    }
}

void TestDesktop::secondStart_data()
{
    QTest::addColumn<bool>("sessionBus");
    QTest::addColumn<QString>("obstacle"); // what the hand-over meets
    QTest::addColumn<int>("exitCode");     // -1: started with another data folder, runs beside
    QTest::addColumn<QByteArray>("firstRecord");
    QTest::addColumn<QString>("said"); // part of the second start's one line

    QTest::newRow("hands over") << true << "" << 0 << kRecordB << "gli è stata passata la sessione";
    QTest::newRow("other folder runs beside") << true << "" << -1 << kRecordA << "";
    QTest::newRow("no session bus, refused")
        << false << "" << 1 << kRecordA << "senza un bus di sessione non può essere raggiunto";
    QTest::newRow("a file where the folder goes: not stored, said so")
        << true << "file" << 1 << kRecordA << "ma non ha potuto salvarla";
    QTest::newRow("owner stopped: may still be applied")
        << true << "stopped" << 1 << kRecordB << "potrebbe comunque essere applicata";
}

void TestDesktop::secondStart()
{
    QFETCH(bool, sessionBus);
    QFETCH(QString, obstacle);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, firstRecord);
    QFETCH(QString, said);
    TemporaryHome home;
    QTemporaryDir otherHome;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!sessionBus) // an address that fails, so no bus is launched either
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    const Program first(kSessionA, environment);
    QTRY_COMPARE_WITH_TIMEOUT(credentials(home.dataFolder()), kRecordA, kTimeoutMs);
    // Any local user can read the command line: the key is gone from it.
    QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(first.processId()));
    QVERIFY(commandLine.open(QIODevice::ReadOnly));
    const QByteArray shown = commandLine.readAll();
    QVERIFY2(shown.contains("--sk=*******") && !shown.contains("sk-AAAA"), shown.constData());

    const QString folder = home.dataFolder(), moved = folder + ".moved";
    if (obstacle == u"file")
        QVERIFY(QDir().rename(folder, moved) && QFile(folder).open(QIODevice::WriteOnly));
    if (obstacle == u"stopped")
        ::kill(pid_t(first.processId()), SIGSTOP);
    if (exitCode < 0)
        environment.insert("XDG_DATA_HOME", otherHome.path());
    Program second(kSessionB, environment);
    if (exitCode < 0) {
        QTRY_COMPARE_WITH_TIMEOUT(credentials(otherHome.path() + "/Pallowe"), kRecordB, kTimeoutMs);
        QCOMPARE(second.state(), QProcess::Running);
    } else {
        QVERIFY(second.waitForFinished(kTimeoutMs));
        QCOMPARE(second.exitCode(), exitCode);
        const QString line = QString::fromUtf8(second.readAllStandardError());
        QCOMPARE(line.split(u'\n').filter(QRegularExpression("^pallowe: ")).size(), 1);
        QVERIFY2(line.contains(said) && !line.contains("sk-BBBB"), qPrintable(line));
    }
    if (obstacle == u"stopped")
        ::kill(pid_t(first.processId()), SIGCONT);
    QTRY_COMPARE_WITH_TIMEOUT(credentials(obstacle == u"file" ? moved : folder), firstRecord,
                              kTimeoutMs);
    QCOMPARE(first.state(), QProcess::Running);
}

void TestDesktop::simultaneousStartsStoreOneWholeSession()
{
    TemporaryHome home;
    for (int round = 0; round < 5; ++round) {
        const Program a(kSessionA), b(kSessionB);
        QTRY_VERIFY_WITH_TIMEOUT(a.ended() || b.ended(), kTimeoutMs);
        // The one that ended handed its session over; the one that stays stored it whole.
        QVERIFY(a.ended() != b.ended());
        QCOMPARE((a.ended() ? a : b).exitCode(), 0);
        QCOMPARE(credentials(home.dataFolder()), a.ended() ? kRecordA : kRecordB);
    }
}

QTEST_GUILESS_MAIN(TestDesktop)
#include "test_desktop.moc"
