#include "StandardStreams.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace StandardStreams {

namespace {

bool isOpen(int fd)
{
    return fcntl(fd, F_GETFD) != -1;
}

} // namespace

bool prepare()
{
    // A write to a pipe whose reader is gone fails with EPIPE, like any other failed write,
    // instead of ending the program by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    const bool outputOpen = isOpen(STDOUT_FILENO);
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (isOpen(fd))
            continue;
        const int held = open("/dev/null", O_RDWR);
        if (held >= 0 && held != fd) {
            dup2(held, fd);
            close(held);
        }
    }
    return outputOpen;
}

bool write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    return std::fflush(stream) == 0 && written && !std::ferror(stream);
}

bool writeLine(std::FILE* stream, const QString& line)
{
    return write(stream, line + u'\n');
}

int reportFailedOutput(const char* program)
{
    writeLine(stderr, QLatin1String(program) +
                          QStringLiteral(": impossibile scrivere sull'uscita standard."));
    return kWriteFailedExitCode;
}

} // namespace StandardStreams
