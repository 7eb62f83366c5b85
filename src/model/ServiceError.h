#pragma once

#include "AppError.h"
#include "Expected.h"
#include "PlatformError.h"

#include <variant>

using ServiceError = std::variant<AppError, PlatformError>;

template <typename T> using ServiceResult = Expected<T, ServiceError>;

// The text a person is shown for any failure of the service client.
QString userFacingText(const ServiceError& error);

bool isInvalidSession(const ServiceError& error);
