#pragma once

#include "model/UsageResponse.h"

#include <QDateTime>

// One successful refresh as the history keeps it.
struct HistoryReading
{
    QDateTime fetchedAt; // UTC, to the millisecond
    // The windows as the service sent them; of the extra credits only whether they are on
    // and their utilization are kept.
    UsageResponse usage;
};
