#include "DateTexts.h"

#include "CalendarDistance.h"
#include "model/InternetDateTime.h"

#include <QLocale>
#include <algorithm>
#include <array>
#include <cstring>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

namespace {

QString dayWord(const QDate& day, const QDate& today, const QLocale& italian)
{
    if (day == today)
        return QStringLiteral("oggi");
    if (day == today.addDays(1))
        return QStringLiteral("domani");
    return italian.toString(day, QStringLiteral("dddd"));
}

QString fromUnicode(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// Italian needs no ICU, nor does a locale that names no language ("C", "POSIX"), which
// speaks Italian too.
bool speaksItalian(const QString& localeName)
{
    qsizetype end = 0;
    while (end < localeName.size() && localeName[end].isLetter())
        ++end;
    const QString language = localeName.left(end).toLower();
    return language.isEmpty() || language == QLatin1String("it") ||
           language == QLatin1String("c") || language == QLatin1String("posix");
}

// The time data of a language ICU does not know come from its own default locale, while
// its plural rules fall back to the root's: "1 seconds ago". Such a locale speaks Italian.
bool knownToIcu(const icu::Locale& requested)
{
    const char* language = requested.getLanguage();
    int32_t count = 0;
    const icu::Locale* available = icu::Locale::getAvailableLocales(count);
    for (int32_t i = 0; *language && i < count; ++i)
        if (std::strcmp(available[i].getLanguage(), language) == 0)
            return true;
    return false;
}

URelativeDateTimeUnit icuUnit(CalendarDistance::Unit unit)
{
    static constexpr std::array<URelativeDateTimeUnit, 7> units{
        UDAT_REL_UNIT_YEAR, UDAT_REL_UNIT_MONTH,  UDAT_REL_UNIT_WEEK,  UDAT_REL_UNIT_DAY,
        UDAT_REL_UNIT_HOUR, UDAT_REL_UNIT_MINUTE, UDAT_REL_UNIT_SECOND};
    return units[static_cast<size_t>(unit)];
}

} // namespace

QString DateTexts::resetDateLabel(const QString& resetText, const QDateTime& now,
                                  const QTimeZone& timeZone)
{
    const auto moment = InternetDateTime::parse(resetText, InternetDateTime::Fraction::Required);
    if (!moment)
        return resetText;
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    const QDateTime local = moment->toTimeZone(timeZone);
    const QDate today = now.toTimeZone(timeZone).date();
    return dayWord(local.date(), today, italian) + u' ' +
           italian.toString(local.time(), QStringLiteral("HH:mm"));
}

QString DateTexts::nearDayName(const QDate& day, const QDate& today)
{
    if (day == today.addDays(-1))
        return QStringLiteral("ieri");
    return dayWord(day, today, QLocale(QLocale::Italian, QLocale::Italy));
}

QString DateTexts::nearDayAndTime(const QDateTime& moment, const QDateTime& now,
                                  const QTimeZone& timeZone)
{
    const QDateTime local = moment.toTimeZone(timeZone);
    return nearDayName(local.date(), now.toTimeZone(timeZone).date()) + u' ' +
           local.time().toString(QStringLiteral("HH:mm"));
}

QString DateTexts::paceForecastLabel(const QDateTime& fullAt, const QDateTime& now,
                                     const QTimeZone& timeZone)
{
    if (fullAt <= now)
        return {};
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    const QDateTime local = fullAt.toTimeZone(timeZone);
    const QDate today = now.toTimeZone(timeZone).date();
    const QString day =
        local.date() == today ? QString() : dayWord(local.date(), today, italian) + u' ';
    return QStringLiteral("Al ritmo attuale: 100% ") + day + QStringLiteral("alle ") +
           italian.toString(local.time(), QStringLiteral("HH:mm"));
}

QString DateTexts::relativeTimeText(const QDateTime& then, const QDateTime& now,
                                    const QString& localeName)
{
    const QString name = localeName.isEmpty() ? QLocale::system().name() : localeName;
    const CalendarDistance distance = CalendarDistance::between(then, now);
    if (speaksItalian(name))
        return distance.italianText();
    const icu::Locale locale(name.toUtf8().constData());
    if (!knownToIcu(locale))
        return distance.italianText();

    UErrorCode status = U_ZERO_ERROR;
    const icu::RelativeDateTimeFormatter formatter(locale, nullptr, UDAT_STYLE_LONG,
                                                   UDISPCTX_CAPITALIZATION_NONE, status);
    if (U_FAILURE(status))
        return {};
    icu::UnicodeString text;
    formatter.format(static_cast<double>(distance.value()), icuUnit(distance.unit()), text, status);
    return U_SUCCESS(status) ? fromUnicode(text) : QString();
}

QString DateTexts::updatedText(const QDateTime& then, const QDateTime& now)
{
    return QStringLiteral("Aggiornato ") + relativeTimeText(then, now, QStringLiteral("it_IT"));
}

QString DateTexts::everyText(std::chrono::milliseconds interval)
{
    struct Unit
    {
        std::chrono::milliseconds length;
        const char* one;
        const char* many;
    };
    static constexpr std::array<Unit, 5> units{{
        {std::chrono::hours(24), "giorno", "giorni"},
        {std::chrono::hours(1), "ora", "ore"},
        {std::chrono::minutes(1), "minuto", "minuti"},
        {std::chrono::seconds(1), "secondo", "secondi"},
        {std::chrono::milliseconds(1), "millisecondo", "millisecondi"},
    }};
    const auto fits = [interval](const Unit& unit) {
        return interval.count() > 0 && interval % unit.length == std::chrono::milliseconds(0);
    };
    const Unit& unit = *std::find_if(units.begin(), units.end() - 1, fits);
    const auto count = interval / unit.length;
    if (count == 1)
        return QStringLiteral("Ogni ") + QLatin1String(unit.one);
    return QStringLiteral("Ogni %1 %2").arg(count).arg(QLatin1String(unit.many));
}
