#pragma once

#include <QFile>
#include <QTest>
#include <sys/stat.h>

// A file's bytes; nothing when it cannot be read.
inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

inline int modeOf(const QString& path)
{
    struct stat status = {};
    stat(qPrintable(path), &status);
    return int(status.st_mode & 0777);
}
