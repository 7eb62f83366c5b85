#include "DemoServiceProcess.h"

DemoServiceProcess::DemoServiceProcess(QStringList arguments)
{
    m_process.start(program(), arguments << "--port=0");
    if (!m_process.waitForStarted())
        return;
    while (!m_process.canReadLine())
        if (!m_process.waitForReadyRead(10000))
            return;
    m_port = m_process.readLine().trimmed().toInt();
}

QString DemoServiceProcess::program()
{
    return QStringLiteral(PALLOWE_DEMO_SERVICE);
}

bool DemoServiceProcess::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        m_process.waitForFinished(10000);
    }
    m_log += m_process.readAllStandardError();
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}
