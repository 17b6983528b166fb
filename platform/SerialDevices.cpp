#include "platform/SerialDevices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/sysmacros.h>
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

bool SerialDevices::terminalClass(unsigned major, unsigned minor, const QString &sysDevChar)
{
    // Pseudo-terminal ends are not in the device tree.
    if (major >= 136 && major <= 143)
        return true;
    const QString entry = QStringLiteral("%1/%2:%3").arg(sysDevChar).arg(major).arg(minor);
    if (!QFileInfo(sysDevChar).isDir())
        return true; // nothing to ask: the port's own open will tell
    const QFileInfo subsystem(entry + QStringLiteral("/subsystem"));
    return subsystem.exists() && QFileInfo(subsystem.canonicalFilePath()).fileName() == QLatin1String("tty");
}

QString SerialDevices::problem(const QString &path, const QString &sysDevChar)
{
    // Only looked at, never opened: many TNCs reset when their port opens.
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("A folder, not a serial port");
    if (!S_ISCHR(st.st_mode) || !terminalClass(::major(st.st_rdev), ::minor(st.st_rdev), sysDevChar))
        return QStringLiteral("Not a serial port (not a terminal device)");
    if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0)
        return QStringLiteral("No permission to use it: add yourself to the group %1")
            .arg(QFileInfo(path).group().isEmpty() ? QStringLiteral("of the device") : QFileInfo(path).group());
    return {};
}

} // namespace nearbell
