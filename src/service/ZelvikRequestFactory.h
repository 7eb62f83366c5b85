#pragma once

#include "model/AppError.h"
#include "model/Expected.h"

#include <QNetworkRequest>
#include <QString>

// The one place that builds requests to the service: URL, headers, time-out.
class ZelvikRequestFactory
{
public:
    static constexpr int kTimeoutMs = 60000;

    explicit ZelvikRequestFactory(QString baseUrl, int timeoutMs = kTimeoutMs);

    QString baseUrl() const { return m_baseUrl; }

    Expected<QNetworkRequest, AppError> bootstrap(const QString& sessionKey) const;
    Expected<QNetworkRequest, AppError> usage(const QString& sessionKey,
                                              const QString& orgId) const;

    // A session key that would add or break header lines or cookies is never sent.
    static bool isSafeSessionKey(const QString& sessionKey);
    // An organization id must stay one path segment of the usage URL.
    static bool isSafeOrgId(const QString& orgId);

private:
    Expected<QNetworkRequest, AppError> build(const QString& path, const QString& sessionKey) const;

    QString m_baseUrl;
    int m_timeoutMs;
};
