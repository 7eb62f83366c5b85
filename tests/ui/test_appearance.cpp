#include "ReportServer.h"
#include "TemporaryHome.h"
#include "WidgetLookup.h"
#include "state/AppState.h"
#include "ui/PalloweApp.h"
#include "ui/PopupPanel.h"
#include "ui/SettingsView.h"
#include "ui/SetupView.h"
#include "ui/SystemColors.h"
#include "ui/UsageBar.h"
#include "ui/UsageView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSystemTrayIcon>
#include <QTest>
#include <QtMath>

// Every text of every panel reads against what is drawn behind it, in a light and a dark
// palette; a palette switch restyles an open panel and the tray face.
class TestAppearance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyTextReadsOnItsBackground_data();
    void everyTextReadsOnItsBackground();
    void paletteSwitchRestylesTheOpenPanelAndTheFace();
    void fallbackBalloonWaitsForTheClosedPanel();

private:
    std::unique_ptr<AppState> makeState(bool configured);
    QStringList unreadableTexts(QWidget* window);

    std::unique_ptr<TemporaryHome> m_home;
    std::unique_ptr<ReportServer> m_server;
    QPalette m_light;
};

namespace {

const QByteArray kFullReport = R"({
    "five_hour": {"utilization": 42, "resets_at": "2030-01-01T09:00:00.000Z"},
    "seven_day": {"utilization": 70, "resets_at": "2030-01-03T09:00:00.000Z"},
    "seven_day_velmar": {"utilization": 90, "resets_at": "2030-01-04T09:00:00.000Z"},
    "extra_usage": {"is_enabled": true}})";

// Breeze Dark as a KDE desktop hands it to Qt: the roles its colour scheme names, every other
// role (the placeholder text among them) left as Qt has it.
QPalette darkPalette(QPalette palette)
{
    const QColor window(0x31, 0x36, 0x3B), view(0x23, 0x26, 0x29), text(0xEF, 0xF0, 0xF1);
    for (const auto role : {QPalette::Window, QPalette::Button})
        palette.setColor(role, window);
    palette.setColor(QPalette::Base, view);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, text);
    palette.setColor(QPalette::Highlight, QColor(0x3D, 0xAE, 0xE9));
    palette.setColor(QPalette::HighlightedText, QColor(0xFC, 0xFC, 0xFC));
    palette.setColor(QPalette::Mid, window.darker(75));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, window.darker(50));
    return palette;
}

// WCAG 2 relative luminance and contrast ratio, worked out here apart from the program's own.
qreal luminance(const QColor& color)
{
    const auto linear = [](qreal c) {
        return c <= 0.04045 ? c / 12.92 : qPow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

qreal contrast(const QColor& a, const QColor& b)
{
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
    QRgb best = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(best))
            best = it.key();
    return QColor::fromRgb(best);
}

struct Text
{
    QString text;
    QRect area;
    QColor ink;
    QFont font;
};

// Every text a window shows: labels, buttons, fields and the rows that draw their own, with
// the colour each widget resolves for it.
QList<Text> textsOf(QWidget* window)
{
    QList<Text> texts;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window))
            continue;
        const QPalette::ColorGroup group =
            widget->isEnabled() ? QPalette::Active : QPalette::Disabled;
        const QRect area(widget->mapTo(window, QPoint()), widget->size());
        const auto add = [&](const QString& text, QPalette::ColorRole role) {
            if (!text.isEmpty())
                texts.append({text, area, widget->palette().color(group, role), widget->font()});
        };
        if (auto* label = qobject_cast<QLabel*>(widget))
            add(label->text(), label->foregroundRole());
        else if (auto* box = qobject_cast<QCheckBox*>(widget))
            add(box->text(), QPalette::WindowText);
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            add(button->text(), QPalette::ButtonText);
        else if (auto* field = qobject_cast<QLineEdit*>(widget))
            add(field->text().isEmpty() ? field->placeholderText() : field->text(),
                field->text().isEmpty() ? QPalette::PlaceholderText : QPalette::Text);
        else if (auto* bar = qobject_cast<UsageBar*>(widget))
            for (const UsageBar::TextLine& line : bar->textLines())
                if (!line.text.isEmpty())
                    texts.append({line.text, line.box.toRect().translated(area.topLeft()),
                                  line.color, line.font});
    }
    return texts;
}

} // namespace

void TestAppearance::init()
{
    m_home = std::make_unique<TemporaryHome>();
    m_server = std::make_unique<ReportServer>();
    m_light = QApplication::palette();
}

void TestAppearance::cleanup()
{
    m_server->release();
    for (QWidget* window : QApplication::topLevelWidgets())
        delete window;
    QApplication::setPalette(m_light);
    m_server.reset();
    m_home.reset();
}

std::unique_ptr<AppState> TestAppearance::makeState(bool configured)
{
    QStringList arguments{QStringLiteral("pallowe"),
                          QStringLiteral("--service-origin=") + m_server->origin()};
    if (configured)
        arguments << QStringLiteral("--sk=k") << QStringLiteral("--org-id=o")
                  << QStringLiteral("--org-name=Studio Rossi");
    // A short interval shrinks the pace forecast's spans, so a forecast shows within the test.
    using namespace std::chrono_literals;
    return std::make_unique<AppState>(
        arguments, AppState::Services{m_home->dataFolder(), nullptr, nullptr, nullptr, 100ms});
}

// WCAG 2: 4.5:1, or 3:1 for large text (18 pt, or 14 pt bold; a point is 4/3 pixel).
QStringList TestAppearance::unreadableTexts(QWidget* window)
{
    const QImage picture = window->grab().toImage();
    QStringList failures;
    const QList<Text> texts = textsOf(window);
    for (const Text& text : texts) {
        const QColor behind = dominantColor(picture, text.area);
        const QColor ink = SystemColors::blend(text.ink, behind, text.ink.alphaF());
        const int pixels = QFontInfo(text.font).pixelSize();
        const bool large = pixels >= 24 || (pixels >= 18.66 && text.font.weight() >= QFont::Bold);
        const qreal ratio = contrast(ink, behind);
        if (ratio < (large ? 3.0 : 4.5))
            failures << QStringLiteral("\"%1\" %2 on %3: %4:1")
                            .arg(text.text, ink.name(), behind.name())
                            .arg(ratio, 0, 'f', 2);
    }
    if (texts.size() < 3)
        failures << QStringLiteral("only %1 texts found").arg(texts.size());
    return failures;
}

void TestAppearance::everyTextReadsOnItsBackground_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<bool>("dark");
    for (const char* screen : {"usage", "usage loading", "usage error", "setup", "setup error",
                               "setup loading", "settings 60", "settings 75", "settings 90"})
        for (const bool dark : {false, true})
            QTest::addRow("%s, %s", screen, dark ? "dark" : "light") << screen << dark;
}

void TestAppearance::everyTextReadsOnItsBackground()
{
    QFETCH(QString, screen);
    QFETCH(bool, dark);
    if (dark)
        QApplication::setPalette(darkPalette(m_light));
    const bool setup = screen.startsWith(QLatin1String("setup"));
    auto state = makeState(screen != QLatin1String("setup"));
    const auto refreshWith = [&](const QByteArray& body, int status) {
        m_server->setReply(body, status);
        state->refresh();
        QTRY_VERIFY(!state->isLoading());
    };
    if (screen == QLatin1String("usage")) { // rising: with the forecast line under the session
        refreshWith(QByteArray(kFullReport).replace("42", "10"), 200);
        QTest::qWait(250);
        refreshWith(kFullReport, 200);
    } else if (screen.endsWith(QLatin1String("error")))
        refreshWith("{}", setup ? 401 : 500);
    if (screen.endsWith(QLatin1String("loading"))) {
        m_server->hold();
        state->refresh();
    }

    // Never shown, so no refresh loop changes the state under the test; grabbing lays it out.
    std::unique_ptr<QWidget> window;
    if (screen.startsWith(QLatin1String("settings"))) {
        AppSettings settings;
        settings.alertThresholdPercent = screen.section(QLatin1Char(' '), 1).toInt();
        settings.showExtraCredits = true;
        window = std::make_unique<SettingsView>(state.get(), settings, nullptr, [] {});
    } else if (setup) {
        window = std::make_unique<SetupView>(state.get());
    } else {
        window = std::make_unique<UsageView>(state.get());
    }
    const QStringList failures = unreadableTexts(window.get());
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1String("; "))));
    if (screen == QLatin1String("usage"))
        QVERIFY(window->findChild<QLabel*>("forecastText")->isVisibleTo(window.get()));
}

void TestAppearance::paletteSwitchRestylesTheOpenPanelAndTheFace()
{
    m_server->setReply(kFullReport);
    PalloweApp app({QStringLiteral("pallowe"), QStringLiteral("--sk=k"),
                    QStringLiteral("--org-id=o"),
                    QStringLiteral("--service-origin=") + m_server->origin()},
                   {m_home->dataFolder()});
    app.installTrayItem();
    app.openPanel();
    QTRY_VERIFY(app.state()->usage().has_value() && !app.state()->isLoading());
    const QImage lightFace = app.trayItem()->icon().pixmap(22, 22).toImage();

    QApplication::setPalette(darkPalette(m_light)); // delivered to the widgets as events
    QTRY_VERIFY(app.trayItem()->icon().pixmap(22, 22).toImage() != lightFace);
    QVERIFY(app.panel()->isVisible());
    const QStringList failures = unreadableTexts(app.panel());
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1String("; "))));
}

void TestAppearance::fallbackBalloonWaitsForTheClosedPanel()
{
    PalloweApp app({QStringLiteral("pallowe")}, {m_home->dataFolder()});
    QVERIFY(!app.showFallbackMessage(QStringLiteral("t"), QStringLiteral("b"))); // no tray yet
    app.installTrayItem();
    app.openPanel();
    QVERIFY(!app.showFallbackMessage(QStringLiteral("t"), QStringLiteral("b")));
    app.panel()->hide();
    QVERIFY(app.showFallbackMessage(QStringLiteral("t"), QStringLiteral("b")));
}

QTEST_MAIN(TestAppearance)
#include "test_appearance.moc"
