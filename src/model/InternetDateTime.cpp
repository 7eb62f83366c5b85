#include "InternetDateTime.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace InternetDateTime {

std::optional<QDateTime> parse(const QString& text, Fraction fraction)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(?:\.(\d+))?(?:(Z)|([+-])(\d{2}):(\d{2}))$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QString fractionDigits = m.captured(7);
    if (fractionDigits.isEmpty() != (fraction == Fraction::Refused))
        return std::nullopt;

    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const int millis =
        fractionDigits.isEmpty() ? 0 : (fractionDigits + QStringLiteral("00")).left(3).toInt();
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), millis);
    int offsetSeconds = 0;
    if (m.captured(8).isEmpty()) {
        const int hours = m.captured(10).toInt();
        const int minutes = m.captured(11).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offsetSeconds = (hours * 3600 + minutes * 60) * (m.captured(9) == u'-' ? -1 : 1);
    }
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::OffsetFromUTC, offsetSeconds);
}

} // namespace InternetDateTime
