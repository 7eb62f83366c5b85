#pragma once

#include "storage/HistoryReading.h"

#include <QJsonObject>
#include <QString>

// The stored readings for the export, one line each: CSV rows with one column per window,
// or JSON objects with the keys of --format=json. Times are ISO 8601 in UTC.
namespace HistoryFormatter {

QString csvHeader();
// The utilizations as received; a window the service did not send is an empty field.
QString csvRow(const HistoryReading& reading);
// "fetched_at", "percent", each window's "utilization" and "resets_at" as received, and
// "extra_usage"; a window the service did not send is left out.
QJsonObject json(const HistoryReading& reading);

} // namespace HistoryFormatter
