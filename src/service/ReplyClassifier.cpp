#include "ReplyClassifier.h"

namespace ReplyClassifier {

Expected<QByteArray, ServiceError> classify(const ReplyOutcome& outcome)
{
    if (outcome.tooLarge)
        return ServiceError(AppError::networkError(QStringLiteral("Risposta troppo grande")));
    if (!outcome.httpStatus) {
        if (outcome.transportFailed)
            return ServiceError(
                PlatformError{PlatformError::Source::Transport, outcome.transportError});
        return ServiceError(AppError::networkError(QStringLiteral("Risposta non valida")));
    }
    const int status = *outcome.httpStatus;
    if (status == 401 || status == 403)
        return ServiceError(AppError::invalidSession());
    if (status != 200)
        return ServiceError(AppError::networkError(QStringLiteral("HTTP %1").arg(status)));
    // A 200 whose body was cut short by the transport is a transport failure, not a body.
    if (outcome.transportFailed)
        return ServiceError(
            PlatformError{PlatformError::Source::Transport, outcome.transportError});
    return outcome.body;
}

} // namespace ReplyClassifier
