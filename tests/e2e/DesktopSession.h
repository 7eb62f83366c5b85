#pragma once

#include "TemporaryHome.h"

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

// A desktop for one end-to-end test: a tray host on the X server the test runs under, the
// local stand-in service, and the real pallowe program, all in a temporary home.
class DesktopSession
{
public:
    static inline const QString kSessionKey = QStringLiteral("e2e-session-key");
    static inline const QString kMaxOrg = QStringLiteral("8e41d6c2-05b9-4f37-a2de-91c7b3f46a58");

    DesktopSession();
    ~DesktopSession();

    QString failure() const { return m_failure; }
    const TemporaryHome& home() const { return m_home; }

    bool startTrayHost();
    bool startService(const QStringList& options = {});
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QStringList serviceLog();
    int serviceLogCount(const QString& fragment);

    // Starts pallowe and waits until its icon sits in the tray.
    bool startPallowe(const QStringList& arguments);
    // Starts pallowe without waiting for any tray.
    void launchPallowe(const QStringList& arguments);
    bool stopPallowe();
    QStringList sessionArguments() const;

    void clickTrayIcon();
    void pressKey(const QString& key);
    // The id of a visible window whose name matches, or an empty text.
    QString visibleWindow(const QString& namePattern);
    QImage grabWindow(const QString& windowId);

    static QString run(const QString& program, const QStringList& arguments);

private:
    int dockedIcons();
    bool fail(const QString& why);

    TemporaryHome m_home;
    QProcess m_trayHost;
    QProcess m_service;
    QProcess m_pallowe;
    QString m_trayWindow;
    QStringList m_log;
    int m_port = 0;
    QString m_failure;
};
