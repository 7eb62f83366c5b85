#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// The real stand-in service, pallowe-demo-service, on a free port of 127.0.0.1; stopped with
// SIGTERM when it goes.
class DemoServiceProcess
{
public:
    explicit DemoServiceProcess(QStringList arguments);
    ~DemoServiceProcess() { stop(); }

    static QString program();

    bool isRunning() const { return m_port > 0; }
    int port() const { return m_port; }
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

    // Stops the service; true when it exited normally with status 0.
    bool stop();
    QByteArray log() const { return m_log; }

private:
    QProcess m_process;
    QByteArray m_log;
    int m_port = 0;
};
