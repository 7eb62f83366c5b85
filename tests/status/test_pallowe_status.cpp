#include "DemoServiceProcess.h"
#include "TemporaryHome.h"
#include "TestHttpServer.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <csignal>

namespace {

const QString kKey = QStringLiteral("status-key");
const QByteArray kSession =
    R"x({"sessionKey":"status-key","orgId":"8e41d6c2-05b9-4f37-a2de-91c7b3f46a58","orgName":"Studio Rossi"})x";
const QByteArray kSessionWithoutName =
    R"x({"sessionKey":"status-key","orgId":"8e41d6c2-05b9-4f37-a2de-91c7b3f46a58"})x";
const QString kRefused = QStringLiteral("Sessione scaduta — accedi di nuovo.");

// Resets in the past or unreadable, so that their texts do not depend on the clock.
const QByteArray kFullReport = R"x({
  "five_hour": {"utilization": 40, "resets_at": "2020-01-01T00:00:00Z"},
  "seven_day": {"utilization": 35.4, "resets_at": "2020-01-01T00:00:00.5+01:00"},
  "seven_day_velmar": {"utilization": 20, "resets_at": "presto"},
  "seven_day_drevan": {"utilization": 4.4, "resets_at": "2020-01-01T00:00:00Z"},
  "extra_usage": {"is_enabled": true, "monthly_limit": 50, "used_credits": 6,
                  "utilization": 12, "currency": "EUR"}})x";
const QByteArray kBareReport = R"x({
  "five_hour": {"utilization": 66.6, "resets_at": "2020-01-01T00:00:00Z"},
  "seven_day": {"utilization": 12, "resets_at": "2020-01-01T00:00:00Z"}})x";

struct Run
{
    int exitCode = -1; // -1: crashed or did not finish
    QByteArray out;
    QByteArray err;
};

Run runStatus(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(PALLOWE_STATUS), arguments);
    const bool finished = process.waitForFinished(30000);
    const bool normal = finished && process.exitStatus() == QProcess::NormalExit;
    return {normal ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

// "/" stands for a folder where the file should be.
void storeCredentials(const TemporaryHome& home, const QByteArray& content)
{
    const QString path = home.dataFolder() + QStringLiteral("/credentials.json");
    QDir().mkpath(content == "/" ? path : home.dataFolder());
    QFile file(path);
    QVERIFY(content == "/" || (file.open(QIODevice::WriteOnly) && file.write(content) >= 0));
}

// Every file and folder under the home, with the files' bytes.
QMap<QString, QByteArray> snapshot(const TemporaryHome& home)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(home.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        entries.insert(it.filePath(), file.open(QIODevice::ReadOnly) ? file.readAll() : "/");
    }
    return entries;
}

QJsonObject parsed(const QByteArray& line)
{
    return QJsonDocument::fromJson(line).object();
}

} // namespace

class TestPalloweStatus : public QObject
{
    Q_OBJECT

private slots:
    void formats_data();
    void formats();
    void exitCodes_data();
    void exitCodes();
    void watchGoesOnAfterErrorsUntilStopped_data();
    void watchGoesOnAfterErrorsUntilStopped();
    void linksNoGui();
};

void TestPalloweStatus::formats_data()
{
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QByteArray>("credentials");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected"); // the text line, or the JSON object but fetched_at

    QTest::newRow("text, every window")
        << kFullReport << kSession << "text"
        << "40% · sessione 40% (ora) · settimana 35% · Velmar 20% · Drevan 4% · crediti 12%";
    QTest::newRow("text, no per-model window, no extra credits")
        << kBareReport << kSession << "text"
        << "66% · sessione 67% (ora) · settimana 12%";
    QTest::newRow("json, every window") << kFullReport << kSession << "json"
                                        << R"x({
        "percent": 40, "org_name": "Studio Rossi",
        "five_hour": {"utilization": 40, "resets_at": "2020-01-01T00:00:00Z", "resets_in": "ora"},
        "seven_day": {"utilization": 35.4, "resets_at": "2020-01-01T00:00:00.5+01:00",
                      "resets_in": "ora"},
        "seven_day_velmar": {"utilization": 20, "resets_at": "presto", "resets_in": "–"},
        "seven_day_drevan": {"utilization": 4.4, "resets_at": "2020-01-01T00:00:00Z",
                             "resets_in": "ora"},
        "extra_usage": {"is_enabled": true, "monthly_limit": 50, "used_credits": 6,
                        "utilization": 12, "currency": "EUR"}})x";
    QTest::newRow("json, bare, no organization name")
        << kBareReport << kSessionWithoutName << "json"
        << R"x({
        "percent": 66,
        "five_hour": {"utilization": 66.6, "resets_at": "2020-01-01T00:00:00Z", "resets_in": "ora"},
        "seven_day": {"utilization": 12, "resets_at": "2020-01-01T00:00:00Z", "resets_in": "ora"}})x";
    QTest::newRow("waybar, every window") << kFullReport << kSession << "waybar"
                                          << R"x({
        "text": "40%", "class": "normal", "percentage": 40,
        "tooltip": "sessione 40% (ora)\nsettimana 35% (ora)\nVelmar 20% (–)\nDrevan 4% (ora)\ncrediti 12%"})x";
    QTest::newRow("waybar, bare, warning from 65") << kBareReport << kSession << "waybar"
                                                   << R"x({
        "text": "66%", "class": "warning", "percentage": 66,
        "tooltip": "sessione 67% (ora)\nsettimana 12% (ora)"})x";
    QTest::newRow("waybar, critical from 85")
        << QByteArray(R"x({"seven_day": {"utilization": 85, "resets_at": "x"}})x") << kSession
        << "waybar"
        << R"x({"text": "85%", "class": "critical", "percentage": 85, "tooltip": "settimana 85% (–)"})x";
}

void TestPalloweStatus::formats()
{
    QFETCH(QByteArray, report);
    QFETCH(QByteArray, credentials);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    TemporaryHome home;
    storeCredentials(home, credentials);
    TestHttpServer server;
    server.reply(R"(/api/organizations/[^/]+/usage)", 200, report);
    server.start();

    const Run run = runStatus({"--format=" + format, "--service-origin=" + server.origin()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    QVERIFY(run.out.endsWith('\n') && run.out.count('\n') == 1);
    if (format == u"text") {
        QCOMPARE(QString::fromUtf8(run.out.trimmed()), expected);
        return;
    }

    QJsonObject object = parsed(run.out);
    if (format == u"json") {
        const auto fetchedAt =
            QDateTime::fromString(object.take("fetched_at").toString(), Qt::ISODate);
        QVERIFY(qAbs(fetchedAt.secsTo(QDateTime::currentDateTimeUtc())) < 60);
    }
    QCOMPARE(object, parsed(expected.toUtf8()));
}

void TestPalloweStatus::exitCodes_data()
{
    QTest::addColumn<QStringList>("service");    // the stand-in's options
    QTest::addColumn<QByteArray>("credentials"); // empty: none
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // standard error's first line starts with it
    QTest::addColumn<QString>("output");  // standard output holds it

    const QStringList none;
    const QString noSession = QStringLiteral("Nessuna sessione: accedi da Pallowe.");
    const QByteArray otherKey = QByteArray(kSession).replace("status-key", "old-key");
    const QStringList failing{"--status=/api/organizations/*=500"};
    QTest::newRow("success") << none << kSession << none << 0 << ""
                             << "· Velmar ";
    QTest::newRow("help") << none << QByteArray() << QStringList{"--help"} << 0 << ""
                          << "64  opzioni non valide";
    QTest::newRow("no credentials.json") << none << QByteArray() << none << 2 << noSession << "";
    QTest::newRow("malformed") << none << QByteArray(R"({"sessionKey":)") << none << 2 << noSession
                               << "";
    QTest::newRow("empty session key")
        << none << QByteArray(R"x({"sessionKey":"","orgId":"o"})x") << none << 2 << noSession << "";
    QTest::newRow("over 1 MiB") << none
                                << "{\"pad\":\"" + QByteArray(1 << 20, 'x') + "\"," +
                                       kSession.mid(1)
                                << none << 2 << noSession << "";
    QTest::newRow("unreadable: a folder")
        << none << QByteArray("/") << none << 2 << noSession << "";
    QTest::newRow("refused (401), waybar")
        << none << otherKey << QStringList{"--format=waybar"} << 3 << kRefused << "\"error\"";
    QTest::newRow("service error (500), json")
        << failing << kSession << QStringList{"--format=json"} << 1 << "Errore di rete: HTTP 500"
        << "\"exit_code\":1";
    QTest::newRow("nothing listening")
        << none << kSession << QStringList{"--service-origin=" + TestHttpServer::unusedOrigin()}
        << 1 << "Connessione rifiutata"
        << "";
    QTest::newRow("unknown option") << none << kSession << QStringList{"--bogus"} << 64
                                    << "pallowe-status: opzione sconosciuta: --bogus"
                                    << "";
    for (const char* invalid : {"--format=xml", "--refresh-interval=0", "--service-origin=ftp://x"})
        QTest::newRow(invalid) << none << kSession << QStringList{invalid} << 64
                               << "pallowe-status: "
                               << "";
}

void TestPalloweStatus::exitCodes()
{
    QFETCH(QStringList, service);
    QFETCH(QByteArray, credentials);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(QString, output);
    TemporaryHome home;
    if (!credentials.isEmpty())
        storeCredentials(home, credentials);
    DemoServiceProcess stand_in(service << "--session-key=" + kKey);
    QVERIFY(stand_in.isRunning());
    const auto before = snapshot(home);

    const Run run = runStatus(QStringList{"--service-origin=" + stand_in.origin()} + arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(exitCode == 0 ? run.err.isEmpty() : run.err.startsWith(message.toUtf8()),
             run.err.constData());
    QVERIFY2(run.out.contains(output.toUtf8()), run.out.constData());
    if (exitCode == 64)
        QVERIFY(run.err.contains("\nUso: pallowe-status [--format=text|json|waybar]"));
    if (arguments.contains("--format=waybar"))
        QCOMPARE(parsed(run.out),
                 QJsonObject({{"text", "!"}, {"class", "error"}, {"tooltip", message}}));
    else if (arguments.contains("--format=json"))
        QCOMPARE(parsed(run.out), QJsonObject({{"error", message}, {"exit_code", exitCode}}));
    // Read only: a refused session stays stored, and no folder appears.
    QCOMPARE(snapshot(home), before);
}

void TestPalloweStatus::watchGoesOnAfterErrorsUntilStopped_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

void TestPalloweStatus::watchGoesOnAfterErrorsUntilStopped()
{
    QFETCH(int, signal);
    TemporaryHome home;
    storeCredentials(home, kSession);
    DemoServiceProcess stand_in({"--session-key=" + kKey, "--expire-after=1"});
    QVERIFY(stand_in.isRunning());

    QProcess watch;
    watch.start(QStringLiteral(PALLOWE_STATUS),
                {"--watch", "--refresh-interval=1", "--format=waybar",
                 "--service-origin=" + stand_in.origin()});
    QList<QJsonObject> lines;
    while (lines.size() < 3 && watch.waitForReadyRead(10000))
        while (watch.canReadLine())
            lines.append(parsed(watch.readLine()));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0]["class"], "normal");
    for (const QJsonObject& refused : {lines[1], lines[2]})
        QCOMPARE(refused["tooltip"], kRefused);

    ::kill(pid_t(watch.processId()), signal);
    QVERIFY(watch.waitForFinished(10000));
    QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(watch.exitCode(), 0);
}

void TestPalloweStatus::linksNoGui()
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(PALLOWE_STATUS)});
    QVERIFY(ldd.waitForFinished(10000));
    const QByteArray libraries = ldd.readAllStandardOutput();
    QVERIFY2(libraries.contains("libQt6Core.so"), libraries.constData());
    QVERIFY2(!libraries.contains("libQt6Gui") && !libraries.contains("libQt6Widgets"),
             libraries.constData());
}

QTEST_GUILESS_MAIN(TestPalloweStatus)
#include "test_pallowe_status.moc"
