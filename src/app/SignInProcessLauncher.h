#pragma once

#include "state/LoginWindowLauncher.h"

#include <QString>

// Opens each sign-in window as a pallowe-sign-in process and hands every session key it
// reports to the callback, for as long as the returned controller is held.
class SignInProcessLauncher : public LoginWindowLauncher
{
public:
    SignInProcessLauncher(QString program, QString serviceOrigin);

    std::shared_ptr<WindowController> show(Request request) override;

    static QString findProgram(const QStringList& folders);

private:
    QString m_program;
    QString m_serviceOrigin;
};
