#include "ZelvikRequestFactory.h"

#include <QUrl>
#include <algorithm>

namespace {

const QByteArray kUserAgent =
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/131.0.0.0 Safari/537.36";

AppError invalidRequest()
{
    return AppError::networkError(QStringLiteral("Richiesta non valida"));
}

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
}

} // namespace

ZelvikRequestFactory::ZelvikRequestFactory(QString baseUrl, int timeoutMs)
    : m_baseUrl(std::move(baseUrl)), m_timeoutMs(timeoutMs)
{}

bool ZelvikRequestFactory::isSafeSessionKey(const QString& sessionKey)
{
    return std::none_of(sessionKey.begin(), sessionKey.end(),
                        [](QChar c) { return isControl(c) || c == u';'; });
}

bool ZelvikRequestFactory::isSafeOrgId(const QString& orgId)
{
    static const QString kForbidden = QStringLiteral("/?#%\\");
    if (orgId == u"." || orgId == u"..")
        return false;
    return std::none_of(orgId.begin(), orgId.end(), [](QChar c) {
        return isControl(c) || c.isSpace() || kForbidden.contains(c);
    });
}

Expected<QNetworkRequest, AppError> ZelvikRequestFactory::bootstrap(const QString& sessionKey) const
{
    return build(QStringLiteral("/api/bootstrap"), sessionKey);
}

Expected<QNetworkRequest, AppError> ZelvikRequestFactory::usage(const QString& sessionKey,
                                                                const QString& orgId) const
{
    if (!isSafeOrgId(orgId))
        return invalidRequest();
    return build(QStringLiteral("/api/organizations/") + orgId + QStringLiteral("/usage"),
                 sessionKey);
}

Expected<QNetworkRequest, AppError> ZelvikRequestFactory::build(const QString& path,
                                                                const QString& sessionKey) const
{
    const QUrl url(m_baseUrl + path, QUrl::StrictMode);
    if (!url.isValid() || !isSafeSessionKey(sessionKey))
        return invalidRequest();

    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    // The cookie must never follow a redirect to another origin.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setRawHeader("Cookie", "sessionKey=" + sessionKey.toUtf8());
    request.setRawHeader("Referer", m_baseUrl.toUtf8());
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader("User-Agent", kUserAgent);
    return request;
}
