#include "ReplyClassifier.h"

namespace ReplyClassifier {

namespace {

struct TransportText
{
    QNetworkReply::NetworkError error;
    const char* qtDescription; // how Qt's text begins; null: whatever it says
    const char* text;
};

constexpr TransportText kTransportTexts[] = {
    {QNetworkReply::ConnectionRefusedError, nullptr, "Connessione rifiutata"},
    {QNetworkReply::RemoteHostClosedError, nullptr, "Connessione chiusa dal server"},
    {QNetworkReply::HostNotFoundError, nullptr, "Server non trovato"},
    {QNetworkReply::TimeoutError, nullptr, "Tempo scaduto"},
    // The transfer time-out cancels the reply; every other cancel is classified before this.
    {QNetworkReply::OperationCanceledError, nullptr, "Tempo scaduto"},
    {QNetworkReply::SslHandshakeFailedError, nullptr, "Connessione sicura non riuscita"},
    {QNetworkReply::TemporaryNetworkFailureError, nullptr, "Rete non disponibile"},
    {QNetworkReply::NetworkSessionFailedError, nullptr, "Rete non disponibile"},
    // Qt tells an unreachable network or host only by the socket's (untranslated) text.
    {QNetworkReply::UnknownNetworkError, "Network unreachable", "Rete non disponibile"},
    {QNetworkReply::UnknownNetworkError, "Host unreachable", "Server non raggiungibile"},
    {QNetworkReply::ProxyConnectionRefusedError, nullptr, "Connessione al proxy rifiutata"},
    {QNetworkReply::ProxyConnectionClosedError, nullptr, "Connessione chiusa dal proxy"},
    {QNetworkReply::ProxyNotFoundError, nullptr, "Proxy non trovato"},
    {QNetworkReply::ProxyTimeoutError, nullptr, "Tempo scaduto per il proxy"},
    {QNetworkReply::ProxyAuthenticationRequiredError, nullptr, "Autenticazione al proxy richiesta"},
    // A compressed body that does not inflate (or inflates past Qt's own safety limit).
    {QNetworkReply::UnknownContentError, "Decompression failed", "Risposta compressa non valida"},
};

ServiceError transportFailure(const ReplyOutcome& outcome)
{
    return PlatformError{PlatformError::Source::Transport,
                         transportErrorText(outcome.transportError, outcome.transportErrorString)};
}

} // namespace

Expected<QByteArray, ServiceError> classify(const ReplyOutcome& outcome)
{
    if (!outcome.httpStatus) {
        if (outcome.transportFailed)
            return transportFailure(outcome);
        return ServiceError(AppError::networkError(QStringLiteral("Risposta non valida")));
    }
    const int status = *outcome.httpStatus;
    if (status == 401 || status == 403)
        return ServiceError(AppError::invalidSession());
    if (status != 200)
        return ServiceError(AppError::networkError(QStringLiteral("HTTP %1").arg(status)));
    // Only a body that would be decoded is held to the size limit.
    if (outcome.tooLarge)
        return ServiceError(AppError::networkError(QStringLiteral("Risposta troppo grande")));
    // A 200 whose body was cut short by the transport is a transport failure, not a body.
    if (outcome.transportFailed)
        return transportFailure(outcome);
    return outcome.body;
}

QString transportErrorText(QNetworkReply::NetworkError error, const QString& qtDescription)
{
    for (const TransportText& known : kTransportTexts)
        if (known.error == error &&
            (!known.qtDescription || qtDescription.startsWith(QLatin1String(known.qtDescription))))
            return QString::fromUtf8(known.text);
    return qtDescription;
}

} // namespace ReplyClassifier
