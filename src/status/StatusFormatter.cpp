#include "StatusFormatter.h"

#include "model/UsageBand.h"
#include "state/PrintableText.h"

#include <QJsonDocument>

namespace {

const QString kSeparator = QStringLiteral(" · ");

QString percentText(qint64 percent)
{
    return QStringLiteral("%1%").arg(percent);
}

QString bandClass(qint64 percent)
{
    switch (usageBandOf(percent)) {
    case UsageBand::Critical:
        return QStringLiteral("critical");
    case UsageBand::Warning:
        return QStringLiteral("warning");
    case UsageBand::Normal:
        break;
    }
    return QStringLiteral("normal");
}

QJsonObject failureJson(const StatusReading& reading)
{
    return {{QStringLiteral("error"), reading.errorText},
            {QStringLiteral("exit_code"), reading.exitCode()}};
}

QJsonObject waybarFailure(const StatusReading& reading)
{
    return {{QStringLiteral("text"), QStringLiteral("!")},
            {QStringLiteral("tooltip"), reading.errorText},
            {QStringLiteral("class"), QStringLiteral("error")}};
}

} // namespace

QJsonObject StatusFormatter::extraUsageJson(const ExtraUsage& extra)
{
    using Key = ExtraUsage::Key;
    QJsonObject object{{Key::isEnabled, extra.isEnabled}};
    const auto insert = [&object](const QString& key, const auto& value) {
        if (value)
            object.insert(key, *value);
    };
    insert(Key::monthlyLimit, extra.monthlyLimit);
    insert(Key::usedCredits, extra.usedCredits);
    insert(Key::utilization, extra.utilization);
    insert(Key::currency, extra.currency);
    return object;
}

QString StatusFormatter::line(StatusOptions::Format format, const StatusReading& reading) const
{
    const bool failed = reading.outcome != StatusReading::Outcome::Success;
    switch (format) {
    case StatusOptions::Format::Json:
        return QString::fromUtf8(QJsonDocument(json(reading)).toJson(QJsonDocument::Compact));
    case StatusOptions::Format::Waybar:
        return QString::fromUtf8(QJsonDocument(waybar(reading)).toJson(QJsonDocument::Compact));
    case StatusOptions::Format::Text:
    case StatusOptions::Format::Csv: // the stored readings only, never a live one
        break;
    }
    return failed ? PrintableText::escaped(reading.errorText) : text(reading.usage);
}

QList<StatusFormatter::Entry> StatusFormatter::entries(const UsageResponse& usage) const
{
    QList<Entry> list;
    const auto add = [this, &list](const QString& label, const std::optional<UsageWindow>& window,
                                   bool resetOnLine = false) {
        if (window)
            list.append({label, window->utilization, window->timeUntilReset(m_now), resetOnLine});
    };
    // The panel's bar titles, shortened for one line; the weekly resets are days away and
    // are left to the tooltip.
    add(QStringLiteral("sessione"), usage.fiveHour, true);
    add(QStringLiteral("settimana"), usage.sevenDay);
    add(QStringLiteral("Velmar"), usage.sevenDayVelmar);
    add(QStringLiteral("Drevan"), usage.sevenDayDrevan);
    const auto& extra = usage.extraUsage;
    if (extra && extra->isEnabled && extra->utilization)
        list.append({QStringLiteral("crediti"), *extra->utilization, std::nullopt});
    return list;
}

QString StatusFormatter::entryText(const Entry& entry, bool withReset)
{
    QString text = entry.label + u' ' + UsageWindow::percentText(entry.utilization);
    if (withReset && entry.resetIn)
        text += QStringLiteral(" (%1)").arg(*entry.resetIn);
    return text;
}

QString StatusFormatter::text(const UsageResponse& usage) const
{
    QStringList parts{percentText(usage.headlinePercent())};
    for (const Entry& entry : entries(usage))
        parts.append(entryText(entry, entry.resetOnLine));
    return parts.join(kSeparator);
}

QJsonObject StatusFormatter::windowJson(const UsageWindow& window) const
{
    return {{UsageWindow::Key::utilization, window.utilization},
            {UsageWindow::Key::resetsAt, window.resetsAt},
            {QStringLiteral("resets_in"), window.timeUntilReset(m_now)}};
}

QJsonObject StatusFormatter::json(const StatusReading& reading) const
{
    if (reading.outcome != StatusReading::Outcome::Success)
        return failureJson(reading);
    const UsageResponse& usage = reading.usage;
    QJsonObject object{{QStringLiteral("percent"), usage.headlinePercent()},
                       {QStringLiteral("fetched_at"), reading.fetchedAt.toString(Qt::ISODate)}};
    insertUsage(object, usage, [this](const UsageWindow& window) { return windowJson(window); });
    if (reading.orgName)
        object.insert(QStringLiteral("org_name"), *reading.orgName);
    return object;
}

QJsonObject StatusFormatter::waybar(const StatusReading& reading) const
{
    if (reading.outcome != StatusReading::Outcome::Success)
        return waybarFailure(reading);
    const qint64 percent = reading.usage.headlinePercent();
    QStringList tooltip;
    for (const Entry& entry : entries(reading.usage))
        tooltip.append(entryText(entry, true));
    return {{QStringLiteral("text"), percentText(percent)},
            {QStringLiteral("tooltip"), tooltip.join(u'\n')},
            {QStringLiteral("class"), bandClass(percent)},
            {QStringLiteral("percentage"), percent}};
}
