#include "ScreenTest.h"
#include "SignInProcessLauncher.h"
#include "ui/tray/PalloweApp.h"
#include "ui/tray/PopupPanel.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <cstdio>
#include <unistd.h>

namespace {

// This process's standard error, sent to a file for as long as it lives.
class StandardError
{
public:
    StandardError()
    {
        std::fflush(stderr);
        if (m_file.open())
            ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StandardError()
    {
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    QString text()
    {
        std::fflush(stderr);
        QFile file(m_file.fileName());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    const int m_saved = ::dup(STDERR_FILENO);
    QTemporaryFile m_file;
};

} // namespace

// The sign-in window's own process, as the tray's setup panel starts it.
class TestSignInProcess : public ScreenTest
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    // A sign-in window that cannot open, or ends abnormally before it reported a session, is
    // told in the setup panel, which comes back to show it, with the window program's first
    // complaint on standard error; the button then tries again. A window closed without
    // signing in, or one that reported a session, tells nothing. "Usa un altro account" opens
    // the window telling it so.
    void signInWindowThatCannotOpen_data()
    {
        QTest::addColumn<QString>("script");    // the window program; null: there is none
        QTest::addColumn<QString>("complaint"); // what standard error says; empty: nothing
        QTest::newRow("missing") << QString() << "execvp: ";
        QTest::newRow("exits at once") << "printf 'nessuno schermo\\033[2J\\n' >&2; exit 1"
                                       << "nessuno schermo\\x1b[2J";
        QTest::newRow("killed before reporting") << "kill -9 $$"
                                                 << "terminata in modo anomalo";
        QTest::newRow("closed without signing in") << "exit 0"
                                                   << "";
        QTest::newRow("reported, then failed") << "echo k; exit 1"
                                               << "";
        QTest::newRow("another account, which the program is told")
            << "test \"$1\" = --another-account || exit 1"
            << "";
    }

    void signInWindowThatCannotOpen()
    {
        QFETCH(QString, script);
        QFETCH(QString, complaint);
        QTemporaryDir folder;
        QFile program(folder.filePath(script.isNull() ? "missing/pallowe-sign-in" : "sign-in"));
        if (!script.isNull()) {
            QVERIFY(program.open(QIODevice::WriteOnly));
            program.write("#!/bin/sh\n" + script.toUtf8() + '\n');
            program.close();
            QVERIFY(program.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        }
        SignInProcessLauncher windows(program.fileName(), m_service->origin());
        const auto state = stateFor(arguments({}), m_home->dataFolder(),
                                    [&](AppState::Parts& parts) { parts.loginWindows = &windows; });
        PalloweApp app(state.get());
        QSignalSpy failed(app.state(), &AppState::loginWindowFailed);
        StandardError standardError;
        for (const int attempt : {1, 2}) {
            app.openPanel();
            const bool another = script.contains(QLatin1String("another-account"));
            QMetaObject::invokeMethod(
                child(app.panel(), another ? "anotherAccountButton" : "signInButton"), "click");
            QVERIFY(!app.panel()->isVisible() && !app.state()->error());
            // The window program has ended once its process is gone.
            QTRY_VERIFY(qApp->findChildren<QProcess*>().isEmpty());
            QTRY_VERIFY(!app.state()->isLoading());
            if (complaint.isEmpty())
                break;
            QTRY_COMPARE(failed.size(), attempt);
            QCOMPARE(app.state()->error(),
                     QStringLiteral("Impossibile aprire la finestra di accesso."));
            QVERIFY(app.panel()->isVisible() && child(app.panel(), "errorRow")->isVisible());
        }
        QTRY_COMPARE(app.state()->isConfigured(), script.startsWith(QLatin1String("echo k")));
        QCOMPARE(failed.size(), complaint.isEmpty() ? 0 : 2);
        const QString said = standardError.text();
        QCOMPARE(said.count(QStringLiteral("pallowe: impossibile aprire la finestra di accesso: ") +
                            complaint),
                 complaint.isEmpty() ? 0 : 2);
        QVERIFY2(!said.contains(QChar(0x1b)), qPrintable(said));
    }
};

QTEST_MAIN(TestSignInProcess)
#include "test_sign_in_process.moc"
