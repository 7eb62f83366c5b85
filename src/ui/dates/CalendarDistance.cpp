#include "CalendarDistance.h"

#include <array>

namespace {

using Unit = CalendarDistance::Unit;

constexpr qint64 kSecond = 1000;
constexpr qint64 kHour = 3600 * kSecond;
constexpr qint64 kDay = 24 * kHour;

QDateTime added(const QDateTime& start, Unit unit, qint64 count)
{
    switch (unit) {
    case Unit::Year:
        return start.addYears(static_cast<int>(count));
    case Unit::Month:
        return start.addMonths(static_cast<int>(count));
    case Unit::Week:
        return start.addDays(7 * count);
    case Unit::Day:
        return start.addDays(count);
    case Unit::Hour:
        return start.addMSecs(count * kHour);
    case Unit::Minute:
        return start.addMSecs(count * 60 * kSecond);
    case Unit::Second:
        break;
    }
    return start.addMSecs(count * kSecond);
}

// The longest a unit can last, so that dividing by it never overshoots.
qint64 longest(Unit unit)
{
    constexpr std::array<qint64, 7> lengths{366 * kDay + kHour,
                                            31 * kDay + kHour,
                                            7 * kDay + kHour,
                                            kDay + kHour,
                                            kHour,
                                            60 * kSecond,
                                            kSecond};
    return lengths[static_cast<size_t>(unit)];
}

// The whole units from now towards then, truncated towards zero.
qint64 wholeUnits(const QDateTime& now, const QDateTime& then, Unit unit)
{
    const qint64 span = now.msecsTo(then);
    const qint64 step = span < 0 ? -1 : 1;
    qint64 count = span / longest(unit);
    const auto reaches = [&](qint64 n) {
        const QDateTime at = added(now, unit, n);
        return step > 0 ? at <= then : at >= then;
    };
    while (reaches(count + step))
        count += step;
    return count;
}

QString number(qint64 value)
{
    // Italian groups thousands with a dot.
    QString digits = QString::number(value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u'.');
    return digits;
}

struct Words
{
    const char16_t* last;
    const char16_t* current;
    const char16_t* next;
    const char16_t* one;
    const char16_t* many;
};

Words wordsOf(Unit unit)
{
    switch (unit) {
    case Unit::Year:
        return {u"anno scorso", u"quest’anno", u"anno prossimo", u"anno", u"anni"};
    case Unit::Month:
        return {u"mese scorso", u"questo mese", u"mese prossimo", u"mese", u"mesi"};
    case Unit::Week:
        return {u"settimana scorsa", u"questa settimana", u"settimana prossima", u"settimana",
                u"settimane"};
    case Unit::Day:
        return {u"ieri", u"oggi", u"domani", u"giorno", u"giorni"};
    case Unit::Hour:
        return {nullptr, u"quest’ora", nullptr, u"ora", u"ore"};
    case Unit::Minute:
        return {nullptr, u"questo minuto", nullptr, u"minuto", u"minuti"};
    case Unit::Second:
        break;
    }
    return {nullptr, u"ora", nullptr, u"secondo", u"secondi"};
}

} // namespace

CalendarDistance CalendarDistance::between(const QDateTime& then, const QDateTime& now)
{
    const QDateTime localNow = now.toLocalTime();
    for (const Unit unit :
         {Unit::Year, Unit::Month, Unit::Week, Unit::Day, Unit::Hour, Unit::Minute, Unit::Second})
        if (const qint64 value = wholeUnits(localNow, then, unit); value != 0)
            return {unit, value};
    return {Unit::Second, 0};
}

QString CalendarDistance::italianText() const
{
    const Words words = wordsOf(m_unit);
    if (m_value == 0)
        return QString::fromUtf16(words.current);
    if (m_value == -1 && words.last)
        return QString::fromUtf16(words.last);
    if (m_value == 1 && words.next)
        return QString::fromUtf16(words.next);
    if (m_unit == Unit::Day && (m_value == -2 || m_value == 2))
        return m_value < 0 ? QStringLiteral("l’altro ieri") : QStringLiteral("dopodomani");
    const qint64 count = m_value < 0 ? -m_value : m_value;
    const QString amount =
        number(count) + u' ' + QString::fromUtf16(count == 1 ? words.one : words.many);
    return m_value < 0 ? amount + QStringLiteral(" fa") : QStringLiteral("tra ") + amount;
}
