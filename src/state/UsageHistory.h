#pragma once

#include "model/Expected.h"
#include "storage/HistoryStore.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <optional>

// history.sqlite as the running program keeps it while the user wants a history: a reading
// written after each successful refresh, and read back after a restart. Only what the state
// asks for touches the file, and the state asks nothing while the history is off, so then
// nothing is opened. A write that fails skips its reading; failure() says why until a write
// succeeds again, and changes only when the reason does.
class UsageHistory : public QObject
{
    Q_OBJECT
    Q_PROPERTY(std::optional<QString> failure READ failure NOTIFY failureChanged)

public:
    // The longest window the service reports on: an older reading shares no window with the
    // current ones.
    static constexpr int kRecentDays = 7;

    explicit UsageHistory(HistoryStore store, QObject* parent = nullptr);

    void record(const QString& orgId, const HistoryReading& reading);
    // The organization's readings of the last kRecentDays days, oldest first.
    Expected<QList<HistoryReading>, QString> recentReadings(const QString& orgId,
                                                            const QDateTime& now) const;
    // The last of the readings, when its five-hour window has not reset by now.
    static std::optional<HistoryReading> stillCurrent(const QList<HistoryReading>& readings,
                                                      const QDateTime& now);

    bool exists() const { return m_store.exists(); }
    // Removes the file; whether none is left.
    bool deleteAll();

    std::optional<QString> failure() const { return m_failure; }
    void forgetFailure() { setFailure(std::nullopt); }

signals:
    // A reading was kept, or all were deleted.
    void changed();
    void failureChanged();

private:
    void setFailure(const std::optional<QString>& failure);

    HistoryStore m_store;
    std::optional<QString> m_failure;
};
