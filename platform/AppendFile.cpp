#include "platform/AppendFile.h"

#include "platform/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace nearbell {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

AppendFile::Outcome AppendFile::append(const QString &path, const QByteArray &piece, const QByteArray &header)
{
    // Past the file size limit a write raises SIGXFSZ, which would end the
    // program; the write then fails like any other.
    static const bool sizeSignalIgnored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
    Q_UNUSED(sizeSignalIgnored);
    QString reason;
    const int fd = RegularFile::openForAppend(path, &reason);
    if (fd < 0)
        return {false, reason};
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return {false, systemError(error)};
    }
    const QByteArray data = st.st_size == 0 ? header + piece : piece;
    qsizetype done = 0;
    int error = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += n;
    }
    Outcome outcome{true, QString()};
    if (done < data.size()) {
        // Whole or nothing: the part written goes again.
        const bool cut = ::ftruncate(fd, st.st_size) == 0;
        outcome = {false, QStringLiteral("the write failed: %1%2")
                              .arg(systemError(error),
                                   cut ? QString() : QStringLiteral(" (a part of a line is left at the end)"))};
    }
    ::close(fd);
    return outcome;
}

qint64 AppendFile::size(const QString &path)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return st.st_size;
}

bool AppendFile::move(const QString &from, const QString &to, QString *reason)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    if (reason)
        *reason = systemError(errno);
    return false;
}

} // namespace nearbell
