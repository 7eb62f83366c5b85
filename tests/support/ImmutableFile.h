#pragma once

#include <QFile>
#include <QString>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// While it lives, the file can be neither changed nor deleted, not even by root: a sign-out
// then meets a session it cannot remove. held() is false where the file system or the
// process's privileges refuse the flag.
class ImmutableFile
{
public:
    explicit ImmutableFile(const QString& path) : m_fd(::open(QFile::encodeName(path), O_RDONLY))
    {
        m_held = m_fd >= 0 && setImmutable(true);
    }
    ~ImmutableFile()
    {
        if (m_held)
            setImmutable(false);
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;

    bool held() const { return m_held; }

private:
    bool setImmutable(bool on)
    {
        int flags = 0;
        if (::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) != 0)
            return false;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        return ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
    }

    int m_fd;
    bool m_held = false;
};
