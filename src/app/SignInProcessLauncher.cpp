#include "SignInProcessLauncher.h"

#include "SignInProcess.h"

#include <QDir>
#include <QFileInfo>

SignInProcessLauncher::SignInProcessLauncher(QString program, QString serviceOrigin)
    : m_program(std::move(program)), m_serviceOrigin(std::move(serviceOrigin))
{}

std::shared_ptr<WindowController> SignInProcessLauncher::show(Request request)
{
    return std::make_shared<SignInProcess>(m_program, QStringList{m_serviceOrigin},
                                           std::move(request));
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
