#include "BoundedReply.h"

#include <QCoroSignal>

BoundedReply::BoundedReply(QNetworkReply* reply, qint64 maxBodyBytes)
    : m_reply(reply), m_maxBodyBytes(maxBodyBytes)
{
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &BoundedReply::checkSize);
    connect(m_reply, &QNetworkReply::readyRead, this, &BoundedReply::checkSize);
    connect(m_reply, &QNetworkReply::finished, this, &BoundedReply::end);
}

BoundedReply::~BoundedReply()
{
    if (m_reply)
        m_reply->deleteLater(); // its own signal may still be on the stack
}

QCoro::Task<ReplyOutcome> BoundedReply::outcome()
{
    if (!m_outcome)
        co_await qCoro(this, &BoundedReply::ended);
    co_return *m_outcome;
}

void BoundedReply::checkSize()
{
    const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (m_tooLarge || (announced <= m_maxBodyBytes && m_reply->bytesAvailable() <= m_maxBodyBytes))
        return;
    m_tooLarge = true;
    // Deleting the reply from inside its own signal would pull the floor from under Qt.
    QMetaObject::invokeMethod(this, &BoundedReply::drop, Qt::QueuedConnection);
}

void BoundedReply::abandon()
{
    // The caller's signal may be on the stack of one of the reply's own.
    QMetaObject::invokeMethod(this, &BoundedReply::drop, Qt::QueuedConnection);
}

void BoundedReply::drop()
{
    if (m_outcome || !m_reply)
        return; // it finished by itself meanwhile
    record();
    delete m_reply; // ends the transfer without a failure of its own
    m_reply = nullptr;
    emit ended();
}

void BoundedReply::end()
{
    if (m_outcome)
        return;
    record();
    emit ended();
}

void BoundedReply::record()
{
    ReplyOutcome outcome;
    outcome.tooLarge = m_tooLarge;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        outcome.httpStatus = status.toInt();
    outcome.transportFailed =
        m_reply->error() != QNetworkReply::NoError && (!status.isValid() || status.toInt() == 200);
    outcome.transportError = m_reply->error();
    outcome.transportErrorString = m_reply->errorString();
    if (!m_tooLarge && m_reply->isOpen())
        outcome.body = m_reply->readAll();
    m_outcome = outcome;
}
