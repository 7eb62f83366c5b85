#pragma once

#include "model/Expected.h"
#include "model/ServiceError.h"

#include <QByteArray>
#include <QString>
#include <optional>

// What came back for one request, as far as classification needs it.
struct ReplyOutcome
{
    std::optional<int> httpStatus; // absent when no HTTP response arrived
    bool transportFailed = false;
    QString transportError;
    bool tooLarge = false;
    QByteArray body;
};

// The one place that turns a reply into a body to decode or a failure.
namespace ReplyClassifier {

Expected<QByteArray, ServiceError> classify(const ReplyOutcome& outcome);

} // namespace ReplyClassifier
