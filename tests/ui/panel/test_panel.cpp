#include "ScreenTest.h"
#include "storage/HistoryStore.h"
#include "ui/panel/SetupView.h"
#include "ui/panel/UsageView.h"
#include "ui/widgets/ElidedLabel.h"

#include <QDir>

using namespace std::chrono_literals;

namespace {

// How the state a row shows came about, in this order.
struct PanelCase
{
    bool setup = false;                // the setup view, else the usage view
    QStringList session = kConfigured; // on the command line
    bool namedBefore = false;          // an earlier start stored the organization's name
    bool unsaved = false;              // a file where the data folder goes
    double earlier = -1;               // the session window a second ago, kept; -1: nothing
    bool creditsShown = true;
    QByteArrayList report = {}; // fetched; none when empty
    int failure = 0;            // the status of a refresh that then failed
    QString signIn = {};        // a sign-in then failed: a status, "without" organization, "window"
    bool loading = false;       // a refresh then in flight
};

// The session window kept in the history at a second ago, as by an earlier run: with the next
// report the pace forecast has two readings far enough apart at the test's short interval.
void keepEarlierReading(const QString& folder, double percent)
{
    AppSettings keep;
    keep.keepHistory = true;
    QVERIFY(SettingsStore(folder).save(keep));
    HistoryReading reading{QDateTime::currentDateTimeUtc().addSecs(-1), {}};
    reading.usage.fiveHour = UsageWindow{percent, QStringLiteral("2030-01-01T09:00:00.000Z")};
    QVERIFY(HistoryStore(folder).append("o", reading).succeeded());
}

} // namespace

Q_DECLARE_METATYPE(PanelCase)

// What the drop-down panel shows: the usage and setup views and their bars.
class TestPanel : public ScreenTest
{
    Q_OBJECT

    // A sign-in through the recorded window whose organization lookup fails as the service's
    // status says, or whose window could not be opened.
    void signInFails(AppState& state, const QString& how)
    {
        if (how == QLatin1String("without"))
            m_service->setBootstrap(200, R"({"account":{"memberships":[]}})");
        else
            m_service->setBootstrap(how.toInt(), kBootstrap);
        state.startOAuthLogin();
        if (how == QLatin1String("window"))
            m_recorder.cannotOpen();
        else
            m_recorder.callback(QStringLiteral("k"));
        QTRY_VERIFY(state.error() && !state.isLoading());
    }

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    // Each view shows the parts and texts of its state, all readable in a light and a dark
    // palette.
    void showsItsStateReadably_data()
    {
        QTest::addColumn<PanelCase>("row");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("texts"); // parts of texts on show
        const QByteArray sevenDay =
            "\"seven_day\":{\"utilization\":70,\"resets_at\":\"" +
            QDateTime::currentDateTimeUtc().addDays(1).toString(Qt::ISODateWithMs).toLatin1() +
            "\"}";
        const QByteArray credits =
            R"("extra_usage":{"is_enabled":true,"utilization":12.5,"currency":"EUR"})";
        const auto row = [](const char* name, const PanelCase& how, const char* shown,
                            const QStringList& texts = {}) {
            for (const bool dark : {false, true})
                QTest::addRow("%s%s", name, dark ? ", dark" : "")
                    << how << dark << QString(shown) << texts;
        };
        row("usage rising",
            {.earlier = 10,
             .report = {kFiveHour, sevenDay, kVelmar, R"("extra_usage":{"is_enabled":true})"}},
            "reportSections orgNameText planBox weeklyBox sevenDayBar velmarDivider "
            "sevenDayVelmarBar extraBox extraInactive forecast:fiveHourBar",
            {"Sessione corrente", "43%", "Si ripristina tra ", "Al ritmo attuale: 100% ",
             "Tutti i modelli", "Si ripristina domani ", "Solo Velmar", "Extra usage non attivo"});
        // A name stored before goes with a command line that gives none.
        row("usage, unnamed",
            {.session = kConfigured.mid(0, 2), .namedBefore = true, .report = {kFiveHour}},
            "reportSections planBox");
        row("report loading", {.report = {kFiveHour}, .loading = true},
            "reportSections orgNameText statusSpinner planBox");
        row("report error", {.report = {kFiveHour}, .failure = 500},
            "reportSections orgNameText statusWarning planBox");
        row("usage loading", {.loading = true}, "loadingState orgNameText statusSpinner",
            {"Caricamento..."});
        row("usage error", {.failure = 500}, "errorState orgNameText statusWarning",
            {"Errore di rete: HTTP 500"});
        row("usage, session not saved", {.unsaved = true, .report = {kFiveHour}},
            "unsavedSessionBanner reportSections orgNameText planBox",
            {"La sessione non è stata salvata: al prossimo avvio servirà un nuovo accesso."});
        row("usage, per model only",
            {.report = {kVelmar, R"("seven_day_drevan":{"utilization":20,)"
                                 R"("resets_at":"2030-01-01T09:00:00Z"})"}},
            "reportSections orgNameText weeklyBox velmarDivider sevenDayVelmarBar drevanDivider "
            "sevenDayDrevanBar",
            {"Solo Drevan", "Si ripristina 2030-01-01T09:00:00Z"});
        row("usage, extra credits", {.report = {credits}},
            "reportSections orgNameText extraBox extraCreditsBar",
            {"Crediti aggiuntivi", "Valuta: EUR"});
        row("usage, extra credits hidden", {.creditsShown = false, .report = {credits}},
            "reportSections orgNameText");
        row("usage, extra credits off",
            {.report = {R"("extra_usage":{"is_enabled":false,"utilization":1})"}},
            "reportSections orgNameText");
        row("setup", {.setup = true, .session = {}}, "signInSymbol",
            {"Accedi con Zelvik", "Usa un altro account"});
        row("setup error", {.setup = true, .failure = 401}, "errorRow signInSymbol",
            {"Sessione scaduta — accedi di nuovo.", "Accedi con Zelvik"});
        // Short texts too: the row is as tall as its text wraps at the row's own width.
        for (const auto& [how, text] :
             {std::pair{"500", "Errore di rete: HTTP 500"},
              {"401", "Sessione non valida o scaduta"},
              {"without", "Errore parsing risposta: Nessuna organizzazione trovata"},
              {"window", "Impossibile aprire la finestra di accesso."}})
            row(qPrintable(QStringLiteral("setup, sign-in failed: ") + how),
                {.setup = true, .session = {}, .signIn = how}, "errorRow signInSymbol", {text});
        row("setup loading", {.setup = true, .loading = true}, "signInSpinner", {"Connessione..."});
    }

    void showsItsStateReadably()
    {
        QFETCH(PanelCase, row);
        QFETCH(bool, dark);
        QFETCH(QString, shown);
        QFETCH(QStringList, texts);
        if (dark)
            QApplication::setPalette(darkPalette(m_light));
        const QString folder = m_home->dataFolder();
        if (row.namedBefore)
            stateFor(arguments(kConfigured), folder);
        if (row.unsaved) { // the session lives in memory
            QDir().mkpath(QFileInfo(folder).path());
            QFile(folder).open(QIODevice::WriteOnly);
        }
        if (row.earlier >= 0)
            keepEarlierReading(folder, row.earlier);
        // A short interval shrinks the pace forecast's spans, so a forecast shows within the test.
        const auto built = stateFor(arguments(row.session), folder, [&](AppState::Parts& parts) {
            parts.loginWindows = &m_recorder;
            parts.refreshInterval = 100ms;
        });
        AppState& state = *built;
        AppSettings settings;
        settings.showExtraCredits = row.creditsShown;
        state.setSettings(settings);
        if (!row.report.isEmpty())
            refreshWith(state, "{" + row.report.join(',') + "}");
        if (row.failure)
            refreshWith(state, "{}", row.failure);
        if (!row.signIn.isEmpty())
            signInFails(state, row.signIn);
        if (row.loading) {
            m_service->hold("o");
            state.refresh();
        }

        // Never shown, so no refresh loop changes the state under the test; grabbing lays it out.
        std::unique_ptr<QWidget> window;
        if (row.setup)
            window = std::make_unique<SetupView>(&state);
        else
            window = std::make_unique<UsageView>(&state);
        layOut(window.get());
        checkTexts(window.get(), texts);
        const QStringList parts = shownOf(
            window.get(), QStringLiteral("unsavedSessionBanner reportSections loadingState "
                                         "errorState orgNameText statusSpinner statusWarning "
                                         "errorRow signInSpinner signInSymbol planBox weeklyBox "
                                         "sevenDayBar velmarDivider sevenDayVelmarBar "
                                         "drevanDivider sevenDayDrevanBar extraBox "
                                         "extraCreditsBar extraInactive forecast:fiveHourBar "
                                         "forecast:sevenDayBar forecast:sevenDayVelmarBar")
                              .split(u' '));
        QCOMPARE(parts.join(u' '), shown);
        for (const char* name : {"refreshButton", "signInButton"})
            if (auto* button = window->findChild<QWidget*>(name))
                QCOMPARE(button->isEnabled(), !row.loading);
        if (parts.contains(QLatin1String("statusWarning")))
            QCOMPARE(child(window.get(), "statusWarning")->toolTip(), *state.error());
        if (parts.contains(QLatin1String("orgNameText"))) { // cut at a whole character
            auto* name = child<ElidedLabel>(window.get(), "orgNameText");
            const QString cut = name->shownText();
            QVERIFY2(cut.endsWith(u'…') && kLongName.startsWith(cut.chopped(1)), qPrintable(cut));
            QVERIFY(name->fontMetrics().horizontalAdvance(cut) <= name->width());
            for (const QString& status : parts.filter(QLatin1String("status"))) // gives way
                QVERIFY(name->geometry().right() < child(window.get(), qPrintable(status))->x());
        }
    }

    void barTextColourAndFill_data()
    {
        QTest::addColumn<double>("percent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<double>("trackShare"); // 0: the sliver a bar always shows
        const QColor blue = SystemColors::blue(), orange = SystemColors::orange();
        QTest::newRow("42.6 rounds up") << 42.6 << "43%" << blue << 0.426;
        QTest::newRow("64.9 reads 65, stays blue") << 64.9 << "65%" << blue << 0.649;
        QTest::newRow("65") << 65.0 << "65%" << orange << 0.65;
        QTest::newRow("84.6 reads 85, stays orange") << 84.6 << "85%" << orange << 0.846;
        QTest::newRow("85") << 85.0 << "85%" << SystemColors::red() << 0.85;
        QTest::newRow("past the end") << 120.0 << "120%" << SystemColors::red() << 1.2;
        QTest::newRow("negative") << -3.0 << "-3%" << blue << 0.0;
    }

    void barTextColourAndFill()
    {
        QFETCH(double, percent);
        QFETCH(QString, text);
        QFETCH(QColor, color);
        QFETCH(double, trackShare);
        UsageBar bar(QStringLiteral("Sessione corrente"), percent, QString());
        for (const int width : {272, 136}) {
            bar.resize(width, bar.sizeHint().height());
            QCOMPARE(bar.fillWidth(), qMax(bar.trackRect().width() * trackShare, 4.0));
        }
        QCOMPARE(bar.percentText(), text);
        QCOMPARE(bar.fillColor(), color);
    }

    void barSlidesToANewPercent()
    {
        UsageBar bar(QStringLiteral("Solo Drevan"), 50.0, QString());
        bar.resize(200, bar.sizeHint().height());
        const QRectF track = bar.trackRect();
        const QPoint start(qCeil(track.left()) + 3, qFloor(track.center().y()));
        const QPoint end(qFloor(track.right()) - 3, start.y());
        const auto pixel = [&bar](const QPoint& at) { return bar.grab().toImage().pixelColor(at); };
        QVERIFY(pixel(start) == SystemColors::blue() && pixel(end) != SystemColors::blue());
        const qreal before = bar.fillWidth();
        bar.setPercent(120); // the texts switch at once; the fill slides from where it was
        QCOMPARE(bar.percentText(), QStringLiteral("120%"));
        QVERIFY(bar.bandColor() == SystemColors::red() && bar.fillWidth() == before);
        QTRY_COMPARE(bar.fillWidth(), bar.targetFillWidth());
        QTRY_COMPARE(bar.fillColor(), SystemColors::red());
        QCOMPARE(pixel(end), SystemColors::red());
    }
};

QTEST_MAIN(TestPanel)
#include "test_panel.moc"
