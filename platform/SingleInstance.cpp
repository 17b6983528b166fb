#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace nearbell {

namespace {

QString identityOf(const QString &executablePath)
{
    const QFileInfo info(executablePath);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

QString SingleInstance::defaultLockFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

SingleInstance::SingleInstance(const QString &executablePath, const QString &lockFolder)
{
    const QByteArray hash = QCryptographicHash::hash(identityOf(executablePath).toUtf8(),
                                                     QCryptographicHash::Sha1)
                                .toHex()
                                .left(24);
    // The user id is in the name too, in case the folder is a shared one.
    const QString name = QStringLiteral("nearbell-%1-%2.lock")
                             .arg(QString::number(::getuid()), QString::fromLatin1(hash));
    const QString folder = lockFolder.isEmpty() ? defaultLockFolder() : lockFolder;
    m_lockFilePath = QDir(folder).filePath(name);
}

SingleInstance::~SingleInstance()
{
    // Closing drops the lock. The file stays: removing it could let two
    // starting instances lock two different files.
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SingleInstance::anotherInstanceRunning()
{
    if (m_fd >= 0)
        return false;
    const QByteArray path = QFile::encodeName(m_lockFilePath);
    // No symbolic links followed and not inherited by programs we start
    // (a browser must not keep the lock after we end).
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy;
    }
    m_fd = fd;
    // The holder's process id, for whoever looks at the file.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, pid.constData(), size_t(pid.size()));
    }
    return false;
}

} // namespace nearbell
