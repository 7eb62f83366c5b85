#include "FileSizeLimit.h"
#include "SignInProcessLauncher.h"
#include "StateFor.h"
#include "StatusNotifierWatcher.h"
#include "TemporaryHome.h"
#include "TestHttpServer.h"
#include "platform/TrayWaiter.h"
#include "state/AppState.h"
#include "state/LoginWindowLauncher.h"
#include "state/Notifier.h"
#include "ui/history/HistoryChart.h"
#include "ui/history/HistoryView.h"
#include "ui/history/HistoryWindowController.h"
#include "ui/panel/MainView.h"
#include "ui/panel/SetupView.h"
#include "ui/panel/UsageBar.h"
#include "ui/panel/UsageView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/style/SystemColors.h"
#include "ui/tray/PalloweApp.h"
#include "ui/tray/PopupPanel.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/WarningBanner.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTemporaryFile>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <httplib.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// Stand-ins for the sign-in windows and the notification service at the state's boundary.
struct Recorder : Notifier, LoginWindowLauncher
{
    void post(const QString&, const QString&, const QString&) override {}
    void requestPermission() override { ++permissionRequests; }
    std::shared_ptr<WindowController> show(Request request) override
    {
        callback = std::move(request.onAuthenticated);
        cannotOpen = std::move(request.onCannotOpen);
        return std::make_shared<WindowController>();
    }
    int permissionRequests = 0;
    Callback callback;
    std::function<void()> cannotOpen;
};

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

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The named child of a view; a missing one ends the test at once with its name.
template <typename T = QWidget> T* child(const QObject* view, const char* name)
{
    auto* found = view->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

const QString kLongName =
    QStringLiteral("Cooperativa Agricola e Zootecnica della Valle del Po e Dintorni");
const QStringList kConfigured{QStringLiteral("--sk=k"), QStringLiteral("--org-id=o"),
                              "--org-name=" + kLongName};
const QByteArray kFiveHour =
    R"("five_hour":{"utilization":42.6,"resets_at":"2030-01-01T09:00:00.000Z"})";
const QByteArray kVelmar =
    R"("seven_day_velmar":{"utilization":90,"resets_at":"2030-01-04T09:00:00.000Z"})";
const QByteArray kBootstrap =
    R"({"account":{"memberships":[{"organization":{"uuid":"o","name":"O"}}]}})";

// Breeze Dark as a KDE desktop hands it to Qt: the roles its colour scheme names, every other
// role (the placeholder text among them) left as Qt has it.
QPalette darkPalette(QPalette palette)
{
    const QColor window(0x31, 0x36, 0x3B), text(0xEF, 0xF0, 0xF1);
    for (const auto role : {QPalette::Window, QPalette::Button})
        palette.setColor(role, window);
    palette.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(role, text);
        palette.setColor(QPalette::Disabled, role, window.darker(50));
    }
    palette.setColor(QPalette::Highlight, QColor(0x3D, 0xAE, 0xE9));
    palette.setColor(QPalette::HighlightedText, QColor(0xFC, 0xFC, 0xFC));
    palette.setColor(QPalette::Mid, window.darker(75));
    return palette;
}

// WCAG 2 contrast ratio, worked out here apart from the program's own.
qreal contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& color) {
        const auto linear = [](qreal c) {
            return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
               0.0722 * linear(color.blueF());
    };
    return (qMax(luminance(a), luminance(b)) + 0.05) / (qMin(luminance(a), luminance(b)) + 0.05);
}

// The colour covering most of the area: what a text there is drawn over.
QColor dominantColor(const QImage& image, const QRect& area)
{
    QHash<QRgb, int> counts;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[image.pixel(x, y)];
    return QColor::fromRgb(std::max_element(counts.cbegin(), counts.cend()).key());
}

// Every text a window shows in the colour its widget resolves; those short of WCAG 2's 4.5:1
// (3:1 when large: 18 pt, or 14 pt bold) on what lies behind them, and labels given less
// height than their text needs at their width, go to `unreadable`.
QStringList textsOf(QWidget* window, QStringList& unreadable)
{
    const QImage picture = window->grab().toImage();
    QStringList texts;
    const auto check = [&](const QString& text, const QRect& area, const QColor& color,
                           const QFont& font) {
        texts << text;
        const QColor behind = dominantColor(picture, area);
        const QColor ink = SystemColors::blend(color, behind, color.alphaF());
        const int pixels = QFontInfo(font).pixelSize();
        const bool large = pixels >= 24 || (pixels >= 18.66 && font.weight() >= QFont::Bold);
        if (const qreal ratio = contrast(ink, behind); ratio < (large ? 3.0 : 4.5))
            unreadable << QStringLiteral("\"%1\" %2 on %3: %4:1")
                              .arg(text, ink.name(), behind.name())
                              .arg(ratio, 0, 'f', 2);
    };
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window))
            continue;
        const auto group = widget->isEnabled() ? QPalette::Active : QPalette::Disabled;
        const QRect area(widget->mapTo(window, QPoint()), widget->size());
        const auto add = [&](const QString& text, QPalette::ColorRole role) {
            if (!text.isEmpty())
                check(text, area, widget->palette().color(group, role), widget->font());
        };
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            add(label->text(), label->foregroundRole());
            const int needed = label->hasHeightForWidth() ? label->heightForWidth(label->width())
                                                          : label->sizeHint().height();
            if (!label->text().isEmpty() && needed > label->height())
                unreadable << QStringLiteral("\"%1\" cut: %2 of %3 pixels high")
                                  .arg(label->text())
                                  .arg(label->height())
                                  .arg(needed);
        } else if (auto* box = qobject_cast<QCheckBox*>(widget))
            add(box->text(), QPalette::WindowText);
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            add(button->text(), QPalette::ButtonText);
        else if (auto* field = qobject_cast<QLineEdit*>(widget))
            add(field->text().isEmpty() ? field->placeholderText() : field->text(),
                field->text().isEmpty() ? QPalette::PlaceholderText : QPalette::Text);
        else if (auto* bar = qobject_cast<UsageBar*>(widget)) {
            for (const UsageBar::TextLine& line : bar->textLines())
                if (!line.text.isEmpty())
                    check(line.text, line.box.toRect().translated(area.topLeft()), line.color,
                          line.font);
        } else if (auto* chart = qobject_cast<HistoryChart*>(widget))
            for (const HistoryChart::TextLine& line : chart->textLines()) {
                check(line.text, line.box.toRect().translated(area.topLeft()), line.color,
                      line.font);
                const QRectF room(0, 0, line.box.width(), 1e4); // it wraps, or it fits
                const QSizeF needed =
                    QFontMetricsF(line.font).boundingRect(room, Qt::TextWordWrap, line.text).size();
                if (!QRectF(chart->rect()).contains(line.box) ||
                    needed.width() > line.box.width() + 0.5 ||
                    needed.height() > line.box.height() + 0.5)
                    unreadable << QStringLiteral("\"%1\" cut or off the chart").arg(line.text);
            }
    }
    if (texts.size() < 3)
        unreadable << QStringLiteral("only %1 texts found").arg(texts.size());
    return texts;
}

// Every text readable, and each expected one part of a text on show.
void checkTexts(QWidget* window, const QStringList& expected = {})
{
    QStringList unreadable;
    const QStringList texts = textsOf(window, unreadable);
    QVERIFY2(unreadable.isEmpty(), qPrintable(unreadable.join(QLatin1String("; "))));
    for (const QString& text : expected)
        QVERIFY2(!texts.filter(text).isEmpty(), qPrintable(text + QLatin1String(" not shown")));
}

// The history of the last `count` quarter hours: the session climbing to 70 %, the week at 30 %.
// Read at noon, so that today always has room for its name on the week's axis.
HistoryCharts historyOf(int count)
{
    const QDateTime now = QDateTime(QDate::currentDate(), QTime(12, 0)).toUTC();
    const QString reset = now.addSecs(3600).toString(Qt::ISODateWithMs);
    QList<HistoryReading> readings;
    for (int quarter = count; quarter > 0; --quarter) {
        HistoryReading reading{now.addSecs(-900 * quarter), {}};
        reading.usage.fiveHour = UsageWindow{85.0 - 15 * quarter, reset};
        reading.usage.sevenDay = UsageWindow{30, now.addDays(2).toString(Qt::ISODateWithMs)};
        readings << reading;
    }
    return HistoryCharts::fromReadings(readings, now, 80);
}

// Which of the named parts the window shows; a bar's forecast line counts as "forecast:" + bar.
QStringList shownOf(const QWidget* window, const QStringList& names)
{
    QStringList shown;
    for (const QString& name : names) {
        const bool forecast = name.startsWith(QLatin1String("forecast:"));
        const QWidget* part = window->findChild<QWidget*>(forecast ? name.mid(9) : name);
        if (part && forecast)
            part = part->findChild<QLabel*>(QStringLiteral("forecastText"));
        if (part && part->isVisibleTo(window))
            shown << name;
    }
    return shown;
}

} // namespace

class TestPanels : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporaryHome> m_home;
    QPalette m_light;
    Recorder m_recorder;
    // The service, whose usage reply the test changes as it goes and can hold back so that a
    // refresh stays in flight.
    std::atomic<bool> m_holding = false;
    std::mutex m_mutex;
    QByteArray m_body = "{}";
    int m_status = 200;
    std::pair<int, QByteArray> m_bootstrap;
    std::unique_ptr<TestHttpServer> m_server;

    QStringList arguments(const QStringList& more) const
    {
        return QStringList{"pallowe", "--service-origin=" + m_server->origin()} + more;
    }

    void setReply(const QByteArray& body, int status = 200)
    {
        std::lock_guard lock(m_mutex);
        m_body = body;
        m_status = status;
    }

    void refreshWith(AppState& state, const QByteArray& body, int status = 200)
    {
        setReply(body, status);
        state.refresh();
        QTRY_VERIFY(!state.isLoading());
    }

    // A sign-in through the recorded window whose organization lookup fails as the service's
    // status says, or whose window could not be opened.
    void signInFails(AppState& state, const QString& how)
    {
        {
            std::lock_guard lock(m_mutex);
            m_bootstrap = {how.toInt(), kBootstrap};
            if (how == QLatin1String("without"))
                m_bootstrap = {200, R"({"account":{"memberships":[]}})"};
        }
        state.startOAuthLogin();
        if (how == QLatin1String("window"))
            m_recorder.cannotOpen();
        else
            m_recorder.callback(QStringLiteral("k"));
        QTRY_VERIFY(state.error() && !state.isLoading());
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TemporaryHome>();
        m_light = QApplication::palette();
        m_recorder = {};
        setReply("{}");
        m_server = std::make_unique<TestHttpServer>();
        m_server->onGet(R"(/api/organizations/[^/]+/usage)",
                        [this](const httplib::Request&, httplib::Response& response) {
                            while (m_holding)
                                std::this_thread::sleep_for(5ms);
                            std::lock_guard lock(m_mutex);
                            response.status = m_status;
                            response.set_content(m_body.toStdString(), "application/json");
                        });
        m_bootstrap = {200, kBootstrap};
        m_server->onGet(
            "/api/bootstrap", [this](const httplib::Request&, httplib::Response& response) {
                std::lock_guard lock(m_mutex);
                response.status = m_bootstrap.first;
                response.set_content(m_bootstrap.second.toStdString(), "application/json");
            });
        m_server->start();
    }

    void cleanup()
    {
        m_holding = false;
        for (QWidget* window : QApplication::topLevelWidgets())
            delete window;
        QApplication::setPalette(m_light);
        m_server.reset();
        m_home.reset();
    }

    // Each panel shows the parts and texts of its state, all readable in a light and a dark
    // palette; a threshold off the slider's scale shows clamped, and an untouched save keeps it.
    void panelsShowTheirStateReadably_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QByteArray>("report"); // none fetched when empty
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("texts"); // parts of texts on show
        const QByteArray sevenDay =
            "\"seven_day\":{\"utilization\":70,\"resets_at\":\"" +
            QDateTime::currentDateTimeUtc().addDays(1).toString(Qt::ISODateWithMs).toLatin1() +
            "\"}";
        const QByteArray credits =
            R"("extra_usage":{"is_enabled":true,"utilization":12.5,"currency":"EUR"})";
        const auto row = [](const char* screen, const QByteArrayList& report, const char* shown,
                            const QStringList& texts) {
            for (const bool dark : {false, true})
                QTest::addRow("%s%s", screen, dark ? ", dark" : "")
                    << screen << dark
                    << (report.isEmpty() ? QByteArray() : "{" + report.join(',') + "}")
                    << QString::fromLatin1(shown).split(u' ', Qt::SkipEmptyParts) << texts;
        };
        row("usage rising", {kFiveHour, sevenDay, kVelmar, R"("extra_usage":{"is_enabled":true})"},
            "reportSections orgNameText planBox weeklyBox sevenDayBar velmarDivider "
            "sevenDayVelmarBar extraBox extraInactive forecast:fiveHourBar",
            {"Sessione corrente", "43%", "Si ripristina tra ", "Al ritmo attuale: 100% ",
             "Tutti i modelli", "Si ripristina domani ", "Solo Velmar", "Extra usage non attivo"});
        row("usage, unnamed", {kFiveHour}, "reportSections planBox", {});
        row("report loading", {kFiveHour}, "reportSections orgNameText statusSpinner planBox", {});
        row("report error", {kFiveHour}, "reportSections orgNameText statusWarning planBox", {});
        row("usage loading", {}, "loadingState orgNameText statusSpinner", {"Caricamento..."});
        row("usage error", {}, "errorState orgNameText statusWarning",
            {"Errore di rete: HTTP 500"});
        row("usage, session not saved", {kFiveHour},
            "unsavedSessionBanner reportSections orgNameText planBox",
            {"La sessione non è stata salvata: al prossimo avvio servirà un nuovo accesso."});
        row("usage, per model only",
            {kVelmar,
             R"("seven_day_drevan":{"utilization":20,"resets_at":"2030-01-01T09:00:00Z"})"},
            "reportSections orgNameText weeklyBox velmarDivider sevenDayVelmarBar drevanDivider "
            "sevenDayDrevanBar",
            {"Solo Drevan", "Si ripristina 2030-01-01T09:00:00Z"});
        row("usage, extra credits", {credits},
            "reportSections orgNameText extraBox extraCreditsBar",
            {"Crediti aggiuntivi", "Valuta: EUR"});
        row("usage, extra credits hidden", {credits}, "reportSections orgNameText", {});
        row("usage, extra credits off", {R"("extra_usage":{"is_enabled":false,"utilization":1})"},
            "reportSections orgNameText", {});
        row("setup", {}, "signInSymbol", {"Accedi con Zelvik", "Usa un altro account"});
        row("setup error", {}, "errorRow signInSymbol",
            {"Sessione scaduta — accedi di nuovo.", "Accedi con Zelvik"});
        // Short texts too: the row is as tall as its text wraps at the row's own width.
        row("setup, sign-in 500", {}, "errorRow signInSymbol", {"Errore di rete: HTTP 500"});
        row("setup, sign-in 401", {}, "errorRow signInSymbol", {"Sessione non valida o scaduta"});
        row("setup, sign-in without organization", {}, "errorRow signInSymbol",
            {"Errore parsing risposta: Nessuna organizzazione trovata"});
        row("setup, sign-in window failed", {}, "errorRow signInSymbol",
            {"Impossibile aprire la finestra di accesso."});
        row("setup loading", {}, "signInSpinner", {"Connessione..."});
        // The stored limit shows rounded, as it is then saved.
        // The history window: read on a light palette, switched to dark when asked, and with
        // the pointer on the last reading.
        row("history empty", {}, "", {HistoryChart::kEmptyText, "Sessione corrente"});
        row("history session", {}, "headlineText captionText",
            {"Cronologia", "Ultimi 7 giorni", "Soglia 80%", "Ripristino", "100%", "75%"});
        row("history week", {}, "headlineText captionText",
            {"Limite settimanale", "Settimana", "oggi", "Sessione 70%"});
        row("settings 69", {}, "resetBlock slider:4 blue",
            {"69%", "13", "Ogni 5 secondi; le notifiche",
             "Avvisami quando la sessione si ripristina", "un avviso appena si ripristina."});
        row("settings 70", {}, "resetBlock slider:4 orange", {"70%"});
        row("settings 85", {}, "resetBlock slider:7 red", {"85%"});
        row("settings 80 cronologia non salvata", {kFiveHour},
            "resetBlock historyFailureBanner openHistoryButton slider:6 orange",
            {"Cronologia non salvata: history.sqlite è danneggiato.", "Apri la cronologia",
             "Le letture, mai la chiave di sessione, restano 90 giorni"});
        row("settings -9223372036854775808", {}, "resetBlock slider:0 blue",
            {"-9223372036854775808%"});
        row("settings 9223372036854775807", {}, "resetBlock slider:9 red",
            {"9223372036854775807%"});
    }

    void panelsShowTheirStateReadably()
    {
        QFETCH(QString, screen);
        QFETCH(bool, dark);
        QFETCH(QByteArray, report);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, texts);
        const auto is = [&](const char* word) { return screen.contains(QLatin1String(word)); };
        if (dark && !is("history"))
            QApplication::setPalette(darkPalette(m_light));
        if (is("unnamed")) // a name stored before goes with a command line that gives none
            stateFor(arguments(kConfigured), m_home->dataFolder());
        if (is("not saved")) { // a file where the folder goes: the session lives in memory
            QDir().mkpath(QFileInfo(m_home->dataFolder()).path());
            QFile(m_home->dataFolder()).open(QIODevice::WriteOnly);
        }
        // A short interval shrinks the pace forecast's spans, so a forecast shows within the test.
        QStringList session = kConfigured.mid(0, is("unnamed") ? 2 : 3);
        if (screen == QLatin1String("setup") || is("sign-in"))
            session.clear();
        if (is("settings"))
            session << QStringLiteral("--refresh-interval=5");
        const auto built =
            stateFor(arguments(session), m_home->dataFolder(), [&](AppState::Parts& parts) {
                parts.loginWindows = &m_recorder;
                if (!is("settings"))
                    parts.refreshInterval = 100ms;
            });
        AppState& state = *built;
        AppSettings settings;
        settings.showExtraCredits = !is("hidden");
        settings.keepHistory = is("cronologia");
        state.setSettings(settings);
        if (is("cronologia")) { // damaged: the refresh's reading cannot be kept
            QFile damaged(m_home->dataFolder() + "/history.sqlite");
            QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(QByteArray(4096, 'x')));
        }
        if (is("rising")) {
            refreshWith(state, QByteArray(report).replace("42.6", "10"));
            QTest::qWait(250);
        }
        if (!report.isEmpty())
            refreshWith(state, report);
        if (is("error"))
            refreshWith(state, "{}", is("setup") ? 401 : 500);
        if (is("sign-in"))
            signInFails(state, screen.section(u' ', 2, 2));
        if (is("loading")) {
            m_holding = true;
            state.refresh();
        }

        // Never shown, so no refresh loop changes the state under the test; grabbing lays it out.
        std::unique_ptr<QWidget> window;
        if (is("settings")) {
            settings.alertThresholdPercent = screen.section(u' ', 1, 1).toLongLong();
            settings.extraCreditsMonthlyLimit = 12.6;
            window = std::make_unique<SettingsView>(&state, settings, nullptr, [] {});
        } else if (is("setup")) {
            window = std::make_unique<SetupView>(&state);
        } else if (is("history")) {
            window = std::make_unique<HistoryView>(historyOf(is("empty") ? 0 : 4));
            if (is("week")) // from the keyboard
                QTest::keyClick(window->findChildren<QAbstractButton*>().first(), Qt::Key_Right);
            if (dark) { // delivered as events
                QApplication::setPalette(darkPalette(m_light));
                QCoreApplication::sendPostedEvents();
            }
        } else {
            window = std::make_unique<UsageView>(&state);
        }
        // As tall as its content at its width, as the panel and the settings window size it. A
        // hidden window's layouts keep what their parts asked for when last shown: ask anew.
        window->ensurePolished();
        for (QWidget* part : window->findChildren<QWidget*>())
            part->updateGeometry();
        window->resize(window->width(), window->hasHeightForWidth()
                                            ? window->heightForWidth(window->width())
                                            : window->sizeHint().height());
        if (auto* chart = window->findChild<HistoryChart*>()) { // on the last reading
            window->grab();
            const auto readings = chart->input().lines.value(0).readings;
            const QPointF at = chart->position(readings.value(readings.size() - 1));
            QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, {}, {});
            QCoreApplication::sendEvent(chart, &move);
            QCOMPARE(chart->hoverText().isEmpty(), is("empty"));
        }
        checkTexts(window.get(), texts);
        QStringList actual = shownOf(
            window.get(),
            QStringLiteral("unsavedSessionBanner reportSections loadingState errorState "
                           "orgNameText statusSpinner "
                           "statusWarning errorRow signInSpinner signInSymbol planBox weeklyBox "
                           "sevenDayBar velmarDivider sevenDayVelmarBar drevanDivider "
                           "sevenDayDrevanBar extraBox extraCreditsBar extraInactive "
                           "forecast:fiveHourBar forecast:sevenDayBar forecast:sevenDayVelmarBar "
                           "headlineText captionText resetBlock historyFailureBanner "
                           "openHistoryButton deleteHistoryToggle")
                .split(u' '));
        if (auto* view = qobject_cast<SettingsView*>(window.get())) {
            actual << "slider:" + QString::number(child<QSlider>(view, "thresholdSlider")->value());
            auto* text = child<QLabel>(view, "thresholdText");
            const QPalette base = text->parentWidget()->palette();
            for (const auto& [tone, name] : {std::pair{PanelStyle::Tone::Blue, "blue"},
                                             {PanelStyle::Tone::Orange, "orange"},
                                             {PanelStyle::Tone::Red, "red"}})
                if (text->palette().color(QPalette::WindowText) ==
                    PanelStyle::textColor(tone, base))
                    actual << name;
            view->save();
            QCOMPARE(state.settingsStore().load().alertThresholdPercent,
                     settings.alertThresholdPercent);
            QCOMPARE(state.settingsStore().load().extraCreditsMonthlyLimit, std::optional(13.0));
        }
        QCOMPARE(actual, shown);
        for (const char* name : {"refreshButton", "signInButton"})
            if (auto* button = window->findChild<QWidget*>(name))
                QCOMPARE(button->isEnabled(), !is("loading"));
        if (shown.contains(QLatin1String("statusWarning")))
            QCOMPARE(child(window.get(), "statusWarning")->toolTip(), *state.error());
        if (shown.contains(QLatin1String("orgNameText"))) { // cut at a whole character
            auto* name = child<ElidedLabel>(window.get(), "orgNameText");
            const QString cut = name->shownText();
            QVERIFY2(cut.endsWith(u'…') && kLongName.startsWith(cut.chopped(1)), qPrintable(cut));
            QVERIFY(name->fontMetrics().horizontalAdvance(cut) <= name->width());
            for (const QString& status : shown.filter(QLatin1String("status"))) // gives way
                QVERIFY(name->geometry().right() < child(window.get(), qPrintable(status))->x());
        }
    }

    // The program's tray item and panel: the refresh loop runs while the panel is open, which
    // follows the session; the palette, the tooltip's age and the balloon that never covers it.
    void trayItemAndPanel()
    {
        setReply("{" + kFiveHour + "}");
        SettingsWindowOpener settingsWindows(&m_recorder);
        HistoryWindowOpener historyWindows;
        const auto built =
            stateFor(arguments(kConfigured), m_home->dataFolder(), [&](AppState::Parts& parts) {
                parts.notifier = &m_recorder;
                parts.loginWindows = &m_recorder;
                parts.settingsWindows = &settingsWindows;
                parts.historyWindows = &historyWindows;
            });
        AppState* state = built.get();
        PalloweApp app(state);
        qint64 aged = 0; // seconds since the last reading, as the tooltip's clock tells
        app.setClock([&] { return state->lastUpdated().value_or(QDateTime()).addSecs(aged); });
        const auto balloon = [&] { return app.showFallbackMessage("t", "b"); };
        QVERIFY(!balloon()); // no tray yet
        app.installTrayItem();
        QCOMPARE(app.trayItem()->toolTip(), QStringLiteral("Pallowe")); // no reading yet
        for (const int opening : {1, 2, 3}) {
            app.panel()->hide();
            QVERIFY(!state->refreshLoop()->isRunning() && balloon());
            app.openPanel(); // refreshes at once
            QVERIFY(state->refreshLoop()->isRunning() && !balloon());
            QTRY_COMPARE(m_server->requestCount(), opening);
            QTRY_VERIFY(!state->isLoading());
        }
        const QString fresh = app.trayItem()->toolTip();
        QCOMPARE(fresh, QStringLiteral("Pallowe — 42%\nAggiornato ora")); // Italian, always
        const QImage lightFace = app.trayItem()->icon().pixmap(22, 22).toImage();
        QApplication::setPalette(darkPalette(m_light)); // delivered to the widgets as events
        QTRY_VERIFY(app.trayItem()->icon().pixmap(22, 22).toImage() != lightFace);
        checkTexts(app.panel());
        aged = 300; // no timer ages the text; a tooltip about to show does
        QCOMPARE(app.trayItem()->toolTip(), fresh);
        QHelpEvent tip(QEvent::ToolTip, {}, {});
        QCoreApplication::sendEvent(app.trayItem(), &tip);
        QCOMPARE(app.trayItem()->toolTip(),
                 QStringLiteral("Pallowe — 42%\nAggiornato 5 minuti fa"));

        const auto click = [&](const char* button) {
            QMetaObject::invokeMethod(child(app.panel(), button), "click");
        };
        click("refreshButton");
        QTRY_VERIFY(m_server->requestCount() == 4 && !state->isLoading());

        // The history's menu entry comes and goes with the setting; its one window takes in
        // each reading as it is recorded.
        QMenu* menu = app.trayItem()->contextMenu();
        const auto entries = [menu] {
            QStringList shown;
            for (const QAction* action : menu->actions())
                if (action->isVisible())
                    shown << action->text();
            return shown.join(u' ');
        };
        QCOMPARE(entries(), QStringLiteral("Apri Esci"));
        AppSettings keep;
        keep.keepHistory = true;
        state->setSettings(keep);
        QCOMPARE(entries(), QStringLiteral("Apri Cronologia Esci"));
        menu->actions().at(1)->trigger();
        menu->actions().at(1)->trigger(); // brings the same window forward
        QList<HistoryView*> views;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible() &&
                window->windowTitle() == QStringLiteral("Cronologia — Pallowe"))
                views << child<HistoryView>(window, "historyView");
        QCOMPARE(views.size(), 1);
        QVERIFY(views.first()->chart()->input().isEmpty());
        refreshWith(*state, "{" + kFiveHour + "}");
        QCOMPARE(views.first()->chart()->input().lines.value(0).readings.size(), 1);
        state->setSettings(AppSettings{});
        QCOMPARE(entries(), QStringLiteral("Apri Esci"));
        app.openPanel(); // the history window took its place; it refreshes as it comes back
        QTRY_VERIFY(m_server->requestCount() == 6 && !state->isLoading());
        refreshWith(*state, "{}", 401); // refused: the setup panel, its button clears the error
        auto* main = child<MainView>(app.panel(), "mainView");
        QVERIFY(qobject_cast<SetupView*>(main->currentView()) && main->currentView()->isVisible());
        QTRY_COMPARE(main->findChildren<UsageView*>().size(), 0);
        QVERIFY(!state->refreshLoop()->isRunning() && child(main, "errorRow")->isVisible());
        click("signInButton"); // the panel steps out of the sign-in window's way
        QVERIFY(!child(main, "errorRow")->isVisibleTo(main) && !app.panel()->isVisible());
        setReply("{}");
        m_recorder.callback(QStringLiteral("k"));
        QTRY_VERIFY(qobject_cast<UsageView*>(main->currentView()));
        app.openPanel();
        QTRY_VERIFY(state->usage() && !state->isLoading() && main->currentView()->isVisible());
        click("settingsButton");
        QTRY_VERIFY(QApplication::activeWindow() &&
                    QApplication::activeWindow()->findChild<SettingsView*>());
        click("signOutButton");
        QVERIFY(qobject_cast<SetupView*>(main->currentView()));
        QVERIFY(!state->isConfigured() && !state->credentialStore().sessionKey());
        QTRY_COMPARE(main->findChildren<UsageView*>().size(), 0);
    }

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
        SignInProcessLauncher windows(program.fileName(), m_server->origin());
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

    // Every control edits a draft of its own window, which only "Salva" and Ctrl+Return store.
    // A save the file cannot take applies all the same, and keeps the window open to say so.
    // Turning the history off keeps its file unless the user asks, and the save goes through.
    void settingsEditAndClose_data()
    {
        QTest::addColumn<QString>("way"); // a button or keys
        QTest::addColumn<bool>("saves");
        QTest::addColumn<bool>("diskFull"); // until the window has said so
        QTest::addColumn<bool>("deleteHistory");
        QTest::newRow("Salva") << "saveButton" << true << false << true;
        QTest::newRow("Ctrl+Return, not Return or Escape alone")
            << "Ctrl+Return" << true << false << false;
        QTest::newRow("Annulla") << "cancelButton" << false << false << true;
        QTest::newRow("Ctrl+Escape") << "Ctrl+Escape" << false << false << false;
        QTest::newRow("close button") << "" << false << false << false;
        QTest::newRow("Salva on a full disk, then again") << "saveButton" << true << true << true;
    }

    void settingsEditAndClose()
    {
        QFETCH(QString, way);
        QFETCH(bool, saves);
        QFETCH(bool, diskFull);
        QFETCH(bool, deleteHistory);
        const auto built = stateFor({"pallowe"}, m_home->dataFolder());
        AppState& state = *built;
        const QString file = state.settingsStore().filePath();
        AppSettings before;
        before.alertThresholdPercent = 50;
        before.keepHistory = true;
        state.setSettings(before);
        QVERIFY(HistoryStore(m_home->dataFolder())
                    .append("o", {QDateTime::currentDateTimeUtc(), {}})
                    .succeeded());
        const auto open = [&] {
            QWidget* window = SettingsWindowController::show(&state, &m_recorder)->window();
            return QTest::qWaitForWindowActive(window) ? window : nullptr;
        };
        QWidget* other = open();
        QPointer<QWidget> window = open();
        QVERIFY(other && window && other != window);

        auto* view = child<SettingsView>(window, "settingsView");
        QList<qint64> offered{50};
        for (int press = 0; press < 12; ++press) {
            QTest::keyClick(child(window, "thresholdSlider"), Qt::Key_Right);
            if (view->draft().alertThresholdPercent != offered.last())
                offered << view->draft().alertThresholdPercent;
        }
        QCOMPARE(offered, (QList<qint64>{50, 55, 60, 65, 70, 75, 80, 85, 90, 95}));
        child<QCheckBox>(window, "resetToggle")->click();
        QCOMPARE(m_recorder.permissionRequests, 1);
        for (const int asked : {1, 2, 2}) {                   // on every switch to on
            child<QCheckBox>(window, "alertToggle")->click(); // off, on, off
            QCOMPARE(m_recorder.permissionRequests, asked);
        }
        child<QCheckBox>(window, "creditsToggle")->click();
        child<QCheckBox>(window, "backgroundToggle")->click();
        QVERIFY(child(window, "openHistoryButton")->isVisible());
        QVERIFY(!child(window, "deleteHistoryToggle")->isVisible());
        child<QCheckBox>(window, "historyToggle")->click();
        auto* forget = child<QCheckBox>(window, "deleteHistoryToggle");
        QVERIFY(forget->isVisible() && !forget->isChecked());
        QVERIFY(!child(window, "openHistoryButton")->isVisible());
        if (deleteHistory)
            forget->click();
        auto* field = child<QLineEdit>(window, "limitField");
        field->setText(QStringLiteral("99.5"));
        QVERIFY(!child(window, "thresholdBlock")->isVisible()); // their values kept
        QVERIFY(!child(window, "resetBlock")->isVisible());
        QVERIFY(!child(window, "limitBlock")->isVisible());
        QCOMPARE(child<QLineEdit>(other, "limitField")->text(), QString());

        const AppSettings edited{false, 95, false, 99.5, true, false, true}; // all the form has
        if (diskFull) {
            QVERIFY(state.settingsStore().save(before));
            const QByteArray stored = contents(file);
            {
                const FileSizeLimit limit(16);
                child<QAbstractButton>(window, "saveButton")->click();
            }
            QVERIFY(window && child(window, "saveErrorBanner")->isVisible());
            QCOMPARE(child<WarningBanner>(window, "saveErrorBanner")->text(),
                     "Impossibile salvare le impostazioni: la scrittura su disco non è riuscita "
                     "(disco pieno?). Restano in uso fino alla chiusura di Pallowe.");
            checkTexts(window);
            QCOMPARE(contents(file), stored);
            QCOMPARE(state.settings(), edited);
        }
        if (way.endsWith(QLatin1String("Button"))) {
            child<QAbstractButton>(window, qPrintable(way))->click();
        } else if (way.isEmpty()) {
            window->close();
        } else {
            for (const auto key : {Qt::Key_Return, Qt::Key_Escape})
                QTest::keyClick(field, key);
            QVERIFY(window->isVisible() && !QFile::exists(file));
            QTest::keySequence(field, QKeySequence(way));
        }
        QTRY_VERIFY(window.isNull());
        QCOMPARE(state.settings(), saves ? edited : before);
        QCOMPARE(QFile::exists(file), saves);
        if (saves)
            QCOMPARE(state.settingsStore().load(), edited);
        QCOMPARE(state.history()->exists(), !(saves && deleteHistory));
    }

    // Last: the test plays the desktop shell's tray watcher on its private bus, where at first
    // nothing watches (and the offscreen platform has no X display).
    void trayWaiterWaitsForAWatcher()
    {
        TrayWaiter quick(300ms), patient(20s);
        QSignalSpy quickFound(&quick, &TrayWaiter::trayAvailable);
        QSignalSpy quickGaveUp(&quick, &TrayWaiter::timedOut);
        QSignalSpy found(&patient, &TrayWaiter::trayAvailable);
        QSignalSpy gaveUp(&patient, &TrayWaiter::timedOut);
        quick.start();
        patient.start();
        QVERIFY(quickGaveUp.wait(5000) && quickFound.isEmpty() && found.isEmpty());
        StatusNotifierWatcher watcher; // as another process would register it
        QVERIFY(watcher.isRegistered() && found.wait(10000) && gaveUp.isEmpty());
        QVERIFY(TrayWaiter::statusNotifierHostRegistered());
    }
};

QTEST_MAIN(TestPanels)
#include "test_panels.moc"
