#pragma once

#include <QFile>
#include <QString>

namespace nearbell {

// Opening the files the program reads (settings, list file, overlay files)
// only when they are regular files.
//
// Responsibilities:
//  - refuse a folder, FIFO, device or socket, also behind a symbolic link,
//    so that a pipe cannot block the window and a device such as /dev/zero
//    cannot feed it without end;
//  - never wait while refusing: the file is opened without blocking and
//    looked at through the opened handle, so nothing can be swapped in
//    between the look and the read.
class RegularFile
{
public:
    // True when path names a regular file, now open for reading in file.
    static bool open(QFile &file, const QString &path);
};

} // namespace nearbell
