#include "platform/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nearbell {

namespace {

void tell(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
}

// Without O_NONBLOCK, opening a FIFO waits for its other end.
int openChecked(const QString &path, int flags, QString *reason)
{
    if (path.isEmpty()) {
        tell(reason, QStringLiteral("no file name"));
        return -1;
    }
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // A FIFO without a reader refuses a writer (ENXIO): said as what it is.
        const int error = errno;
        struct stat found{};
        const bool there = ::stat(name.constData(), &found) == 0 && !S_ISREG(found.st_mode);
        tell(reason, there ? RegularFile::kindProblem(found.st_mode) : QString::fromLocal8Bit(std::strerror(error)));
        return -1;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        tell(reason, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return -1;
    }
    if (const QString problem = RegularFile::kindProblem(st.st_mode); !problem.isEmpty()) {
        tell(reason, problem);
        ::close(fd);
        return -1;
    }
    // A regular file never blocks; reads and writes go on as usual.
    const int status = ::fcntl(fd, F_GETFL);
    if (status >= 0)
        ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return fd;
}

} // namespace

QString RegularFile::kindProblem(unsigned mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a FIFO (named pipe), not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a regular file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a regular file");
    return QStringLiteral("it is not a regular file");
}

bool RegularFile::open(QFile &file, const QString &path, QString *reason)
{
    const int fd = openChecked(path, O_RDONLY, reason);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        tell(reason, file.errorString());
        ::close(fd);
        return false;
    }
    return true;
}

int RegularFile::openForAppend(const QString &path, QString *reason)
{
    return openChecked(path, O_WRONLY | O_APPEND | O_CREAT, reason);
}

} // namespace nearbell
