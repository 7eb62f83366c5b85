#include "Fakes.h"
#include "TemporaryHome.h"
#include "WidgetLookup.h"
#include "state/AppState.h"
#include "ui/LimitText.h"
#include "ui/SettingsView.h"
#include "ui/SettingsWindowController.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <cmath>
#include <limits>

class TestSettingsWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporaryHome> m_home;
    std::unique_ptr<AppState> m_state;
    CountingNotifier m_notifier;

    QWidget* open(const AppSettings& settings = {})
    {
        m_state->setSettings(settings);
        const auto controller = SettingsWindowController::show(m_state.get(), &m_notifier);
        QWidget* window = controller->window();
        if (!QTest::qWaitForWindowActive(window))
            qWarning("settings window not active");
        return window;
    }

    bool settingsFileExists() const { return QFile::exists(m_state->settingsStore().filePath()); }

private slots:
    void init()
    {
        m_home = std::make_unique<TemporaryHome>();
        m_state = std::make_unique<AppState>(QStringList{QStringLiteral("pallowe")},
                                             AppState::Services{m_home->dataFolder()});
        m_notifier = {};
    }

    void cleanup()
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            delete window;
        m_state.reset();
        m_home.reset();
    }

    void limitTextRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");

        QTest::newRow("whole") << "100" << true << 100.0;
        QTest::newRow("fraction") << "99.5" << true << 99.5;
        QTest::newRow("exponent") << "1e3" << true << 1000.0;
        QTest::newRow("negative") << "-20" << true << -20.0;
        QTest::newRow("plus sign") << "+5" << true << 5.0;
        QTest::newRow("zero") << "0" << true << 0.0;
        QTest::newRow("hexadecimal") << "0x10" << true << 16.0;
        QTest::newRow("comma") << "99,5" << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("leading space") << " 100" << false << 0.0;
        QTest::newRow("leading tab") << "\t100" << false << 0.0;
        QTest::newRow("trailing space") << "100 " << false << 0.0;
        QTest::newRow("only spaces") << "   " << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("embedded nul") << QString::fromUtf8("10\0"
                                                           "0",
                                                           4)
                                      << false << 0.0;
        QTest::newRow("non-breaking space") << QString::fromUtf8("100\u00a0") << false << 0.0;
        QTest::newRow("infinity") << "inf" << false << 0.0;
        QTest::newRow("not a number") << "nan" << false << 0.0;
        QTest::newRow("overflow") << "1e999" << false << 0.0;
    }

    void limitTextRule()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const auto parsed = LimitText::parse(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }

    void limitFieldOpensWithTheStoredLimit_data()
    {
        QTest::addColumn<std::optional<double>>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<std::optional<double>>("savedUntouched");

        QTest::newRow("absent") << std::optional<double>() << "" << std::optional<double>();
        QTest::newRow("whole") << std::optional(150.0) << "150" << std::optional(150.0);
        QTest::newRow("rounded") << std::optional(12.6) << "13" << std::optional(13.0);
    }

    void limitFieldOpensWithTheStoredLimit()
    {
        QFETCH(std::optional<double>, stored);
        QFETCH(QString, shown);
        QFETCH(std::optional<double>, savedUntouched);

        AppSettings settings;
        settings.extraCreditsMonthlyLimit = stored;
        QWidget* window = open(settings);
        auto* field = child<QLineEdit>(window, "limitField");
        QCOMPARE(field->text(), shown);
        QCOMPARE(field->placeholderText(), QStringLiteral("Automatico dall'API"));
        child<QPushButton>(window, "saveButton")->click();
        QCOMPARE(m_state->settings().extraCreditsMonthlyLimit, savedUntouched);
    }

    void saveAppliesWritesAndCloses()
    {
        QPointer<QWidget> window = open();
        QCOMPARE(window->windowTitle(), QStringLiteral("Impostazioni — Pallowe"));
        QCOMPARE(window->width(), SettingsView::kWidth);
        QCOMPARE(window->minimumSize(), window->maximumSize()); // not resizable

        child<QCheckBox>(window, "alertToggle")->click();   // off: block hidden, value kept
        child<QCheckBox>(window, "creditsToggle")->click(); // off
        child<QLineEdit>(window, "limitField")->setText(QStringLiteral("99.5"));
        child<QCheckBox>(window, "backgroundToggle")->click(); // on
        QVERIFY(!child(window, "thresholdBlock")->isVisible());
        QVERIFY(!child(window, "limitBlock")->isVisible());
        child<QPushButton>(window, "saveButton")->click();

        AppSettings expected;
        expected.alertEnabled = false;
        expected.showExtraCredits = false;
        expected.extraCreditsMonthlyLimit = 99.5;
        expected.backgroundRefresh = true;
        QCOMPARE(m_state->settings(), expected);
        QCOMPARE(m_state->settingsStore().load(), expected);
        QTRY_VERIFY(window.isNull());
    }

    void otherClosePathsChangeNothing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("Annulla") << "button";
        QTest::newRow("Ctrl+Escape") << "shortcut";
        QTest::newRow("close button") << "close";
    }

    void otherClosePathsChangeNothing()
    {
        QFETCH(QString, path);
        QPointer<QWidget> window = open();
        const AppSettings before = m_state->settings();
        child<QCheckBox>(window, "creditsToggle")->click();
        child<QCheckBox>(window, "backgroundToggle")->click();
        child<QLineEdit>(window, "limitField")->setText(QStringLiteral("5"));

        if (path == QLatin1String("button"))
            child<QPushButton>(window, "cancelButton")->click();
        else if (path == QLatin1String("shortcut"))
            QTest::keyClick(window, Qt::Key_Escape, Qt::ControlModifier);
        else
            window->close();

        QTRY_VERIFY(window.isNull());
        QCOMPARE(m_state->settings(), before);
        QVERIFY(!settingsFileExists());
    }

    void onlyCtrlReturnSavesFromTheKeyboard()
    {
        QPointer<QWidget> window = open();
        auto* field = child<QLineEdit>(window, "limitField");
        field->setFocus();
        field->setText(QStringLiteral("7"));
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(window->isVisible());
        QVERIFY(!settingsFileExists());

        QTest::keyClick(field, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(window.isNull());
        QCOMPARE(m_state->settings().extraCreditsMonthlyLimit, std::optional(7.0));
    }

    void sliderOffersOnlyWholeSteps()
    {
        AppSettings settings;
        settings.alertThresholdPercent = 50;
        QWidget* window = open(settings);
        auto* slider = child<QSlider>(window, "thresholdSlider");
        auto* view = child<SettingsView>(window, "settingsView");
        QList<qint64> offered{view->draft().alertThresholdPercent};
        for (int press = 0; press < 12; ++press) {
            QTest::keyClick(slider, Qt::Key_Right);
            if (view->draft().alertThresholdPercent != offered.last())
                offered << view->draft().alertThresholdPercent;
        }
        QCOMPARE(offered, (QList<qint64>{50, 55, 60, 65, 70, 75, 80, 85, 90, 95}));
    }

    void thresholdColourBands_data()
    {
        QTest::addColumn<qint64>("threshold");
        QTest::addColumn<int>("sameBandAs");
        QTest::addColumn<int>("position");
        QTest::newRow("65") << qint64(65) << 50 << 3;
        QTest::newRow("70") << qint64(70) << 84 << 4;
        QTest::newRow("85") << qint64(85) << 95 << 7;
        QTest::newRow("INT64_MIN") << std::numeric_limits<qint64>::min() << 50 << 0;
        QTest::newRow("INT64_MAX") << std::numeric_limits<qint64>::max() << 95 << 9;
    }

    void thresholdColourBands()
    {
        QFETCH(qint64, threshold);
        QFETCH(int, sameBandAs);
        QFETCH(int, position);
        AppSettings settings;
        settings.alertThresholdPercent = threshold;
        QWidget* window = open(settings);
        auto* text = child<QLabel>(window, "thresholdText");
        QCOMPARE(text->text(), QString::number(threshold) + QLatin1Char('%'));
        const auto tone = SettingsView::thresholdTone(sameBandAs);
        const QPalette base = text->parentWidget()->palette();
        QCOMPARE(text->palette().color(QPalette::WindowText), PanelStyle::textColor(tone, base));
        QCOMPARE(child<QSlider>(window, "thresholdSlider")->value(), position);
        QCOMPARE(child(window, "thresholdSlider")->palette().color(QPalette::Highlight),
                 PanelStyle::symbolColor(tone, base));
        QVERIFY(SettingsView::thresholdTone(69) != SettingsView::thresholdTone(70));
        QVERIFY(SettingsView::thresholdTone(84) != SettingsView::thresholdTone(85));
        child<QPushButton>(window, "saveButton")->click(); // untouched, the stored value stays
        QCOMPARE(m_state->settingsStore().load().alertThresholdPercent, threshold);
    }

    void permissionIsAskedOnlyOnASwitchToOn()
    {
        QWidget* window = open(); // alerts already on
        QCOMPARE(m_notifier.permissionRequests, 0);
        auto* toggle = child<QCheckBox>(window, "alertToggle");
        toggle->click(); // off
        QCOMPARE(m_notifier.permissionRequests, 0);
        toggle->click(); // on
        QCOMPARE(m_notifier.permissionRequests, 1);
        toggle->click();
        toggle->click();
        QCOMPARE(m_notifier.permissionRequests, 2);
    }

    void twoOpeningsGiveTwoIndependentWindows()
    {
        const auto first = SettingsWindowController::show(m_state.get(), &m_notifier);
        const auto second = SettingsWindowController::show(m_state.get(), &m_notifier);
        QVERIFY(first->window() != second->window());
        child<QLineEdit>(first->window(), "limitField")->setText(QStringLiteral("1"));
        QCOMPARE(child<QLineEdit>(second->window(), "limitField")->text(), QString());
        QVERIFY(first->window()->isVisible() && second->window()->isVisible());
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "test_settings_window.moc"
