#include "InternetDateTime.h"

#include <QTimeZone>
#include <utility>

namespace InternetDateTime {

namespace {

// Read by hand: a regular expression would load PCRE2 into every program that reads a report.
bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The number the ASCII digits at [from, from + count) spell, or -1.
int number(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (!isDigit(text[i]))
            return -1;
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return value;
}

// "yyyy-MM-ddTHH:mm:ss": the separators in place; the fields are read apart.
bool separatorsInPlace(QStringView text)
{
    constexpr std::pair<int, char16_t> kSeparators[] = {
        {4, u'-'}, {7, u'-'}, {10, u'T'}, {13, u':'}, {16, u':'}};
    for (const auto& [at, separator] : kSeparators)
        if (text[at] != separator)
            return false;
    return true;
}

// The offset from UTC of "Z" or "+hh:mm" / "-hh:mm", which must end the text.
std::optional<int> offsetSeconds(QStringView zone)
{
    if (zone == u"Z")
        return 0;
    if (zone.size() != 6 || (zone[0] != u'+' && zone[0] != u'-') || zone[3] != u':')
        return std::nullopt;
    const int hours = number(zone, 1, 2);
    const int minutes = number(zone, 4, 2);
    if (hours < 0 || minutes < 0 || hours > 23 || minutes > 59)
        return std::nullopt;
    return (hours * 3600 + minutes * 60) * (zone[0] == u'-' ? -1 : 1);
}

} // namespace

std::optional<QDateTime> parse(const QString& text, Fraction fraction)
{
    constexpr qsizetype kSecondsEnd = 19;
    if (text.size() <= kSecondsEnd || !separatorsInPlace(text))
        return std::nullopt;
    const int fields[] = {number(text, 0, 4),  number(text, 5, 2),  number(text, 8, 2),
                          number(text, 11, 2), number(text, 14, 2), number(text, 17, 2)};
    for (const int field : fields)
        if (field < 0)
            return std::nullopt;

    qsizetype zoneStart = kSecondsEnd;
    int millis = 0;
    if (text[kSecondsEnd] == u'.') {
        zoneStart = kSecondsEnd + 1;
        while (zoneStart < text.size() && isDigit(text[zoneStart]))
            ++zoneStart;
        const qsizetype digits = zoneStart - kSecondsEnd - 1;
        if (digits == 0)
            return std::nullopt;
        // Milliseconds: the first three digits, as many as there are padded with zeros.
        for (qsizetype i = 0; i < 3; ++i)
            millis = millis * 10 + (i < digits ? number(text, kSecondsEnd + 1 + i, 1) : 0);
    }
    const bool hasFraction = zoneStart != kSecondsEnd;
    if (hasFraction != (fraction == Fraction::Required))
        return std::nullopt;
    const auto offset = offsetSeconds(QStringView(text).mid(zoneStart));
    if (!offset)
        return std::nullopt;

    const QDate date(fields[0], fields[1], fields[2]);
    const QTime time(fields[3], fields[4], fields[5], millis);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::OffsetFromUTC, *offset);
}

} // namespace InternetDateTime
