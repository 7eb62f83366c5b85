#include "UsageHistory.h"

UsageHistory::UsageHistory(HistoryStore store, QObject* parent)
    : QObject(parent), m_store(std::move(store))
{}

void UsageHistory::record(const QString& orgId, const HistoryReading& reading)
{
    const auto written = m_store.append(orgId, reading);
    setFailure(written.succeeded() ? std::nullopt : std::optional(written.errorText));
    if (written.succeeded())
        emit changed();
}

Expected<QList<HistoryReading>, QString> UsageHistory::recentReadings(const QString& orgId,
                                                                      const QDateTime& now) const
{
    return m_store.readings(orgId, now.addDays(-kRecentDays));
}

std::optional<HistoryReading> UsageHistory::stillCurrent(const QList<HistoryReading>& readings,
                                                         const QDateTime& now)
{
    if (readings.isEmpty())
        return std::nullopt;
    const HistoryReading& last = readings.last();
    const auto& session = last.usage.fiveHour;
    if (!session || !(session->resetMoment() > now) || last.fetchedAt > now)
        return std::nullopt;
    return last;
}

bool UsageHistory::deleteAll()
{
    const bool deleted = m_store.deleteAll();
    if (deleted) {
        forgetFailure();
        emit changed();
    }
    return deleted;
}

void UsageHistory::setFailure(const std::optional<QString>& failure)
{
    if (m_failure == failure)
        return;
    m_failure = failure;
    emit failureChanged();
}
