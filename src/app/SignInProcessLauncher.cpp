#include "SignInProcessLauncher.h"

#include "SignInProcess.h"

#include <QDir>
#include <QFileInfo>

SignInProcessLauncher::SignInProcessLauncher(QString program, QString serviceOrigin)
    : m_program(std::move(program)), m_serviceOrigin(std::move(serviceOrigin))
{}

std::shared_ptr<WindowController> SignInProcessLauncher::show(Request request)
{
    QStringList arguments{m_serviceOrigin};
    if (request.anotherAccount)
        arguments.prepend(QStringLiteral("--another-account"));
    return std::make_shared<SignInProcess>(m_program, arguments, std::move(request));
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
