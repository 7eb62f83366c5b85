#include "StatusReader.h"

namespace {

// A session that changes this often while its reading is on the way is not waited out.
constexpr int kMaxAttempts = 3;

StatusReading failure(StatusReading::Outcome outcome, const QString& text)
{
    StatusReading reading;
    reading.outcome = outcome;
    reading.errorText = text;
    return reading;
}

StatusReading noSession()
{
    return failure(StatusReading::Outcome::NoSession, StatusReader::noSessionText());
}

StatusReading readingOf(const ServiceResult<UsageResponse>& report,
                        const std::optional<QString>& orgName)
{
    if (!report && isInvalidSession(report.error()))
        return failure(StatusReading::Outcome::SessionRefused,
                       QStringLiteral("Sessione scaduta — accedi di nuovo."));
    if (!report)
        return failure(StatusReading::Outcome::ServiceError, userFacingText(report.error()));
    StatusReading reading;
    reading.usage = report.value();
    reading.orgName = orgName;
    reading.fetchedAt = QDateTime::currentDateTimeUtc();
    return reading;
}

} // namespace

QString StatusReader::noSessionText()
{
    return QStringLiteral("Nessuna sessione: accedi da Pallowe.");
}

StatusReader::StatusReader(const QString& dataFolder, const QString& serviceOrigin)
    : m_credentials(CredentialStore::readOnly(dataFolder)), m_api(serviceOrigin)
{}

QCoro::Task<StatusReading> StatusReader::read()
{
    auto session = m_credentials.usableSession();
    for (int attempt = 0; attempt < kMaxAttempts && session; ++attempt) {
        const auto report = co_await m_api.fetchUsage(session->sessionKey, session->orgId);
        // Pallowe may have signed in anew while the reply was on its way: a reading (or a
        // refusal) is said only of the session stored now, so the new one is read instead.
        const auto stored = m_credentials.usableSession();
        if (stored && stored->isSameAs(*session))
            co_return readingOf(report, stored->orgName);
        session = stored;
    }
    if (!session)
        co_return noSession();
    co_return failure(StatusReading::Outcome::ServiceError,
                      QStringLiteral("La sessione è cambiata durante la lettura."));
}
