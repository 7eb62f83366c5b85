#include "FileSizeLimit.h"
#include "Files.h"
#include "ScreenTest.h"
#include "storage/HistoryStore.h"
#include "ui/settings/LimitText.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/style/PanelStyle.h"
#include "ui/widgets/WarningBanner.h"

#include <QPointer>
#include <QSlider>

// The settings window and its form.
class TestSettings : public ScreenTest
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    // The form readable in a light and a dark palette; a threshold off the slider's scale shows
    // clamped, and an untouched save keeps it. The stored limit shows rounded, as it is then
    // saved.
    void showsItsFormReadably_data()
    {
        QTest::addColumn<qint64>("threshold");
        QTest::addColumn<bool>("damagedHistory"); // kept, but the refresh's reading cannot be
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("shown"); // with the slider's position and the text's tone
        QTest::addColumn<QStringList>("texts");
        const auto row = [](qint64 threshold, bool damaged, const char* shown,
                            const QStringList& texts) {
            for (const bool dark : {false, true})
                QTest::addRow("%lld%s%s", threshold, damaged ? ", history not saved" : "",
                              dark ? ", dark" : "")
                    << threshold << damaged << dark << QString(shown) << texts;
        };
        row(69, false, "resetBlock slider:4 blue",
            {"69%", "13", "Ogni 5 secondi; le notifiche",
             "Avvisami quando la sessione si ripristina", "un avviso appena si ripristina."});
        row(70, false, "resetBlock slider:4 orange", {"70%"});
        row(85, false, "resetBlock slider:7 red", {"85%"});
        row(80, true, "resetBlock historyFailureBanner openHistoryButton slider:6 orange",
            {"Cronologia non salvata: history.sqlite è danneggiato.", "Apri la cronologia",
             "Le letture, mai la chiave di sessione, restano 90 giorni"});
        row(std::numeric_limits<qint64>::min(), false, "resetBlock slider:0 blue",
            {"-9223372036854775808%"});
        row(std::numeric_limits<qint64>::max(), false, "resetBlock slider:9 red",
            {"9223372036854775807%"});
    }

    void showsItsFormReadably()
    {
        QFETCH(qint64, threshold);
        QFETCH(bool, damagedHistory);
        QFETCH(bool, dark);
        QFETCH(QString, shown);
        QFETCH(QStringList, texts);
        if (dark)
            QApplication::setPalette(darkPalette(m_light));
        const auto built = stateFor(
            arguments(kConfigured + QStringList{"--refresh-interval=5"}), m_home->dataFolder(),
            [&](AppState::Parts& parts) { parts.loginWindows = &m_recorder; });
        AppState& state = *built;
        AppSettings settings;
        settings.keepHistory = damagedHistory;
        state.setSettings(settings);
        if (damagedHistory) {
            writeFile(m_home->dataFolder() + "/history.sqlite", QByteArray(4096, 'x'));
            refreshWith(state, "{" + kFiveHour + "}");
        }
        settings.alertThresholdPercent = threshold;
        settings.extraCreditsMonthlyLimit = 12.6;
        SettingsView view(&state, settings, nullptr, [] {});
        layOut(&view);
        checkTexts(&view, texts);
        QStringList actual = shownOf(&view, {"resetBlock", "historyFailureBanner",
                                             "openHistoryButton", "deleteHistoryToggle"});
        actual << "slider:" + QString::number(child<QSlider>(&view, "thresholdSlider")->value());
        auto* text = child<QLabel>(&view, "thresholdText");
        const QPalette base = text->parentWidget()->palette();
        for (const auto& [tone, name] : {std::pair{PanelStyle::Tone::Blue, "blue"},
                                         {PanelStyle::Tone::Orange, "orange"},
                                         {PanelStyle::Tone::Red, "red"}})
            if (text->palette().color(QPalette::WindowText) == PanelStyle::textColor(tone, base))
                actual << name;
        QCOMPARE(actual.join(u' '), shown);
        view.save();
        QCOMPARE(state.settingsStore().load().alertThresholdPercent, threshold);
        QCOMPARE(state.settingsStore().load().extraCreditsMonthlyLimit, std::optional(13.0));
    }

    // Every control edits a draft of its own window, which only "Salva" and Ctrl+Return store.
    // A save the file cannot take applies all the same, and keeps the window open to say so.
    // Turning the history off keeps its file unless the user asks, and the save goes through.
    void editAndClose_data()
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

    void editAndClose()
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

    void limitText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // NaN: refused
        const double refused = std::nan("");
        QTest::newRow("fraction") << "99.5" << 99.5;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("hexadecimal") << "0x10" << 16.0;
        QTest::newRow("comma") << "99,5" << refused;
        QTest::newRow("leading tab") << "\t-20" << refused;
        QTest::newRow("trailing space") << "100 " << refused;
        QTest::newRow("empty") << "" << refused;
        QTest::newRow("embedded nul") << QString::fromUtf8("10\0"
                                                           "0",
                                                           4)
                                      << refused;
        QTest::newRow("non-breaking space") << QString::fromUtf8("100\u00a0") << refused;
        QTest::newRow("overflow") << "1e999" << refused;
    }

    void limitText()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(LimitText::parse(text).value_or(std::nan("")), value);
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
