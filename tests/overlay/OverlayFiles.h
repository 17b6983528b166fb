#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace nearbell::test {

// Writes bytes to path, creating its folder; false when that failed.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

// An overlay object line with the name padded to eight characters, as the
// host writes it.
inline QByteArray objectLine(const QByteArray &name, const QByteArray &lat, const QByteArray &lon,
                             const QByteArray &description)
{
    return name.leftJustified(8, ' ') + '!' + lat + '/' + lon + '#' + description;
}

// The per-user store holding the host's program folder.
inline bool writeStore(const QString &storePath, const QString &programFolder)
{
    return writeBytes(storePath,
                      "[UI-View32]\r\nProgram Folder=" + programFolder.toUtf8() + "\r\n");
}

} // namespace nearbell::test
