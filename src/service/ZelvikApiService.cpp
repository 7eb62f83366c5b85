#include "ZelvikApiService.h"

#include "BoundedReply.h"
#include "ReplyClassifier.h"
#include "model/BootstrapResponse.h"

#include <QCoroTimer>
#include <QNetworkCookie>
#include <QNetworkCookieJar>

namespace {

// The session cookie is set by hand on each request; cookies the service sets in its
// replies must never join it.
class DiscardingCookieJar : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
};

} // namespace

ZelvikApiService::ZelvikApiService(const QString& baseUrl, QObject* parent, int transferTimeoutMs)
    : QObject(parent), m_requests(baseUrl, transferTimeoutMs),
      m_transferTimeoutMs(transferTimeoutMs)
{}

QNetworkAccessManager* ZelvikApiService::network()
{
    // Made for the first request: a program that never asks leaves the network stack alone.
    if (!m_network) {
        m_network = std::make_unique<QNetworkAccessManager>();
        m_network->setCookieJar(new DiscardingCookieJar(m_network.get()));
        m_network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        m_network->setTransferTimeout(m_transferTimeoutMs);
    }
    return m_network.get();
}

QCoro::Task<Expected<QByteArray, ServiceError>> ZelvikApiService::send(QNetworkRequest request,
                                                                       const QObject* abandonWith)
{
    BoundedReply reply(network()->get(request), kMaxBodyBytes);
    if (abandonWith)
        connect(abandonWith, &QObject::destroyed, &reply, &BoundedReply::abandon);
    const ReplyOutcome outcome = co_await reply.outcome();
    // Qt's signals may still be on the stack here: the caller goes on from the event loop
    // instead, so it may drop this service (and its replies) once the call returns.
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
    co_return ReplyClassifier::classify(outcome);
}

QCoro::Task<ServiceResult<UsageResponse>>
ZelvikApiService::fetchUsage(QString sessionKey, QString orgId, const QObject* abandonWith)
{
    const auto request = m_requests.usage(sessionKey, orgId);
    if (!request)
        co_return ServiceError(request.error());
    const auto body = co_await send(*request, abandonWith);
    if (!body)
        co_return body.error();
    const auto report = UsageResponse::decode(body.value());
    if (!report)
        co_return ServiceError(AppError::decodingError(report.error()));
    co_return report.value();
}

QCoro::Task<ServiceResult<OrgInfo>> ZelvikApiService::fetchOrgInfo(QString sessionKey)
{
    const auto request = m_requests.bootstrap(sessionKey);
    if (!request)
        co_return ServiceError(request.error());
    const auto body = co_await send(*request);
    if (!body)
        co_return body.error();
    const auto reply = BootstrapResponse::decode(body.value());
    if (!reply)
        co_return ServiceError(PlatformError{PlatformError::Source::Decoder, reply.error()});
    const auto org = reply->chooseOrganization();
    if (!org)
        co_return ServiceError(org.error());
    co_return org.value();
}
