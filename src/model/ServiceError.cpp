#include "ServiceError.h"

QString userFacingText(const ServiceError& error)
{
    if (const auto* appError = std::get_if<AppError>(&error))
        return appError->errorDescription();
    return std::get<PlatformError>(error).description;
}

bool isInvalidSession(const ServiceError& error)
{
    const auto* appError = std::get_if<AppError>(&error);
    return appError && appError->kind() == AppError::Kind::InvalidSession;
}
