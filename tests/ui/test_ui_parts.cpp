#include "ui/dates/DateTexts.h"
#include "ui/history/HistoryChart.h"
#include "ui/history/HistoryCharts.h"
#include "ui/panel/UsageBar.h"
#include "ui/settings/LimitText.h"
#include "ui/style/SymbolIcon.h"
#include "ui/style/SystemColors.h"
#include "ui/tray/MenuBarLabel.h"
#include "ui/tray/PopupPlacement.h"

#include <QMouseEvent>
#include <QTest>
#include <cmath>

Q_DECLARE_METATYPE(MenuBarLabel::Band)
Q_DECLARE_METATYPE(HistoryReading)

namespace {

// Pixels at least that opaque whose every channel is within the tolerance of the colour.
int pixelsNear(const QImage& image, const QColor& color, int tolerance, int minimumAlpha = 255)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += pixel.alpha() >= minimumAlpha &&
                     qAbs(pixel.red() - color.red()) <= tolerance &&
                     qAbs(pixel.green() - color.green()) <= tolerance &&
                     qAbs(pixel.blue() - color.blue()) <= tolerance;
        }
    return count;
}

// The highest and lowest point in each pixel column.
std::map<int, std::pair<qreal, qreal>> columnSpans(const QList<QPointF>& points)
{
    std::map<int, std::pair<qreal, qreal>> spans;
    for (const QPointF& point : points) {
        auto& [top, bottom] =
            spans.try_emplace(qFloor(point.x()), point.y(), point.y()).first->second;
        top = std::min(top, point.y());
        bottom = std::max(bottom, point.y());
    }
    return spans;
}

// A Wednesday noon, in UTC.
const QDateTime kNow = QDateTime(QDate(2030, 1, 9), QTime(12, 0), Qt::UTC);

// Read `minutes` before now; the session resets `reset` minutes from now (nothing: an
// unreadable reset), the weekly window in three days.
HistoryReading reading(int minutes, double session, std::optional<int> reset,
                       std::optional<double> week = std::nullopt)
{
    const auto text = [](const QDateTime& moment) { return moment.toString(Qt::ISODateWithMs); };
    HistoryReading reading{kNow.addSecs(-60 * minutes), {}};
    reading.usage.fiveHour =
        UsageWindow{session, reset ? text(kNow.addSecs(60 * *reset)) : QStringLiteral("presto")};
    if (week)
        reading.usage.sevenDay = UsageWindow{*week, text(kNow.addDays(3))};
    return reading;
}

} // namespace

// The pieces of the panels and the tray face that are pure functions or stand-alone widgets.
class TestUiParts : public QObject
{
    Q_OBJECT

private slots:
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

    void dateTexts_data()
    {
        // reset, forecast, updated (the tooltip's), every (an interval in milliseconds), or the
        // locale of a relative time, the user's for "user"
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("input"); // a moment, or seconds from now
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* kind, const char* in, const char* out) {
            QTest::newRow(name) << kind << in << QString::fromUtf8(out);
        };
        // Now is a Wednesday morning in Rome (UTC+1 until the end of March).
        row("later today", "reset", "2026-03-04T13:30:00.000Z", "oggi 14:30");
        row("tomorrow by local date", "reset", "2026-03-04T23:30:00.000Z", "domani 00:30");
        row("offset form", "reset", "2026-03-05T09:00:00.5+01:00", "domani 09:00");
        row("weekday", "reset", "2026-03-09T08:00:00.000Z", "lunedì 09:00");
        row("a week ahead", "reset", "2026-03-11T08:00:00.000Z", "mercoledì 09:00");
        row("no fraction stays raw", "reset", "2026-03-05T08:00:00Z", "2026-03-05T08:00:00Z");
        row("unparsable stays raw", "reset", "presto", "presto");
        row("full today", "forecast", "2026-03-04T15:40:00Z", "Al ritmo attuale: 100% alle 16:40");
        row("full tomorrow", "forecast", "2026-03-05T08:10:00Z",
            "Al ritmo attuale: 100% domani alle 09:10");
        row("full on saturday", "forecast", "2026-03-07T08:10:00Z",
            "Al ritmo attuale: 100% sabato alle 09:10");
        row("full already passed", "forecast", "2026-03-04T09:59:00Z", "");
        row("minutes", "it", "-320", "5 minuti fa");
        row("yesterday", "it", "-86400", "ieri");
        row("future", "it", "600", "tra 10 minuti");
        row("another language", "en_US", "-300", "5 minutes ago");
        row("another language, singular", "en_US", "-1", "1 second ago");
        // No language named, or one without time data: Italian, never "1 seconds ago".
        row("C", "C", "-1", "1 secondo fa");
        row("POSIX", "POSIX", "-15", "15 secondi fa");
        row("unknown language", "xx_YY", "-3600", "1 ora fa");
        // The test runs under several locales (see CMakeLists.txt).
        const QLocale::Language user = QLocale::system().language();
        if (user == QLocale::English)
            row("the user's language", "user", "-1", "1 second ago");
        else if (user == QLocale::C || user == QLocale::Italian)
            row("the user's language, or Italian", "user", "-1", "1 secondo fa");
        row("near: yesterday", "near", "2026-03-03T08:00:00Z", "ieri 09:00");
        row("near: in two days", "near", "2026-03-06T08:00:00Z", "venerdì 09:00");
        row("updated now", "updated", "0", "Aggiornato ora");
        row("updated a second ago", "updated", "-1", "Aggiornato 1 secondo fa");
        row("updated minutes ago", "updated", "-300", "Aggiornato 5 minuti fa");
        row("every 5 s", "every", "5000", "Ogni 5 secondi");
        row("every 300 s", "every", "300000", "Ogni 5 minuti");
        row("every 60 s", "every", "60000", "Ogni minuto");
        row("every second", "every", "1000", "Ogni secondo");
        row("every 90 s", "every", "90000", "Ogni 90 secondi");
        row("every hour", "every", "3600000", "Ogni ora");
        row("every 100 ms", "every", "100", "Ogni 100 millisecondi");
    }

    void dateTexts()
    {
        QFETCH(QString, kind);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        const auto now = QDateTime::fromString(QStringLiteral("2026-03-04T10:00:00Z"), Qt::ISODate);
        const QTimeZone rome(QByteArrayLiteral("Europe/Rome"));
        if (kind == QLatin1String("reset"))
            QCOMPARE(DateTexts::resetDateLabel(input, now, rome), expected);
        else if (kind == QLatin1String("forecast"))
            QCOMPARE(
                DateTexts::paceForecastLabel(QDateTime::fromString(input, Qt::ISODate), now, rome),
                expected);
        else if (kind == QLatin1String("near"))
            QCOMPARE(
                DateTexts::nearDayAndTime(QDateTime::fromString(input, Qt::ISODate), now, rome),
                expected);
        else if (kind == QLatin1String("updated"))
            QCOMPARE(DateTexts::updatedText(now.addSecs(input.toLongLong()), now), expected);
        else if (kind == QLatin1String("every"))
            QCOMPARE(DateTexts::everyText(std::chrono::milliseconds(input.toLongLong())), expected);
        else
            QCOMPARE(DateTexts::relativeTimeText(now.addSecs(input.toLongLong()), now,
                                                 kind == QLatin1String("user") ? QString() : kind),
                     expected);
    }

    // A view of the history: the readings it takes, the drop to 0 at each reset, the dots in
    // their bands, the reset marked, a few points per pixel column that keep the extremes, the
    // axis grown past 100, and the hovered reading's moment and figures.
    void historyChart_data()
    {
        QTest::addColumn<QList<HistoryReading>>("readings");
        QTest::addColumn<bool>("week");
        QTest::addColumn<QString>("path"); // of the first line: minutes from now:percent
        QTest::addColumn<int>("hovered");  // minutes before now
        QTest::addColumn<QString>("hover");
        QTest::addColumn<QString>("caption");
        QTest::newRow("current session, the one before left out")
            << QList{reading(30, 42.4, 120), reading(300, 80, -250), reading(60, 10, 120),
                     reading(10, 70, 120)}
            << false << "-60:10 -30:42.4 -10:70" << 30 << "oggi 11:30\n42%"
            << "Ultima lettura oggi 11:50 · si ripristina oggi 14:00";
        QTest::newRow("week: the session drops at each reset, waits for the next")
            << QList{reading(1500, 60, -1400, 10), reading(1380, 5, -1085, 12),
                     reading(60, 20, 120, 15)}
            << true << "-1500:60 -1400:60 -1400:0 -1385:0 -1380:5 -1085:5 -1085:0 -180:0 -60:20"
            << 1380 << "ieri 13:00\nSessione 5%\nSettimana 12%"
            << "Limite settimanale · ultima lettura oggi 11:00";
        QTest::newRow("past 100, reset unreadable")
            << QList{reading(20, 120, std::nullopt)} << false << "-20:120" << 20
            << "oggi 11:40\n120%"
            << "Ultima lettura oggi 11:40";
        QTest::newRow("empty") << QList<HistoryReading>() << true << "" << 0 << ""
                               << "";
        QList<HistoryReading> many; // a week every 5 minutes, each session climbing for 5 hours
        for (int k = 0; k < 2016; ++k)
            many << reading((2015 - k) * 5, k % 60, ((k / 60 + 1) * 60 - 2015) * 5, k / 40.0);
        QTest::newRow("a week every 5 minutes")
            << many << true << "" << 0 << "oggi 12:00\nSessione 35%\nSettimana 50%"
            << "Limite settimanale · ultima lettura oggi 12:00";
    }

    void historyChart()
    {
        QFETCH(QList<HistoryReading>, readings);
        QFETCH(bool, week);
        QFETCH(QString, path);
        QFETCH(int, hovered);
        QFETCH(QString, hover);
        QFETCH(QString, caption);
        const auto charts = HistoryCharts::fromReadings(readings, kNow, 80, QTimeZone::utc());
        const HistoryChartInput& input = week ? charts.week : charts.session;
        QCOMPARE(input.caption, caption);
        QStringList points;
        for (const auto& point : input.lines.value(0).path)
            points << QStringLiteral("%1:%2")
                          .arg((point.at - kNow.toMSecsSinceEpoch()) / 60000)
                          .arg(point.percent);
        if (readings.size() < 10)
            QCOMPARE(points.join(u' '), path);

        HistoryChart chart;
        chart.resize(readings.size() < 10 ? 520 : 240, 280);
        chart.setInput(input);
        const QImage image = chart.grab().toImage();
        const QRectF plot = chart.plotRect();
        double highest = 0;
        for (qsizetype i = 0; i < input.lines.size(); ++i) {
            const QPolygonF& drawn = chart.drawnLines().at(i);
            QList<QPointF> wanted;
            for (const auto& point : input.lines[i].path) {
                wanted << chart.position(point);
                highest = std::max(highest, point.percent);
            }
            QVERIFY(drawn.size() <= 4 * plot.width() + 8);
            QVERIFY(columnSpans(drawn) == columnSpans(wanted));
            for (const auto& point : input.lines[i].readings) {
                const QPointF at = chart.position(point);
                if (input.dots)
                    QCOMPARE(image.pixelColor(qFloor(at.x()), qFloor(at.y())),
                             UsageBar::bandColor(point.percent, chart.palette()));
            }
        }
        QCOMPARE(chart.axisTop(), highest > 100 ? 125.0 : 100.0);
        for (const auto& reset : input.resets) { // a dashed line down the plot
            const int x = qRound(chart.position({reset.from, 0}).x()) - 1;
            int dashes = 0;
            for (int y = qCeil(plot.top()); y < plot.bottom(); ++y)
                dashes += image.pixel(x, y) == SystemColors::secondary(chart.palette()).rgb();
            QVERIFY2(dashes > plot.height() / 4, qPrintable(QString::number(dashes)));
        }
        if (input.isEmpty())
            QCOMPARE(chart.textLines().first().text, QString::fromUtf8(HistoryChart::kEmptyText));

        const QPointF at = chart.position({kNow.addSecs(-60 * hovered).toMSecsSinceEpoch(), 50});
        QMouseEvent move(QEvent::MouseMove, at, chart.mapToGlobal(at), Qt::NoButton, {}, {});
        QCoreApplication::sendEvent(&chart, &move);
        QCOMPARE(chart.hoverText(), hover);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&chart, &leave);
        QCOMPARE(chart.hoverText(), QString());
    }

    void symbolsAreNeverBlank()
    {
        const QColor tint(0xAF, 0x52, 0xDE);
        for (int n = 0; n <= int(SymbolIcon::Name::Bell); ++n) {
            QVERIFY(!SymbolIcon::icon(SymbolIcon::Name(n)).pixmap(16, 16).isNull());
            for (const int side : {12, 16, 24, 48}) {
                const QImage image =
                    SymbolIcon::icon(SymbolIcon::Name(n), tint).pixmap(side, side).toImage();
                const int ink = pixelsNear(image, tint, 255, 128);
                const QString what = QStringLiteral("symbol %1 at %2").arg(n).arg(side);
                QVERIFY2(image.size() == QSize(side, side) && ink >= side / 2, qPrintable(what));
                QVERIFY2(pixelsNear(image, tint, 40, 128) == ink, qPrintable(what)); // all tinted
            }
        }
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

QTEST_MAIN(TestUiParts)
#include "test_ui_parts.moc"
