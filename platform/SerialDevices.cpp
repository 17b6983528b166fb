#include "platform/SerialDevices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace nearbell {

QStringList SerialDevices::present(const QString &deviceFolder)
{
    QStringList devices;
    const QDir byId(deviceFolder + QStringLiteral("/serial/by-id"));
    for (const QString &name : byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        devices.append(byId.filePath(name));
    const QDir dev(deviceFolder);
    for (const char *pattern : {"ttyUSB*", "ttyACM*", "rfcomm*"}) {
        for (const QString &name :
             dev.entryList({QLatin1String(pattern)}, QDir::System | QDir::Files, QDir::Name))
            devices.append(dev.filePath(name));
    }
    return devices;
}

QString SerialDevices::problem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (info.isDir())
        return QStringLiteral("A folder, not a serial port");
    // Opened without waiting for a carrier and without becoming the
    // controlling terminal; only asked whether it is a terminal.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const bool terminal = ::isatty(fd) == 1;
    ::close(fd);
    return terminal ? QString() : QStringLiteral("Not a serial port (not a terminal device)");
}

} // namespace nearbell
