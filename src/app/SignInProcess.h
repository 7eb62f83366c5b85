#pragma once

#include "state/WindowController.h"
#include "state/LoginWindowLauncher.h"

#include <QObject>
#include <QPointer>

class QProcess;

// One running sign-in window. Dropping it stops the reports but not the window: the process
// ends by itself once its window has closed.
class SignInProcess : public QObject, public WindowController
{
    Q_OBJECT

public:
    SignInProcess(const QString& program, const QString& serviceOrigin,
                  LoginWindowLauncher::Callback onAuthenticated);
    ~SignInProcess() override;

private:
    void readReports();

    QPointer<QProcess> m_process;
    LoginWindowLauncher::Callback m_onAuthenticated;
};
