#pragma once

#include <QProcess>

// The real stand-in service, pallowe-demo-service, on a free port of 127.0.0.1; stopped with
// SIGTERM when it goes.
class DemoServiceProcess
{
public:
    explicit DemoServiceProcess(const QStringList& arguments)
    {
        m_process.start(QStringLiteral(PALLOWE_DEMO_SERVICE), arguments + QStringList{"--port=0"});
        // Its first line on standard output is the port it listens on.
        while (m_process.waitForStarted() && !m_process.canReadLine())
            if (!m_process.waitForReadyRead(10000))
                return;
        m_port = m_process.readLine().trimmed().toInt();
    }
    ~DemoServiceProcess()
    {
        m_process.terminate();
        m_process.waitForFinished(10000);
    }

    bool isRunning() const { return m_port > 0; }
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

private:
    QProcess m_process;
    int m_port = 0;
};
