#pragma once

#include "HistoryReading.h"
#include "model/Expected.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

// history.sqlite: one row per successful refresh, kept for 90 days, for the history chart,
// the export, the pace forecast after a restart and the figure shown at start. A row holds
// when the reading was fetched, the organization's id, and each window's utilization and reset
// text as the service sent them; no secret (never the session key). The file is created by the
// first write, owner-only before any byte of data is in it; readers never create it. A busy,
// damaged or unwritable file never throws and never holds the caller up for long: a write says
// why it failed, a read gives nothing.
class HistoryStore
{
public:
    using Clock = std::function<QDateTime()>;

    static constexpr int kSchemaVersion = 1;
    static constexpr int kKeptDays = 90;

    // Why a write failed, in Italian for the user; empty when it succeeded.
    struct WriteResult
    {
        QString errorText;
        bool succeeded() const { return errorText.isEmpty(); }
    };

    // The clock decides what is older than kKeptDays.
    explicit HistoryStore(const QString& folderPath, Clock clock = &QDateTime::currentDateTimeUtc);

    // All the readings in one transaction, with the deletion of readings older than
    // kKeptDays at most once a day. Creates the folder and the file when they are missing.
    WriteResult append(const QString& orgId, const QList<HistoryReading>& readings) const;
    WriteResult append(const QString& orgId, const HistoryReading& reading) const;

    // The organization's readings fetched at or after `since`, oldest first. Without a file
    // there is no reading; a file that cannot be read gives the Italian reason.
    Expected<QList<HistoryReading>, QString> readings(const QString& orgId,
                                                      const QDateTime& since) const;

    bool exists() const;
    // Removes the file and SQLite's files beside it; whether none is left.
    bool deleteAll() const;

    QString filePath() const { return m_filePath; }

private:
    QString m_folderPath;
    QString m_filePath;
    Clock m_clock;
};
