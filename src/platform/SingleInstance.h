#pragma once

#include "state/StartupOptions.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QLockFile>
#include <QObject>
#include <QVariantMap>

// One running program per data folder. The first start owns a session-bus name made from the
// folder, and a lock file in it; a later start with the same folder hands its command-line
// session to the owner and ends, told whether the owner could store it. Without a session bus
// the owner cannot be reached, so a later start that finds the lock taken is refused.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.pallowe.Pallowe.Instance")

public:
    enum class Claim
    {
        Owner,      // this process runs the folder
        HandedOver, // another one does and took the command line; end with status 0
        Refused,    // another one does and cannot be reached or store it; end with status 1
    };

    explicit SingleInstance(const QString& dataFolder,
                            const QDBusConnection& bus = QDBusConnection::sessionBus(),
                            QObject* parent = nullptr);

    Claim claim(const StartupOptions& commandLine);
    // The one line for standard error after HandedOver or Refused; it never holds the key.
    QString report() const { return m_report; }

    // Tells the later start whose call it was whether its session, if it gave one, is stored.
    void answer(const QDBusMessage& call, bool stored);

public slots:
    // Called over the bus by a later start; the keys are those of credentials.json. Answered
    // through answer() once the session is in place: false when it could not be stored.
    Q_SCRIPTABLE bool Activate(const QVariantMap& session, const QDBusMessage& call);

signals:
    // A later start asks for the panel; its session, if any, is to be applied as at start-up,
    // and the call answered.
    void activated(const StartupOptions& commandLine, const QDBusMessage& call);

private:
    Claim handOver(const StartupOptions& commandLine);
    Claim lockFolder(bool holdsBusName);
    bool isAbandoned(bool holdsBusName) const;
    QString refusal(bool holdsBusName) const;

    QString m_shownFolder;
    QString m_serviceName;
    QDBusConnection m_bus;
    QString m_lockPath;
    QLockFile m_lock;
    QString m_report;
};
