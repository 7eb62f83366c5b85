#include "StatusReader.h"

namespace {

StatusReading failure(StatusReading::Outcome outcome, const QString& text)
{
    StatusReading reading;
    reading.outcome = outcome;
    reading.errorText = text;
    return reading;
}

} // namespace

StatusReader::StatusReader(const QString& dataFolder, const QString& serviceOrigin)
    : m_credentials(CredentialStore::readOnly(dataFolder)), m_api(serviceOrigin)
{}

QCoro::Task<StatusReading> StatusReader::read()
{
    const auto session = m_credentials.usableSession();
    if (!session)
        co_return failure(StatusReading::Outcome::NoSession,
                          QStringLiteral("Nessuna sessione: accedi da Pallowe."));

    const auto report = co_await m_api.fetchUsage(session->sessionKey, session->orgId);
    if (!report && isInvalidSession(report.error()))
        co_return failure(StatusReading::Outcome::SessionRefused,
                          QStringLiteral("Sessione scaduta — accedi di nuovo."));
    if (!report)
        co_return failure(StatusReading::Outcome::ServiceError, userFacingText(report.error()));

    StatusReading reading;
    reading.usage = report.value();
    reading.orgName = m_credentials.orgName();
    reading.fetchedAt = QDateTime::currentDateTimeUtc();
    co_return reading;
}
