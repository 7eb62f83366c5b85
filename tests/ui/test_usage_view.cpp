#include "Fakes.h"
#include "ReportServer.h"
#include "TemporaryHome.h"
#include "WidgetLookup.h"
#include "state/AppState.h"
#include "ui/DateTexts.h"
#include "ui/ElidedLabel.h"
#include "ui/UsageBar.h"
#include "ui/UsageView.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>

namespace {

const QByteArray kWindow = R"({"utilization":42.6,"resets_at":"2030-01-01T09:00:00.000Z"})";

QByteArray report(const QByteArrayList& members)
{
    return "{" + members.join(',') + "}";
}

QByteArray window(const char* key, const QByteArray& value = kWindow)
{
    return QByteArray("\"") + key + "\":" + value;
}

// Names of a container's own children that would be on screen, in the order they were added.
QStringList shownChildren(const QWidget* container, const QWidget* top)
{
    QStringList names;
    for (const QWidget* widget :
         container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (widget->isVisibleTo(top) && !widget->objectName().isEmpty())
            names << widget->objectName();
    return names;
}

} // namespace

class TestUsageView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporaryHome> m_home;
    std::unique_ptr<ReportServer> m_server;
    RecordingSettingsWindows m_settingsWindows;

    std::unique_ptr<AppState> configuredState(const QString& orgName = QStringLiteral("Org"))
    {
        QStringList arguments{QStringLiteral("pallowe"), QStringLiteral("--sk=k"),
                              QStringLiteral("--org-id=o"),
                              QStringLiteral("--service-origin=") + m_server->origin()};
        if (!orgName.isEmpty())
            arguments << QStringLiteral("--org-name=") + orgName;
        return std::make_unique<AppState>(
            arguments,
            AppState::Services{m_home->dataFolder(), nullptr, nullptr, &m_settingsWindows});
    }

    void refreshWith(AppState& state, const QByteArray& body, int status = 200)
    {
        m_server->setReply(body, status);
        state.refresh();
        QTRY_VERIFY(!state.isLoading());
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TemporaryHome>();
        m_server = std::make_unique<ReportServer>();
        m_settingsWindows.opened = 0;
    }

    void cleanup()
    {
        m_server.reset();
        m_home.reset();
    }

    void contentAndIndicatorFollowTheState_data()
    {
        QTest::addColumn<bool>("withReport");
        QTest::addColumn<QString>("then"); // "loading", "error" or "idle"
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("indicator");

        QTest::newRow("report, loading") << true << "loading"
                                         << "reportSections"
                                         << "statusSpinner";
        QTest::newRow("report, error") << true << "error"
                                       << "reportSections"
                                       << "statusWarning";
        QTest::newRow("report, idle") << true << "idle"
                                      << "reportSections"
                                      << "";
        QTest::newRow("no report, loading") << false << "loading"
                                            << "loadingState"
                                            << "statusSpinner";
        QTest::newRow("no report, error") << false << "error"
                                          << "errorState"
                                          << "statusWarning";
        QTest::newRow("no report, idle") << false << "idle"
                                         << ""
                                         << "";
    }

    void contentAndIndicatorFollowTheState()
    {
        QFETCH(bool, withReport);
        QFETCH(QString, then);
        QFETCH(QString, content);
        QFETCH(QString, indicator);

        auto state = configuredState();
        UsageView view(state.get()); // never shown: no refresh loop in the way
        if (withReport)
            refreshWith(*state, report({window("five_hour")}));
        if (then == QLatin1String("loading")) {
            m_server->hold();
            state->refresh();
        } else if (then == QLatin1String("error")) {
            refreshWith(*state, "{}", 500);
        }

        for (const char* name : {"reportSections", "loadingState", "errorState"})
            QCOMPARE(child(view, name)->isVisibleTo(&view), content == QLatin1String(name));
        for (const char* name : {"statusSpinner", "statusWarning"})
            QCOMPARE(child(view, name)->isVisibleTo(&view), indicator == QLatin1String(name));
        if (then == QLatin1String("error")) {
            QCOMPARE(child(view, "statusWarning")->toolTip(), *state->error());
            if (!withReport)
                QCOMPARE(child<QLabel>(view, "errorText")->text(), *state->error());
        }
        QCOMPARE(child<QToolButton>(view, "refreshButton")->isEnabled(),
                 then != QLatin1String("loading"));
        m_server->release();
        QTRY_VERIFY(!state->isLoading());
        QVERIFY(child<QToolButton>(view, "refreshButton")->isEnabled());
    }

    void headerShowsTheOrganizationOnlyWhenKnown()
    {
        auto named = configuredState(QStringLiteral("Studio Rossi"));
        UsageView namedView(named.get());
        QVERIFY(child(namedView, "orgNameText")->isVisibleTo(&namedView));
        QCOMPARE(child<QLabel>(namedView, "orgNameText")->text(), QStringLiteral("Studio Rossi"));

        auto unnamed = configuredState(QString());
        UsageView unnamedView(unnamed.get());
        QVERIFY(!child(unnamedView, "orgNameText")->isVisibleTo(&unnamedView));

        // A long name gives way to the spinner: cut at a whole character, with an ellipsis.
        const QString longName =
            QStringLiteral("Cooperativa Agricola e Zootecnica della Valle del Po e Dintorni");
        auto busy = configuredState(longName);
        UsageView busyView(busy.get());
        m_server->hold();
        busy->refresh();
        busyView.grab(); // lays the panel out
        auto* name = child<ElidedLabel>(busyView, "orgNameText");
        QVERIFY(child(busyView, "statusSpinner")->isVisibleTo(&busyView));
        QVERIFY(name->shownText().endsWith(QStringLiteral("…")));
        QVERIFY(longName.startsWith(name->shownText().chopped(1)));
        QVERIFY(name->fontMetrics().horizontalAdvance(name->shownText()) <= name->width());
        QVERIFY(name->geometry().right() < child(busyView, "statusSpinner")->geometry().left());
        m_server->release();
    }

    void sectionsShowThePresentWindows_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("planBox");
        QTest::addColumn<QStringList>("weekly");

        const QStringList all{"sevenDayBar", "velmarDivider", "sevenDayVelmarBar", "drevanDivider",
                              "sevenDayDrevanBar"};
        QTest::newRow("nothing") << report({}) << false << QStringList();
        QTest::newRow("five hour only") << report({window("five_hour")}) << true << QStringList();
        QTest::newRow("drevan only") << report({window("seven_day_drevan")}) << false
                                     << QStringList{"drevanDivider", "sevenDayDrevanBar"};
        QTest::newRow("velmar only") << report({window("seven_day_velmar")}) << false
                                     << QStringList{"velmarDivider", "sevenDayVelmarBar"};
        QTest::newRow("all models only")
            << report({window("seven_day")}) << false << QStringList{"sevenDayBar"};
        QTest::newRow("every window")
            << report({window("five_hour"), window("seven_day"), window("seven_day_velmar"),
                       window("seven_day_drevan")})
            << true << all;
    }

    void sectionsShowThePresentWindows()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, planBox);
        QFETCH(QStringList, weekly);

        auto state = configuredState();
        UsageView view(state.get());
        refreshWith(*state, body);
        QCOMPARE(child(view, "planBox")->isVisibleTo(&view), planBox);
        QCOMPARE(child(view, "weeklyBox")->isVisibleTo(&view), !weekly.isEmpty());
        const QWidget* weeklyContent = child(view, "sevenDayBar")->parentWidget();
        QCOMPARE(shownChildren(weeklyContent, &view), weekly);
        QVERIFY(!child(view, "extraBox")->isVisibleTo(&view));
    }

    void barsCarryTheirTitlesAndResetTexts()
    {
        auto state = configuredState();
        UsageView view(state.get());
        const QDateTime now = QDateTime::currentDateTime();
        view.setClock([now] { return now; });
        const QByteArray withFraction =
            R"({"utilization":10,"resets_at":"2030-01-01T09:00:00.500+02:00"})";
        const QByteArray withoutFraction =
            R"({"utilization":20,"resets_at":"2030-01-01T09:00:00Z"})";
        refreshWith(*state, report({window("five_hour"), window("seven_day", withFraction),
                                    window("seven_day_drevan", withoutFraction)}));

        const auto* fiveHour = child(view, "fiveHourBar")->findChild<UsageBar*>();
        QCOMPARE(fiveHour->title(), QStringLiteral("Sessione corrente"));
        QCOMPARE(fiveHour->percent(), 42.6);
        const UsageWindow expected{0, QStringLiteral("2030-01-01T09:00:00.000Z")};
        QCOMPARE(fiveHour->resetLabel(),
                 QStringLiteral("Si ripristina tra ") + expected.timeUntilReset(now.toUTC()));
        QVERIFY(!fiveHour->subtitle());

        const auto* allModels = child(view, "sevenDayBar")->findChild<UsageBar*>();
        QCOMPARE(allModels->title(), QStringLiteral("Tutti i modelli"));
        QCOMPARE(allModels->resetLabel(),
                 QStringLiteral("Si ripristina ") +
                     DateTexts::resetDateLabel("2030-01-01T09:00:00.500+02:00", now));
        QVERIFY(allModels->resetLabel() !=
                QStringLiteral("Si ripristina 2030-01-01T09:00:00.500+02:00"));

        const auto* drevan = child(view, "sevenDayDrevanBar")->findChild<UsageBar*>();
        QCOMPARE(drevan->title(), QStringLiteral("Solo Drevan"));
        QCOMPARE(drevan->resetLabel(), QStringLiteral("Si ripristina 2030-01-01T09:00:00Z"));
    }

    void forecastOnlyUnderARisingWindow()
    {
        using namespace std::chrono_literals;
        // A 300 ms interval shrinks the forecast's ten minutes to 600 ms.
        AppState state(
            {"pallowe", "--sk=k", "--org-id=o", "--service-origin=" + m_server->origin()},
            {m_home->dataFolder(), nullptr, nullptr, nullptr, 300ms});
        UsageView view(&state);
        const auto rising = [](const QByteArray& percent) {
            return report({window("five_hour", R"({"utilization":)" + percent +
                                                   R"(,"resets_at":"2030-01-01T09:00:00.000Z"})"),
                           window("seven_day")});
        };
        refreshWith(state, rising("10"));
        QTest::qWait(650);
        refreshWith(state, rising("30"));
        const auto* fiveHour = child(view, "fiveHourBar")->findChild<QLabel*>("forecastText");
        QVERIFY2(fiveHour->isVisibleTo(&view) &&
                     fiveHour->text().startsWith(QStringLiteral("Al ritmo attuale: 100% ")),
                 qPrintable(fiveHour->text()));
        const auto* sevenDay = child(view, "sevenDayBar")->findChild<QLabel*>("forecastText");
        QVERIFY(!sevenDay->isVisibleTo(&view)); // flat
    }

    void extraCreditsNeedTheSettingAndAnEnabledBlock_data()
    {
        QTest::addColumn<bool>("showExtraCredits");
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("shown"); // "", "bar" or "inactive"
        QTest::addColumn<QString>("resetLabel");

        const QByteArray full = R"({"is_enabled":true,"utilization":12.5,"currency":"EUR"})";
        QTest::newRow("shown") << true << full << "bar"
                               << "Valuta: EUR";
        QTest::newRow("setting off") << false << full << ""
                                     << "";
        QTest::newRow("block absent") << true << QByteArray() << ""
                                      << "";
        QTest::newRow("not enabled")
            << true << QByteArray(R"({"is_enabled":false,"utilization":12.5})") << ""
            << "";
        QTest::newRow("no currency")
            << true << QByteArray(R"({"is_enabled":true,"utilization":12.5})") << "bar"
            << "";
        QTest::newRow("no utilization")
            << true << QByteArray(R"({"is_enabled":true,"currency":"EUR"})") << "inactive"
            << "";
    }

    void extraCreditsNeedTheSettingAndAnEnabledBlock()
    {
        QFETCH(bool, showExtraCredits);
        QFETCH(QByteArray, extra);
        QFETCH(QString, shown);
        QFETCH(QString, resetLabel);

        auto state = configuredState();
        AppSettings settings = state->settings();
        settings.showExtraCredits = showExtraCredits;
        state->setSettings(settings);
        UsageView view(state.get());
        refreshWith(*state, extra.isEmpty() ? report({}) : report({"\"extra_usage\":" + extra}));

        QCOMPARE(child(view, "extraBox")->isVisibleTo(&view), !shown.isEmpty());
        QCOMPARE(child(view, "extraCreditsBar")->isVisibleTo(&view), shown == QLatin1String("bar"));
        QCOMPARE(child(view, "extraInactive")->isVisibleTo(&view),
                 shown == QLatin1String("inactive"));
        if (shown == QLatin1String("bar")) {
            const auto* bar = child(view, "extraCreditsBar")->findChild<UsageBar*>();
            QCOMPARE(bar->title(), QStringLiteral("Crediti aggiuntivi"));
            QCOMPARE(bar->resetLabel(), resetLabel);
        }
    }

    void footerShowsTheLastUpdateAndRunsTheActions()
    {
        auto state = configuredState();
        UsageView view(state.get());
        QVERIFY(!child(view, "lastUpdatedText")->isVisibleTo(&view));
        refreshWith(*state, report({window("five_hour")}));
        const QDateTime later = state->lastUpdated()->addSecs(300);
        view.setClock([later] { return later; });
        QVERIFY(child(view, "lastUpdatedText")->isVisibleTo(&view));
        QCOMPARE(child<QLabel>(view, "lastUpdatedText")->text(),
                 DateTexts::relativeTimeText(*state->lastUpdated(), later));

        QCOMPARE(child(view, "settingsButton")->toolTip(), QStringLiteral("Impostazioni"));
        QCOMPARE(child(view, "refreshButton")->toolTip(), QStringLiteral("Aggiorna"));
        QCOMPARE(child(view, "signOutButton")->toolTip(), QStringLiteral("Esci / Cambia account"));
        QCOMPARE(child<QToolButton>(view, "quitButton")->text(), QStringLiteral("Esci"));
        QVERIFY(child(view, "quitButton")->toolTip().isEmpty());

        child<QToolButton>(view, "settingsButton")->click();
        QCOMPARE(m_settingsWindows.opened, 1);

        const int before = m_server->requestCount();
        child<QToolButton>(view, "refreshButton")->click();
        QTRY_COMPARE(m_server->requestCount(), before + 1);
        QTRY_VERIFY(!state->isLoading());

        child<QToolButton>(view, "signOutButton")->click();
        QVERIFY(!state->isConfigured());
        QVERIFY(!state->credentialStore().sessionKey());
    }

    void refreshLoopRunsOnlyWhileShown()
    {
        auto state = configuredState();
        m_server->setReply(report({window("five_hour")}));
        QWidget window;
        new UsageView(state.get(), &window);
        const RefreshLoop* loop = state->refreshLoop();
        QVERIFY(!loop->isRunning());
        QCOMPARE(m_server->requestCount(), 0);

        window.show();
        QVERIFY(loop->isRunning());
        QTRY_COMPARE(m_server->requestCount(), 1); // opening refreshes at once
        QTRY_VERIFY(!state->isLoading());

        window.hide();
        QVERIFY(!loop->isRunning());
        window.show();
        QVERIFY(loop->isRunning());
        QTRY_COMPARE(m_server->requestCount(), 2);
        QTRY_VERIFY(!state->isLoading());
    }
};

QTEST_MAIN(TestUsageView)
#include "test_usage_view.moc"
