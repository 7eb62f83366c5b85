#include "SignInProcess.h"

#include <QCoreApplication>
#include <QProcess>

#include <cstdio>

SignInProcess::SignInProcess(const QString& program, const QString& serviceOrigin,
                             LoginWindowLauncher::Callback onAuthenticated)
    : m_process(new QProcess(QCoreApplication::instance())),
      m_onAuthenticated(std::move(onAuthenticated))
{
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &SignInProcess::readReports);
    connect(m_process, &QProcess::finished, m_process, &QObject::deleteLater);
    connect(m_process, &QProcess::errorOccurred, m_process, [process = m_process](QProcess::ProcessError) {
        std::fprintf(stderr, "pallowe: the sign-in window cannot be opened: %s\n",
                     qPrintable(process->errorString()));
    });
    m_process->start(program, {serviceOrigin});
}

SignInProcess::~SignInProcess()
{
    if (m_process)
        m_process->disconnect(this);
}

void SignInProcess::readReports()
{
    while (m_process && m_process->canReadLine()) {
        QByteArray line = m_process->readLine();
        line.chop(1); // the newline; the value itself is passed on exactly as captured
        if (m_onAuthenticated)
            m_onAuthenticated(QString::fromUtf8(line));
    }
}
