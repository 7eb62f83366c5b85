#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

class JsonReader;

// One rate-limit window of the usage report.
struct UsageWindow
{
    // The keys the service sends the fields under; pallowe-status writes them back as such.
    struct Key
    {
        static constexpr QLatin1String utilization{"utilization"};
        static constexpr QLatin1String resetsAt{"resets_at"};
    };

    double utilization = 0; // percent, as the service sends it
    QString resetsAt;       // ISO 8601 text, parsed only when needed

    static UsageWindow fromJson(const JsonReader& json);
    // A utilization as every bar and line shows it: rounded to a whole percent, "43%".
    static QString percentText(double utilization);
    // A utilization as the tray and the alerts count it: truncated toward zero; 0 when it is
    // not a number or does not fit in 64 bits.
    static qint64 wholePercent(double utilization);

    // The reset moment, written with or without fractional seconds; nothing when unreadable.
    std::optional<QDateTime> resetMoment() const;

    // "42 min", "3h 5min", "ora", or an en dash when resetsAt cannot be read.
    QString timeUntilReset(const QDateTime& now = QDateTime::currentDateTimeUtc()) const;
};
