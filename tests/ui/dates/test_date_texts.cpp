#include "ui/dates/DateTexts.h"

#include <QTest>

// The Italian texts about points in time, whatever the user's locale.
class TestDateTexts : public QObject
{
    Q_OBJECT

private slots:
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
};

QTEST_GUILESS_MAIN(TestDateTexts)
#include "test_date_texts.moc"
