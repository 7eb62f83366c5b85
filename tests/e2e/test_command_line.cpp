#include <QProcess>
#include <QTest>

// What pallowe settles before it needs a desktop: help, version, and no display at all.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void endsBeforeTheDesktop_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("platform"); // QT_QPA_PLATFORM; empty: unset
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // the start of standard output
        QTest::addColumn<QString>("err"); // all of standard error
        QTest::addColumn<bool>("full");   // standard output goes to a full disk
        const QString noDisplay =
            QStringLiteral("pallowe: serve una sessione grafica, X11 o Wayland; nessun display "
                           "trovato.\n");
        QTest::newRow("help") << QStringList{"--sk=k", "--help"} << "" << 0
                              << "Uso: pallowe [--sk=CHIAVE"
                              << "" << false;
        QTest::newRow("-h") << QStringList{"-h"} << "" << 0 << "Uso: pallowe "
                            << "" << false;
        QTest::newRow("version") << QStringList{"--version"} << "" << 0
                                 << "pallowe " PALLOWE_VERSION "\n"
                                 << "" << false;
        QTest::newRow("version on a full disk")
            << QStringList{"--version"} << "" << 1 << ""
            << "pallowe: impossibile scrivere sull'uscita standard.\n"
            << true;
        QTest::newRow("no display") << QStringList{} << "" << 1 << "" << noDisplay << false;
        QTest::newRow("only display servers asked for")
            << QStringList{"--org-id=o"} << "wayland;xcb" << 1 << "" << noDisplay << false;
    }
    void endsBeforeTheDesktop()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, platform);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(bool, full);
        // No display, no session bus, and no tray to wait for.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
        if (!platform.isEmpty())
            environment.insert("QT_QPA_PLATFORM", platform);
        QProcess pallowe;
        pallowe.setProcessEnvironment(environment);
        if (full)
            pallowe.setStandardOutputFile(QStringLiteral("/dev/full"));
        pallowe.start(PALLOWE_BINARY, arguments);
        QVERIFY(pallowe.waitForFinished(10000));
        QCOMPARE(pallowe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(pallowe.exitCode(), exitCode);
        const QString output = QString::fromUtf8(pallowe.readAllStandardOutput());
        QVERIFY2(out.isEmpty() ? output.isEmpty() : output.startsWith(out), qPrintable(output));
        QCOMPARE(QString::fromUtf8(pallowe.readAllStandardError()), err);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
