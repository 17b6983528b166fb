#pragma once

#include <QString>
#include <QStringList>

namespace nearbell {

// The serial ports a TNC may be on.
//
// Responsibilities:
//  - list what is present below a device folder: the stable names in
//    serial/by-id first, then ttyUSB*, ttyACM* and rfcomm*;
//  - say why a path cannot be a TNC's port (a folder, not a terminal
//    device, no permission) from what the file is, without opening it:
//    many USB TNCs reset when their port is opened.
class SerialDevices
{
public:
    static QStringList present(const QString &deviceFolder = QStringLiteral("/dev"));
    // Empty when the path is a terminal or not there (a TNC not plugged in
    // yet is waited for); else the reason.
    static QString problem(const QString &path, const QString &sysDevChar = QStringLiteral("/sys/dev/char"));
    // Whether the character device major:minor is a terminal, as the
    // kernel's device tree (sysDevChar) files it.
    static bool terminalClass(unsigned major, unsigned minor, const QString &sysDevChar);
};

} // namespace nearbell
