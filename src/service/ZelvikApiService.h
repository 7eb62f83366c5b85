#pragma once

#include "ZelvikRequestFactory.h"
#include "model/OrgInfo.h"
#include "model/ServiceError.h"
#include "model/UsageResponse.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QObject>
#include <memory>

// The only component that talks to the service. It holds nothing but the origin; each call
// stands alone. Failures come back as values: an AppError, or the transport's or JSON
// decoder's own error passed on unchanged.
class ZelvikApiService : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxBodyBytes = 1024 * 1024;
    static inline const QString kDefaultOrigin = QStringLiteral("https://zelvik.ai");

    // The transfer time-out is shorter only in tests.
    explicit ZelvikApiService(const QString& baseUrl, QObject* parent = nullptr,
                              int transferTimeoutMs = ZelvikRequestFactory::kTimeoutMs);

    QString baseUrl() const { return m_requests.baseUrl(); }

    QCoro::Task<ServiceResult<OrgInfo>> fetchOrgInfo(QString sessionKey);
    // The request is abandoned (and fails) when abandonWith, if given, is destroyed first.
    QCoro::Task<ServiceResult<UsageResponse>> fetchUsage(QString sessionKey, QString orgId,
                                                         const QObject* abandonWith = nullptr);

private:
    QCoro::Task<Expected<QByteArray, ServiceError>> send(QNetworkRequest request,
                                                         const QObject* abandonWith = nullptr);

    QNetworkAccessManager* network();

    ZelvikRequestFactory m_requests;
    int m_transferTimeoutMs;
    std::unique_ptr<QNetworkAccessManager> m_network;
};
