#include "platform/SingleInstance.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace nearbell {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

SingleInstance::SingleInstance(const QString &programFolder) : m_folder(programFolder)
{
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString SingleInstance::failureMessage(const QString &failure)
{
    return QStringLiteral("Nearbell cannot make sure that it is the only copy using its folder: %1.\n\n"
                          "Two copies on one folder would overwrite each other's list of acknowledged "
                          "stations, so Nearbell does not start. Make sure the folder exists and that "
                          "you may read it (chmod u+r), then start Nearbell again.")
        .arg(failure);
}

bool SingleInstance::anotherInstanceRunning()
{
    if (m_fd >= 0)
        return false;
    m_failure.clear();
    const QByteArray path = QFile::encodeName(m_folder);
    // Read-only is enough for the lock; not inherited by programs we start
    // (a browser must not keep the lock after we end).
    int fd;
    do {
        fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_failure = QStringLiteral("the program folder %1 cannot be opened: %2")
                        .arg(m_folder, systemError(errno));
        return true;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK)
            m_failure = QStringLiteral("the program folder %1 cannot be locked: %2")
                            .arg(m_folder, systemError(error));
        return true;
    }
    m_fd = fd;
    return false;
}

} // namespace nearbell
