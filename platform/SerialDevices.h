#pragma once

#include <QString>
#include <QStringList>

namespace nearbell {

// The serial ports a TNC may be on.
//
// Responsibilities:
//  - list what is present below a device folder: the stable names in
//    serial/by-id first, then ttyUSB*, ttyACM* and rfcomm*;
//  - say why a path cannot be a TNC's port: missing, or not a terminal.
class SerialDevices
{
public:
    static QStringList present(const QString &deviceFolder = QStringLiteral("/dev"));
    // Empty when the path is a terminal or not there (a TNC not plugged in
    // yet is waited for); else the reason.
    static QString problem(const QString &path);
};

} // namespace nearbell
