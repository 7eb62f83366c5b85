#include "Fakes.h"
#include "ReportServer.h"
#include "TemporaryHome.h"
#include "WidgetLookup.h"
#include "state/AppState.h"
#include "ui/DateTexts.h"
#include "ui/MainView.h"
#include "ui/PalloweApp.h"
#include "ui/SetupView.h"
#include "ui/UsageView.h"
#include "ui/WarningBanner.h"

#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>

class TestMainView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporaryHome> m_home;
    std::unique_ptr<ReportServer> m_server;
    RecordingLoginWindows m_loginWindows;

    std::unique_ptr<AppState> makeState(bool configured)
    {
        QStringList arguments{QStringLiteral("pallowe"),
                              QStringLiteral("--service-origin=") + m_server->origin()};
        if (configured)
            arguments << QStringLiteral("--sk=k") << QStringLiteral("--org-id=o");
        return std::make_unique<AppState>(
            arguments, AppState::Services{m_home->dataFolder(), nullptr, &m_loginWindows});
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TemporaryHome>();
        m_server = std::make_unique<ReportServer>();
        m_loginWindows = {};
    }

    void cleanup()
    {
        m_server.reset();
        m_home.reset();
    }

    void setupPanelFollowsTheState_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("errorRow");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("buttonText");

        QTest::newRow("first start") << "fresh" << false << true << "Accedi con Zelvik";
        QTest::newRow("session refused") << "refused" << true << true << "Accedi con Zelvik";
        QTest::newRow("loading") << "loading" << false << false << "Connessione...";
    }

    void setupPanelFollowsTheState()
    {
        QFETCH(QString, situation);
        QFETCH(bool, errorRow);
        QFETCH(bool, enabled);
        QFETCH(QString, buttonText);

        auto state = makeState(situation != QLatin1String("fresh"));
        SetupView view(state.get());
        if (situation == QLatin1String("refused")) {
            m_server->setReply("{}", 401);
            state->refresh();
            QTRY_VERIFY(!state->isLoading());
        } else if (situation == QLatin1String("loading")) {
            m_server->hold();
            state->refresh();
        }

        QCOMPARE(child(view, "errorRow")->isVisibleTo(&view), errorRow);
        if (errorRow)
            QCOMPARE(child<WarningBanner>(view, "errorRow")->text(),
                     QStringLiteral("Sessione scaduta — accedi di nuovo."));
        QCOMPARE(child(view, "signInButton")->isEnabled(), enabled);
        QCOMPARE(child<QLabel>(view, "signInText")->text(), buttonText);
        QCOMPARE(child(view, "signInSpinner")->isVisibleTo(&view), !enabled);
        QCOMPARE(child(view, "signInSymbol")->isVisibleTo(&view), enabled);
        m_server->release();
        QTRY_VERIFY(!state->isLoading());
    }

    void signInButtonClearsTheErrorAndOpensTheWindow()
    {
        auto state = makeState(true);
        m_server->setReply("{}", 401);
        state->refresh();
        QTRY_VERIFY(!state->isLoading());
        SetupView view(state.get());
        QVERIFY(child(view, "errorRow")->isVisibleTo(&view));

        child<QPushButton>(view, "signInButton")->click();
        QVERIFY(!child(view, "errorRow")->isVisibleTo(&view));
        QCOMPARE(m_loginWindows.opened, 1);
    }

    void panelSwitchesWhileOpen()
    {
        auto state = makeState(false);
        MainView view(state.get());
        view.show();
        QVERIFY(qobject_cast<SetupView*>(view.currentView()));

        m_server->setReply(R"({"five_hour":{"utilization":5,"resets_at":"2030-01-01T00:00:00Z"}})");
        child<QPushButton>(view, "signInButton")->click();
        m_loginWindows.callback(QStringLiteral("k"));
        QTRY_VERIFY(qobject_cast<UsageView*>(view.currentView()));
        QVERIFY(view.currentView()->isVisible());
        QTRY_VERIFY(state->usage().has_value());

        // The service refuses the session: back to the setup panel, whose loop is gone.
        m_server->setReply("{}", 401);
        state->refresh();
        QTRY_VERIFY(qobject_cast<SetupView*>(view.currentView()));
        QVERIFY(view.currentView()->isVisible());
        QTRY_COMPARE(view.findChildren<UsageView*>().size(), 0);
        QCOMPARE(view.findChildren<RefreshLoop*>().size(), 0);
    }

    void trayToolTipTellsTheAgeOfTheReading()
    {
        PalloweApp app(
            {"pallowe", "--sk=k", "--org-id=o", "--service-origin=" + m_server->origin()},
            {m_home->dataFolder()});
        app.installTrayItem();
        QCOMPARE(app.trayItem()->toolTip(), QStringLiteral("Pallowe — 0%")); // no refresh yet
        app.state()->refresh();
        QTRY_VERIFY(app.state()->lastUpdated());
        const QString fresh = app.trayItem()->toolTip();
        QTest::qWait(1100); // no timer ages the text; a tooltip about to show does
        QCOMPARE(app.trayItem()->toolTip(), fresh);
        QHelpEvent show(QEvent::ToolTip, {}, {});
        QCoreApplication::sendEvent(app.trayItem(), &show);
        QCOMPARE(app.trayItem()->toolTip(),
                 QStringLiteral("Pallowe — 0%\nAggiornato ") +
                     DateTexts::relativeTimeText(*app.state()->lastUpdated(),
                                                 QDateTime::currentDateTime()));
        QVERIFY(app.trayItem()->toolTip() != fresh);
    }

    void signingOutFromTheUsagePanelShowsTheSetupPanel()
    {
        auto state = makeState(true);
        MainView view(state.get());
        view.show();
        QTRY_VERIFY(!state->isLoading());
        QMetaObject::invokeMethod(child(view, "signOutButton"), "click");
        QVERIFY(qobject_cast<SetupView*>(view.currentView()));
        QTRY_COMPARE(view.findChildren<UsageView*>().size(), 0);
    }
};

QTEST_MAIN(TestMainView)
#include "test_main_view.moc"
