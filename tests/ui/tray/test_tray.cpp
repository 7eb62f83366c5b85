#include "ScreenTest.h"
#include "ui/history/HistoryView.h"
#include "ui/history/HistoryWindowController.h"
#include "ui/panel/MainView.h"
#include "ui/panel/SetupView.h"
#include "ui/panel/UsageView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/tray/MenuBarLabel.h"
#include "ui/tray/PalloweApp.h"
#include "ui/tray/PopupPanel.h"
#include "ui/tray/PopupPlacement.h"

#include <QHelpEvent>
#include <QMenu>
#include <QSystemTrayIcon>

Q_DECLARE_METATYPE(MenuBarLabel::Band)

// The tray item, its face and menu, and the drop-down panel it opens.
class TestTray : public ScreenTest
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    // The band at its edges; the face drawn in its band's colour only, at every size the tray
    // may ask for, on a light and a dark panel, with and without the number.
    void trayFace_data()
    {
        QTest::addColumn<qint64>("percent");
        QTest::addColumn<MenuBarLabel::Band>("band");
        using B = MenuBarLabel::Band;
        QTest::newRow("negative") << qint64(-7) << B::Green;
        QTest::newRow("64") << qint64(64) << B::Green;
        QTest::newRow("65") << qint64(65) << B::Orange;
        QTest::newRow("84") << qint64(84) << B::Orange;
        QTest::newRow("85") << qint64(85) << B::Red;
        QTest::newRow("INT64_MAX") << std::numeric_limits<qint64>::max() << B::Red;
    }

    void trayFace()
    {
        QFETCH(qint64, percent);
        QFETCH(MenuBarLabel::Band, band);
        QCOMPARE(MenuBarLabel::band(percent), band);
        for (const QPalette& palette : {QPalette(Qt::white), QPalette(QColor(0x31, 0x36, 0x3B))}) {
            const QColor colors[] = {SystemColors::green(palette), SystemColors::orange(palette),
                                     SystemColors::red(palette)};
            QCOMPARE(MenuBarLabel::color(percent, palette), colors[int(band)]);
            for (const bool configured : {false, true}) {
                const QIcon icon = MenuBarLabel::icon(percent, configured, palette);
                for (const int side : MenuBarLabel::iconSizes())
                    QVERIFY(icon.availableSizes().contains(QSize(side, side)));
                const QImage image = MenuBarLabel::image(percent, configured, 22, palette);
                for (const QColor& color : colors)
                    QCOMPARE(pixelsNear(image, color, 11) > 30, color == colors[int(band)]);
            }
        }
        QCOMPARE(MenuBarLabel::color(percent), MenuBarLabel::color(percent, QPalette(Qt::white)));
    }

    void trayFaceShowsNeedleAndNumberAndTellsTheTip()
    {
        for (const int side : MenuBarLabel::iconSizes()) {
            const auto face = [side](std::optional<qint64> percent, bool configured) {
                return MenuBarLabel::image(percent, configured, side);
            };
            QVERIFY(face(34, false) != face(35, false)); // the needle moves within a band
            QVERIFY(face(64, false) != face(65, false) && face(84, false) != face(85, false));
            QCOMPARE(face(35, false), face(64, false));
            QCOMPARE(face(42, false), face(43, false)); // no number without a session
            QVERIFY(face(42, true) != face(43, true) && face(42, true) != face(42, false));
            // Signed in, before the first report: neither a figure nor the signed-out gauge.
            for (const auto& other : {face(0, true), face(0, false), face(std::nullopt, false)})
                QVERIFY(face(std::nullopt, true) != other);
        }
        QCOMPARE(MenuBarLabel::toolTip(42, true), QStringLiteral("Pallowe — 42%"));
        QCOMPARE(MenuBarLabel::toolTip(42, false), QStringLiteral("Pallowe"));
        QCOMPARE(MenuBarLabel::toolTip(std::nullopt, true), QStringLiteral("Pallowe"));
        QCOMPARE(MenuBarLabel::toolTip(-3, true, QStringLiteral("Aggiornato 12 minuti fa")),
                 QStringLiteral("Pallowe — -3%\nAggiornato 12 minuti fa"));
    }

    void panelPlacement_data()
    {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QPoint>("expected");
        const QPoint none(-1000, -1000);
        // Screen 0,0 1280x800 with a 32-pixel panel on top; the popup is 300x400.
        QTest::newRow("under the icon") << QRect(600, 0, 32, 32) << none << QPoint(466, 32);
        QTest::newRow("icon at the right") << QRect(1248, 0, 32, 32) << none << QPoint(980, 32);
        QTest::newRow("icon at the left") << QRect(0, 0, 32, 32) << none << QPoint(0, 32);
        QTest::newRow("icon at the bottom") << QRect(600, 768, 32, 32) << none << QPoint(466, 368);
        QTest::newRow("no icon: at the pointer") << QRect() << QPoint(100, 50) << QPoint(100, 51);
        QTest::newRow("pointer bottom right") << QRect() << QPoint(1270, 790) << QPoint(980, 390);
        QTest::newRow("pointer above the area") << QRect() << QPoint(500, 5) << QPoint(500, 32);
    }

    void panelPlacement()
    {
        QFETCH(QRect, icon);
        QFETCH(QPoint, cursor);
        QFETCH(QPoint, expected);
        const QRect available(0, 32, 1280, 768);
        QCOMPARE(PopupPlacement::topLeft(icon, cursor, QSize(300, 400), available), expected);
    }

    // The program's tray item and panel: the refresh loop runs while the panel is open, which
    // follows the session; the palette, the tooltip's age and the balloon that never covers it.
    void trayItemAndPanel()
    {
        m_service->setUsageBody("{" + kFiveHour + "}");
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
            QTRY_COMPARE(m_service->requestCount(), opening);
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
        QTRY_VERIFY(m_service->requestCount() == 4 && !state->isLoading());

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
        QVERIFY(state->history()->deleteAll()); // and lets go of the deleted ones
        QVERIFY(views.first()->chart()->input().isEmpty());
        state->setSettings(AppSettings{});
        QCOMPARE(entries(), QStringLiteral("Apri Esci"));
        app.openPanel(); // the history window took its place; it refreshes as it comes back
        QTRY_VERIFY(m_service->requestCount() == 6 && !state->isLoading());
        refreshWith(*state, "{}", 401); // refused: the setup panel, its button clears the error
        auto* main = child<MainView>(app.panel(), "mainView");
        QVERIFY(qobject_cast<SetupView*>(main->currentView()) && main->currentView()->isVisible());
        QTRY_COMPARE(main->findChildren<UsageView*>().size(), 0);
        QVERIFY(!state->refreshLoop()->isRunning() && child(main, "errorRow")->isVisible());
        click("signInButton"); // the panel steps out of the sign-in window's way
        QVERIFY(!child(main, "errorRow")->isVisibleTo(main) && !app.panel()->isVisible());
        m_service->setUsageBody("{}");
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
};

QTEST_MAIN(TestTray)
#include "test_tray.moc"
