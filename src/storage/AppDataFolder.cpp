#include "AppDataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace AppDataFolder {

QString defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Pallowe");
}

void ensureExists(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return;
    QDir().mkpath(info.absolutePath());
    // The folder holds a bearer secret; mkpath would leave it readable by everyone.
    QDir().mkdir(info.absoluteFilePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace AppDataFolder
