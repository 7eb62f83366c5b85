#pragma once

#include "model/UsageResponse.h"

#include <QDateTime>
#include <QString>
#include <optional>

// One attempt to read the usage: the report and what goes with it, or why there is none.
// The outcome's value is the program's exit code.
struct StatusReading
{
    enum class Outcome
    {
        Success = 0,
        ServiceError = 1,
        NoSession = 2,
        SessionRefused = 3
    };

    Outcome outcome = Outcome::Success;
    UsageResponse usage;
    std::optional<QString> orgName;
    QDateTime fetchedAt;
    QString errorText; // every outcome but Success

    int exitCode() const { return static_cast<int>(outcome); }
};
