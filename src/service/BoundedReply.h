#pragma once

#include "ReplyClassifier.h"

#include <QCoroTask>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <optional>

// One reply awaited to its end, its body held to a size limit. A body over the limit is
// dropped as soon as it is known, whatever the status, so a huge reply is never held in
// memory. Dropped means deleted, not aborted: Qt 6.4 warns on standard error when a reply it
// fails by itself (every status but 200) has been aborted as well.
class BoundedReply : public QObject
{
    Q_OBJECT

public:
    BoundedReply(QNetworkReply* reply, qint64 maxBodyBytes);
    ~BoundedReply() override;

    // Resumes from inside Qt's signal when the reply finished by itself.
    QCoro::Task<ReplyOutcome> outcome();
    // Ends the transfer early, as a dropped body does; its outcome is for nobody.
    void abandon();

signals:
    void ended();

private:
    void checkSize();
    void drop();
    void end();
    void record();

    QPointer<QNetworkReply> m_reply; // the network manager deletes it if it goes first
    qint64 m_maxBodyBytes;
    bool m_tooLarge = false;
    std::optional<ReplyOutcome> m_outcome;
};
