#include "ZelvikApiService.h"

#include "ReplyClassifier.h"
#include "model/BootstrapResponse.h"

#include <QCoroNetworkReply>
#include <QCoroTimer>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <memory>

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

const char* const kTooLargeProperty = "pallowe.tooLarge";

// A body over the size limit is abandoned as soon as it is known, whatever the status, so a
// huge reply is never held in memory. A smaller one is left to end by itself: cancelling a
// reply Qt is about to fail on its own makes it warn on standard error.
void abortOversizedBody(QNetworkReply* reply)
{
    const auto check = [reply] {
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (announced > ZelvikApiService::kMaxBodyBytes ||
            reply->bytesAvailable() > ZelvikApiService::kMaxBodyBytes) {
            reply->setProperty(kTooLargeProperty, true);
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, check);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, check);
}

ReplyOutcome outcomeOf(QNetworkReply* reply)
{
    ReplyOutcome outcome;
    outcome.tooLarge = reply->property(kTooLargeProperty).toBool();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        outcome.httpStatus = status.toInt();
    outcome.transportFailed =
        reply->error() != QNetworkReply::NoError && (!status.isValid() || status.toInt() == 200);
    outcome.transportError = reply->error();
    outcome.transportErrorString = reply->errorString();
    if (!outcome.tooLarge && reply->isOpen())
        outcome.body = reply->readAll();
    return outcome;
}

} // namespace

ZelvikApiService::ZelvikApiService(const QString& baseUrl, QObject* parent, int transferTimeoutMs)
    : QObject(parent), m_requests(baseUrl, transferTimeoutMs)
{
    m_network.setCookieJar(new DiscardingCookieJar(&m_network));
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_network.setTransferTimeout(transferTimeoutMs);
}

QCoro::Task<Expected<QByteArray, ServiceError>> ZelvikApiService::send(QNetworkRequest request,
                                                                       const QObject* abandonWith)
{
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        m_network.get(request), [](QNetworkReply* r) { r->deleteLater(); });
    abortOversizedBody(reply.get());
    if (abandonWith)
        connect(abandonWith, &QObject::destroyed, reply.get(), &QNetworkReply::abort);
    co_await reply.get();
    const ReplyOutcome outcome = outcomeOf(reply.get());
    reply.reset();
    // The reply's own signal is still on the stack here: the caller goes on from the event
    // loop instead, so it may drop this service (and its replies) once the call returns.
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
