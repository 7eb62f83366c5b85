#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// ISO 8601 internet date-time ("2026-12-06T09:30:00.123+01:00"). The time-zone designator is
// mandatory; fractional seconds are either required or refused, as the caller says.
namespace InternetDateTime {

enum class Fraction
{
    Required,
    Refused
};

std::optional<QDateTime> parse(const QString& text, Fraction fraction);

} // namespace InternetDateTime
