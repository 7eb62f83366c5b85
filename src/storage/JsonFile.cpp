#include "JsonFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace JsonFile {

namespace {

// Opening a FIFO for reading waits for a writer, and a device may never end: only a regular
// file is read, and the open itself never waits.
int openRegularFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status = {};
    if (fd >= 0 && (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool fail(QSaveFile& file, QString* failure, const QString& reason)
{
    file.cancelWriting();
    if (failure)
        *failure = reason;
    return false;
}

QString folderOf(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absolutePath());
}

} // namespace

std::optional<QByteArray> read(const QString& path)
{
    const int fd = openRegularFile(path);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return std::nullopt;
    }
    if (file.size() > kMaximumSize)
        return std::nullopt;
    // One byte past the limit tells a file that grew since its size was taken.
    const QByteArray bytes = file.read(kMaximumSize + 1);
    if (bytes.size() > kMaximumSize || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool write(const QString& path, const QJsonObject& object,
           std::optional<QFileDevice::Permissions> permissions, QString* failure)
{
    QSaveFile file(path);
    // Unbuffered, so a full disk or a file-size limit fails the write itself: Qt 6.4 commits
    // a file whose buffered bytes never reached the disk.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        (permissions && !file.setPermissions(*permissions)))
        return fail(file, failure,
                    QStringLiteral("non si può scrivere nella cartella %1").arg(folderOf(path)));
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact);
    if (file.write(bytes) != bytes.size() || !file.flush())
        return fail(file, failure,
                    QStringLiteral("la scrittura su disco non è riuscita (disco pieno?)"));
    if (!file.commit())
        return fail(file, failure, QStringLiteral("il file precedente non si può sostituire"));
    return true;
}

} // namespace JsonFile
