#pragma once

#include <QDateTime>
#include <QString>

// How far one moment is from now in its largest calendar unit, as a calendar subtracts
// dates in the local time zone: whole years first, then months, weeks, days, hours, minutes
// and seconds, the first that is not zero. Negative for the past.
class CalendarDistance
{
public:
    enum class Unit
    {
        Year,
        Month,
        Week,
        Day,
        Hour,
        Minute,
        Second
    };

    static CalendarDistance between(const QDateTime& then, const QDateTime& now);

    Unit unit() const { return m_unit; }
    qint64 value() const { return m_value; }

    // "5 minuti fa", "tra 10 minuti", "ieri", "ora": the words the Italian time data give.
    QString italianText() const;

private:
    CalendarDistance(Unit unit, qint64 value) : m_unit(unit), m_value(value) {}

    Unit m_unit;
    qint64 m_value;
};
