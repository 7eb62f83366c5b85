#include "SignInProcess.h"

#include "state/PrintableText.h"
#include "state/StandardStreams.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

void printLine(const QString& text)
{
    StandardStreams::writeLine(stderr, PrintableText::escaped(text));
}

// Passes the process's complaints on line by line, made safe for a terminal, for as long as
// it runs; the first line is kept for the message of a window that could not be opened.
void forwardErrors(QProcess* process, std::shared_ptr<SignInProcess::ErrorLines> lines)
{
    const auto forward = [process, lines](bool toTheEnd) {
        lines->pending += process->readAllStandardError();
        if (toTheEnd && !lines->pending.isEmpty() && !lines->pending.endsWith('\n'))
            lines->pending += '\n';
        qsizetype end;
        while ((end = lines->pending.indexOf('\n')) >= 0) {
            const QByteArray line = lines->pending.left(end);
            lines->pending.remove(0, end + 1);
            if (lines->first.isEmpty())
                lines->first = line;
            printLine(QString::fromUtf8(line));
        }
    };
    QObject::connect(process, &QProcess::readyReadStandardError, process,
                     [forward] { forward(false); });
    QObject::connect(process, &QProcess::finished, process, [forward] { forward(true); });
}

} // namespace

SignInProcess::SignInProcess(const QString& program, const QStringList& arguments,
                             LoginWindowLauncher::Request request)
    : m_process(new QProcess(QCoreApplication::instance())), m_request(std::move(request))
{
    forwardErrors(m_process, m_errorLines);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &SignInProcess::readReports);
    connect(m_process, &QProcess::finished, this, &SignInProcess::onFinished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(m_process->errorString());
    });
    connect(m_process, &QProcess::finished, m_process, &QObject::deleteLater);
    connect(m_process, &QProcess::errorOccurred, m_process,
            [process = m_process](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart)
                    process->deleteLater();
            });
    m_process->start(program, arguments);
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
        m_reported = true;
        if (m_request.onAuthenticated)
            m_request.onAuthenticated(QString::fromUtf8(line));
    }
}

void SignInProcess::onFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    readReports();
    if (m_reported)
        return;
    // Closing the window without signing in ends the process normally.
    if (exitStatus == QProcess::CrashExit)
        fail(QStringLiteral("terminata in modo anomalo"));
    else if (exitCode != 0)
        fail(QStringLiteral("uscita con codice %1").arg(exitCode));
}

void SignInProcess::fail(const QString& reason)
{
    if (m_failed)
        return;
    m_failed = true;
    const QString detail =
        m_errorLines->first.isEmpty() ? reason : QString::fromUtf8(m_errorLines->first);
    printLine(QStringLiteral("pallowe: impossibile aprire la finestra di accesso: ") + detail);
    if (m_request.onCannotOpen)
        m_request.onCannotOpen();
}
