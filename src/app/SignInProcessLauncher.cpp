#include "SignInProcessLauncher.h"

#include "SignInProcess.h"

#include <QDir>
#include <QFileInfo>

SignInProcessLauncher::SignInProcessLauncher(QString program, QString serviceOrigin)
    : m_program(std::move(program)), m_serviceOrigin(std::move(serviceOrigin))
{
}

std::shared_ptr<WindowController> SignInProcessLauncher::show(Callback onAuthenticated)
{
    return std::make_shared<SignInProcess>(m_program, m_serviceOrigin, std::move(onAuthenticated));
}

QString SignInProcessLauncher::findProgram(const QStringList& folders)
{
    for (const QString& folder : folders) {
        const QFileInfo candidate(QDir(folder).filePath(QStringLiteral("pallowe-sign-in")));
        if (candidate.isExecutable())
            return candidate.filePath();
    }
    return folders.isEmpty() ? QString() : QDir(folders.first()).filePath("pallowe-sign-in");
}
