#pragma once

#include "model/Expected.h"
#include "model/ServiceError.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QString>
#include <optional>

// What came back for one request, as far as classification needs it.
struct ReplyOutcome
{
    std::optional<int> httpStatus; // absent when no HTTP response arrived
    bool transportFailed = false;
    QNetworkReply::NetworkError transportError = QNetworkReply::NoError;
    QString transportErrorString; // Qt's own description
    bool tooLarge = false;
    QByteArray body;
};

// The one place that turns a reply into a body to decode or a failure.
namespace ReplyClassifier {

Expected<QByteArray, ServiceError> classify(const ReplyOutcome& outcome);

// What the user reads for a failed transfer: Italian for the common failures, Qt's own
// description for the rest.
QString transportErrorText(QNetworkReply::NetworkError error, const QString& qtDescription);

} // namespace ReplyClassifier
