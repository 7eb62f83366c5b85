#pragma once

#include "StatusOptions.h"
#include "StatusReading.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

// Turns a reading into one line of output: Italian text, a JSON object, or the object a
// waybar custom module reads. The clock is passed in because the reset texts depend on it.
class StatusFormatter
{
public:
    explicit StatusFormatter(QDateTime now) : m_now(std::move(now)) {}

    // One line, without its line break.
    QString line(StatusOptions::Format format, const StatusReading& reading) const;

    // "42% · sessione 40% (2h 59min) · settimana 35%"
    QString text(const UsageResponse& usage) const;
    QJsonObject json(const StatusReading& reading) const;
    QJsonObject waybar(const StatusReading& reading) const;
    // "is_enabled", and the amounts and utilization that were received.
    static QJsonObject extraUsageJson(const ExtraUsage& extra);
    // Each window present under its service key, each as windowJson makes it, and the extra
    // credits.
    template <typename WindowJson>
    static void insertUsage(QJsonObject& object, const UsageResponse& usage, WindowJson windowJson)
    {
        const auto window = [&](const QString& key, const std::optional<UsageWindow>& value) {
            if (value)
                object.insert(key, windowJson(*value));
        };
        using Key = UsageResponse::Key;
        window(Key::fiveHour, usage.fiveHour);
        window(Key::sevenDay, usage.sevenDay);
        window(Key::sevenDayVelmar, usage.sevenDayVelmar);
        window(Key::sevenDayDrevan, usage.sevenDayDrevan);
        if (usage.extraUsage)
            object.insert(Key::extraUsage, extraUsageJson(*usage.extraUsage));
    }

private:
    struct Entry
    {
        QString label;
        double utilization;
        std::optional<QString> resetIn; // absent for the extra credits
        bool resetOnLine = false;       // the text line has room for the session's only
    };

    QList<Entry> entries(const UsageResponse& usage) const;
    QJsonObject windowJson(const UsageWindow& window) const;
    static QString entryText(const Entry& entry, bool withReset);

    QDateTime m_now;
};
