#include "DemoServiceProcess.h"
#include "TemporaryHome.h"
#include "TestHttpServer.h"
#include "storage/HistoryStore.h"

#include <QDateTime>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <csignal>
#include <future>
#include <unistd.h>

namespace {

const QByteArray kSession =
    R"x({"sessionKey":"status-key","orgId":"8e41d6c2-05b9-4f37-a2de-91c7b3f46a58","orgName":"Studio Rossi"})x";
const QString kRefused = QStringLiteral("Sessione scaduta — accedi di nuovo.");

// Resets in the past or unreadable, so that their texts do not depend on the clock.
const QByteArray kFullReport = R"x({
    "five_hour": {"utilization": 40, "resets_at": "2020-01-01T00:00:00Z"},
    "seven_day": {"utilization": 35.4, "resets_at": "2020-01-01T00:00:00.5+01:00"},
    "seven_day_velmar": {"utilization": 20, "resets_at": "presto"},
    "seven_day_drevan": {"utilization": 4.4, "resets_at": "2020-01-01T00:00:00Z"},
    "extra_usage": {"is_enabled": true, "monthly_limit": 50, "used_credits": 6, "utilization": 12,
                    "currency": "EUR"}})x";
const QByteArray kBareReport =
    R"x({"five_hour": {"utilization": 65.9, "resets_at": "2020-01-01T00:00:00Z"},
    "seven_day": {"utilization": 12, "resets_at": "2020-01-01T00:00:00Z"}})x";

const QString kOrgId = QStringLiteral("8e41d6c2-05b9-4f37-a2de-91c7b3f46a58");
// In whole seconds, as the export writes its times.
const QDateTime kNow = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);

QString hoursAgo(int hours)
{
    return kNow.addSecs(-3600 * hours).toString(Qt::ISODate);
}

// "stored": readings of the session's organization and of another one, made by the program's
// own store; "garbage": a damaged file; empty: none.
void storeHistory(const TemporaryHome& home, const QString& kind)
{
    const HistoryStore store(home.dataFolder());
    const auto reading = [](int hours, const QByteArray& report) {
        return HistoryReading{kNow.addSecs(-3600 * hours), UsageResponse::decode(report).value()};
    };
    if (kind == u"stored") {
        QVERIFY(store
                    .append(kOrgId, {reading(8 * 24, kBareReport), reading(2, kFullReport),
                                     reading(1, kBareReport)})
                    .succeeded());
        QVERIFY(store.append("another-org", reading(1, kFullReport)).succeeded());
    } else if (kind == u"garbage") {
        QFile file(store.filePath());
        QVERIFY(QDir().mkpath(home.dataFolder()) && file.open(QIODevice::WriteOnly) &&
                file.write(QByteArray(4096, 'x')) > 0);
    }
}

// Empty: not even the folder.
void storeCredentials(const TemporaryHome& home, const QByteArray& content)
{
    QFile file(home.dataFolder() + "/credentials.json");
    QVERIFY(content.isEmpty() || (QDir().mkpath(home.dataFolder()) &&
                                  file.open(QIODevice::WriteOnly) && file.write(content) > 0));
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

} // namespace

class TestPalloweStatus : public QObject
{
    Q_OBJECT

private slots:
    void runsOnce_data()
    {
        QTest::addColumn<QByteArray>("report"); // the service's body
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // a JSON object (fetched_at aside), or a part of it
        QTest::addColumn<QString>("err"); // the start of standard error
        QTest::addColumn<QByteArray>("credentials");
        QTest::addColumn<int>("status");      // the service's
        QTest::addColumn<QString>("history"); // what storeHistory makes
        const auto row = [](const char* name, const QByteArray& report, const QString& argument,
                            int exitCode, const QString& out, const QString& err = {},
                            const QByteArray& credentials = kSession, int status = 200,
                            const QString& history = {}) {
            QTest::newRow(name) << report << argument << exitCode << out << err << credentials
                                << status << history;
        };
        row("text", kFullReport, "--format=text", 0,
            "40% · sessione 40% (ora) · settimana 35% · Velmar 20% · Drevan 4% · crediti 12%\n");
        row("text, no per-model window, no extra credits", kBareReport, "--format=text", 0,
            "65% · sessione 66% (ora) · settimana 12%\n");
        row("json", kFullReport, "--format=json", 0, R"x({"percent": 40, "org_name": "Studio Rossi",
  "five_hour": {"utilization": 40, "resets_at": "2020-01-01T00:00:00Z", "resets_in": "ora"},
  "seven_day": {"utilization": 35.4, "resets_at": "2020-01-01T00:00:00.5+01:00", "resets_in": "ora"},
  "seven_day_velmar": {"utilization": 20, "resets_at": "presto", "resets_in": "–"},
  "seven_day_drevan": {"utilization": 4.4, "resets_at": "2020-01-01T00:00:00Z", "resets_in": "ora"},
  "extra_usage": {"is_enabled": true, "monthly_limit": 50, "used_credits": 6, "utilization": 12,
                  "currency": "EUR"}})x");
        row("waybar, warning from 65", kBareReport, "--format=waybar", 0,
            R"x({"text": "65%", "class": "warning", "percentage": 65,
                 "tooltip": "sessione 66% (ora)\nsettimana 12% (ora)"})x");
        row("waybar, critical from 85", R"x({"seven_day": {"utilization": 85, "resets_at": "x"}})x",
            "--format=waybar", 0,
            R"x({"text": "85%", "class": "critical", "percentage": 85, "tooltip": "settimana 85% (–)"})x");
        row("help", kFullReport, "--help", 0, "64  opzioni non valide");
        row("version", kFullReport, "--version", 0, "pallowe-status " PALLOWE_VERSION "\n");
        const QString noSession = QStringLiteral("Nessuna sessione: accedi da Pallowe.");
        row("no credentials.json", kFullReport, "--format=text", 2, "", noSession, "");
        // Read only: the refused session stays stored, byte for byte.
        row("refused (401), waybar", kFullReport, "--format=waybar", 3,
            R"x({"text": "!", "class": "error", "tooltip": "Sessione scaduta — accedi di nuovo."})x",
            kRefused, kSession, 401);
        row("service error (500), json", kFullReport, "--format=json", 1,
            R"x({"error": "Errore di rete: HTTP 500", "exit_code": 1})x",
            "Errore di rete: HTTP 500", kSession, 500);
        row("unknown option", kFullReport, "--bogus", 64, "",
            "pallowe-status: opzione sconosciuta: --bogus\nUso: pallowe-status [--format=");
        for (const char* invalid :
             {"--format=xml", "--refresh-interval=0", "--service-origin=ftp:x", "--history=0",
              "--history=91", "--history --watch", "--history --format=waybar", "--format=csv"})
            row(invalid, kFullReport, invalid, 64, "", "pallowe-status: ");

        // The stored readings of the session's organization, oldest first, without the service.
        const auto history = [&row](const char* name, const QString& arguments, int exitCode,
                                    const QString& out, const QString& err = {},
                                    const QByteArray& credentials = kSession,
                                    const QString& stored = "stored") {
            row(name, {}, arguments, exitCode, out, err, credentials, 0, stored);
        };
        history("history, csv of 7 days by default", "--history", 0,
                "fetched_at,five_hour,seven_day,seven_day_velmar,seven_day_drevan,extra_usage\n" +
                    hoursAgo(2) + ",40,35.4,20,4.4,12\n" + hoursAgo(1) + ",65.9,12,,,\n");
        const QString bare = R"x("five_hour": {"utilization": 65.9, "resets_at":
            "2020-01-01T00:00:00Z"}, "seven_day": {"utilization": 12, "resets_at":
            "2020-01-01T00:00:00Z"}, "percent": 65)x";
        history("history of 30 days, json", "--history=30 --format=json", 0,
                QString(R"x([{"fetched_at": "%1", %2},
  {"fetched_at": "%3", "percent": 40,
   "five_hour": {"utilization": 40, "resets_at": "2020-01-01T00:00:00Z"},
   "seven_day": {"utilization": 35.4, "resets_at": "2020-01-01T00:00:00.5+01:00"},
   "seven_day_velmar": {"utilization": 20, "resets_at": "presto"},
   "seven_day_drevan": {"utilization": 4.4, "resets_at": "2020-01-01T00:00:00Z"},
   "extra_usage": {"is_enabled": true, "utilization": 12}},
  {"fetched_at": "%4", %2}])x")
                    .arg(hoursAgo(8 * 24), bare, hoursAgo(2), hoursAgo(1)));
        history("history, none stored", "--history --format=json", 2, "",
                "Nessuna cronologia: attivala nelle impostazioni di Pallowe.\n", kSession, "");
        history("history, signed out", "--history", 2, "", noSession + '\n', "");
        history("history, damaged", "--history", 1, "",
                "Cronologia illeggibile: history.sqlite è danneggiato.\n", kSession, "garbage");
    }
    void runsOnce()
    {
        QFETCH(QByteArray, report);
        QFETCH(QString, argument);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QByteArray, credentials);
        QFETCH(int, status);
        QFETCH(QString, history);
        TemporaryHome home;
        storeCredentials(home, credentials);
        storeHistory(home, history);
        TestHttpServer server;
        server.reply("/api/organizations/8e41d6c2-05b9-4f37-a2de-91c7b3f46a58/usage", status,
                     report);
        server.start();
        const auto before = snapshot(home);

        QProcess run;
        run.start(PALLOWE_STATUS,
                  QStringList{"--service-origin=" + server.origin()} + argument.split(' '));
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.exitCode(), exitCode);
        const QByteArray output = run.readAllStandardOutput(), errors = run.readAllStandardError();
        QVERIFY2(errors.startsWith(err.toUtf8()) && errors.isEmpty() == err.isEmpty(), errors);
        if (out.startsWith(u'[')) { // one object a line between the brackets
            const auto array = QJsonDocument::fromJson(out.toUtf8()).array();
            QCOMPARE(QJsonDocument::fromJson(output).array(), array);
            QCOMPARE(output.count('\n'), array.size() + 2);
        } else if (out.endsWith(u'\n')) { // the whole output
            QCOMPARE(QString::fromUtf8(output), out);
        } else if (!out.startsWith(u'{')) {
            QVERIFY2(output.contains(out.toUtf8()), output);
        } else {
            QVERIFY(output.endsWith('\n') && output.count('\n') == 1);
            QJsonObject object = QJsonDocument::fromJson(output).object();
            const QString fetchedAt = object.take("fetched_at").toString();
            QVERIFY(exitCode > 0 || qAbs(QDateTime::fromString(fetchedAt, Qt::ISODate)
                                             .secsTo(QDateTime::currentDateTimeUtc())) < 60);
            QCOMPARE(object, QJsonDocument::fromJson(out.toUtf8()).object());
        }
        QCOMPARE(snapshot(home), before); // nothing written, no folder made
        if (argument.startsWith("--history"))
            QCOMPARE(server.requestCount(), 0);
    }

    void watchGoesOnAfterErrorsUntilStopped()
    {
        TemporaryHome home;
        storeCredentials(home, kSession);
        DemoServiceProcess standIn({"--session-key=status-key", "--expire-after=1"});
        QVERIFY(standIn.isRunning());
        QProcess watch;
        watch.start(PALLOWE_STATUS, {"--watch", "--refresh-interval=1", "--format=waybar",
                                     "--service-origin=" + standIn.origin()});
        QStringList tooltips;
        while (tooltips.size() < 3 && watch.waitForReadyRead(10000))
            while (watch.canReadLine())
                tooltips << QJsonDocument::fromJson(watch.readLine())["tooltip"].toString();
        QCOMPARE(tooltips.size(), 3);
        QVERIFY(tooltips[0].startsWith("sessione ")); // then the session expires
        QCOMPARE(tooltips.mid(1), QStringList({kRefused, kRefused}));

        ::kill(pid_t(watch.processId()), SIGTERM);
        QVERIFY(watch.waitForFinished(10000));
        QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(watch.exitCode(), 0);
    }

    // Nobody reads on once standard output fails: the program ends with 1 at once, before it
    // asks the service again.
    void endsWhenOutputFails_data()
    {
        QTest::addColumn<QString>("output"); // "closed", "/dev/full", or "pipe" into head -1
        QTest::addColumn<bool>("watch");
        QTest::addColumn<int>("requests");
        QTest::newRow("once, /dev/full") << "/dev/full" << false << 1;
        QTest::newRow("watch, /dev/full") << "/dev/full" << true << 1;
        QTest::newRow("watch, closed") << "closed" << true << 0;
        QTest::newRow("watch, reader gone after one line") << "pipe" << true << 2;
    }
    void endsWhenOutputFails()
    {
        QFETCH(QString, output);
        QFETCH(bool, watch);
        QFETCH(int, requests);
        TemporaryHome home;
        storeCredentials(home, kSession);
        TestHttpServer server;
        server.reply("/api/organizations/.*/usage", 200, kBareReport);
        server.start();
        QStringList arguments{"--service-origin=" + server.origin()};
        if (watch)
            arguments << "--watch"
                      << "--refresh-interval=1";
        QProcess run;
        if (output == u"pipe") { // the pipeline ends when the program does, with its status
            arguments.prepend(PALLOWE_STATUS);
            run.start("bash",
                      QStringList{"-c", "set -o pipefail; \"$@\" | head -1", "-"} + arguments);
        } else {
            if (output == u"closed")
                run.setChildProcessModifier([] { close(STDOUT_FILENO); });
            else
                run.setStandardOutputFile(output);
            run.start(PALLOWE_STATUS, arguments);
        }
        QVERIFY(run.waitForFinished(10000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.exitCode(), 1);
        const QByteArray errors = run.readAllStandardError(); // bash may add its own lines
        QVERIFY2(('\n' + errors)
                     .endsWith("\npallowe-status: impossibile scrivere sull'uscita "
                               "standard.\n"),
                 errors);
        QCOMPARE(server.requestCount(), requests);
    }

    // Pallowe signs in anew while the reading of the old session is on its way: whatever the
    // old session's answer, only the new session's reading is printed, with its own name.
    void printsOnlyTheSessionStoredNow_data()
    {
        QTest::addColumn<int>("oldStatus");
        QTest::addColumn<QByteArray>("newCredentials"); // empty: signed out meanwhile
        QTest::addColumn<int>("exitCode");
        const QByteArray sessionB = R"({"sessionKey":"kB","orgId":"orgB","orgName":"AccountB"})";
        for (int status : {200, 401, 403})
            QTest::addRow("old session answers %d", status) << status << sessionB << 0;
        QTest::newRow("signed out meanwhile") << 200 << QByteArray() << 2;
    }
    void printsOnlyTheSessionStoredNow()
    {
        QFETCH(int, oldStatus);
        QFETCH(QByteArray, newCredentials);
        QFETCH(int, exitCode);
        TemporaryHome home;
        storeCredentials(home, R"({"sessionKey":"kA","orgId":"orgA","orgName":"AccountA"})");
        std::promise<void> release;
        TestHttpServer server;
        // A's answer is held until B is stored (or for ten seconds, should the test fail).
        server.onGet("/api/organizations/orgA/usage",
                     [oldStatus, held = release.get_future().share()](const auto&, auto& res) {
                         held.wait_for(std::chrono::seconds(10));
                         res.status = oldStatus;
                         res.set_content(R"({"five_hour":{"utilization":91,"resets_at":"x"}})",
                                         "application/json");
                     });
        server.reply("/api/organizations/orgB/usage", 200,
                     R"({"five_hour":{"utilization":12,"resets_at":"x"}})");
        server.start();
        QProcess run;
        run.start(PALLOWE_STATUS, {"--service-origin=" + server.origin(), "--format=json"});
        QTRY_COMPARE(server.requestCount(), 1);
        if (newCredentials.isEmpty())
            QVERIFY(QFile::remove(home.dataFolder() + "/credentials.json"));
        else
            storeCredentials(home, newCredentials);
        release.set_value();
        QVERIFY(run.waitForFinished(10000));
        QCOMPARE(run.exitCode(), exitCode);
        const QJsonObject reading = QJsonDocument::fromJson(run.readAllStandardOutput()).object();
        if (exitCode == 0) {
            QCOMPARE(reading["percent"].toInt(), 12);
            QCOMPARE(reading["org_name"].toString(), "AccountB");
        } else {
            QCOMPARE(reading["exit_code"].toInt(), exitCode);
        }
    }

    // Neither the GUI, nor the bus the tray program's adapters speak, nor SQLite: the history's
    // library is loaded by --history alone.
    void linksNoGuiBusNorSqlite()
    {
        QProcess ldd;
        ldd.start("ldd", {PALLOWE_STATUS});
        QVERIFY(ldd.waitForFinished(10000));
        const QByteArray libraries = ldd.readAllStandardOutput();
        QVERIFY2(libraries.contains("libQt6Core.so") && !libraries.contains("libQt6Gui") &&
                     !libraries.contains("libQt6DBus") && !libraries.contains("libsqlite3"),
                 libraries);
    }
};

QTEST_GUILESS_MAIN(TestPalloweStatus)
#include "test_pallowe_status.moc"
