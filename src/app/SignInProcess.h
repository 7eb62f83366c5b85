#pragma once

#include "state/LoginWindowLauncher.h"
#include "state/WindowController.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <memory>

// One running sign-in window. Dropping it stops the reports but not the window: the process
// ends by itself once its window has closed. A process that cannot start, or that ends
// abnormally before it reported a session, counts as a window that could not be opened.
class SignInProcess : public QObject, public WindowController
{
    Q_OBJECT

public:
    struct ErrorLines
    {
        QByteArray pending; // a line not yet ended
        QByteArray first;
    };

    SignInProcess(const QString& program, const QStringList& arguments,
                  LoginWindowLauncher::Request request);
    ~SignInProcess() override;

private:
    void readReports();
    void onFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void fail(const QString& reason);

    QPointer<QProcess> m_process;
    LoginWindowLauncher::Request m_request;
    // Shared with the forwarder of the process's standard error, which may outlive us.
    std::shared_ptr<ErrorLines> m_errorLines = std::make_shared<ErrorLines>();
    bool m_reported = false;
    bool m_failed = false;
};
