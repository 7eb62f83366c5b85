#pragma once

#include "StatusOptions.h"
#include "storage/HistoryReading.h"

#include <QDateTime>
#include <QList>
#include <QString>

// pallowe-status --history: prints the readings Pallowe stored for the organization of the
// stored session, asks the service nothing, creates no file and writes no reading. Failures
// go to standard error only, so that standard output holds nothing but the export.
class HistoryExport
{
public:
    HistoryExport(const StatusOptions& options, const QString& dataFolder, QDateTime now);

    int run() const; // the exit code

private:
    static int fail(int exitCode, const QString& text);
    // Whether standard output took all of it.
    bool print(const QList<HistoryReading>& readings) const;

    StatusOptions m_options;
    QString m_dataFolder;
    QDateTime m_now;
};
