#include "AppError.h"

AppError AppError::networkError(const QString& message)
{
    return {Kind::NetworkError, message};
}

AppError AppError::decodingError(const QString& message)
{
    return {Kind::DecodingError, message};
}

AppError AppError::notAuthenticated()
{
    return {Kind::NotAuthenticated, {}};
}

AppError AppError::invalidSession()
{
    return {Kind::InvalidSession, {}};
}

QString AppError::errorDescription() const
{
    switch (m_kind) {
    case Kind::NetworkError:
        return QStringLiteral("Errore di rete: ") + m_message;
    case Kind::DecodingError:
        return QStringLiteral("Errore parsing risposta: ") + m_message;
    case Kind::NotAuthenticated:
        return QStringLiteral("Sessione non configurata");
    case Kind::InvalidSession:
        return QStringLiteral("Sessione non valida o scaduta");
    }
    return {};
}
