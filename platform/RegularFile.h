#pragma once

#include <QFile>
#include <QString>

namespace nearbell {

// The one way the program opens a file by a name the user gives or can put
// something else in place of (settings, list file, alarm history, replay
// file, TNC init file, overlay files).
//
// Responsibilities:
//  - regular files only: refuse a folder, FIFO, device or socket, also
//    behind a symbolic link, so that a pipe cannot block the window and a
//    device such as /dev/zero or /dev/full cannot feed or swallow it;
//  - never wait while refusing: the file is opened without blocking and
//    looked at through the opened handle, so nothing can be swapped in
//    between the look and the use;
//  - say why a file was refused, in plain words.
class RegularFile
{
public:
    // True when path names a regular file, now open for reading in file;
    // otherwise reason (when given) says why not.
    static bool open(QFile &file, const QString &path, QString *reason = nullptr);
    // A handle for appending to path (made when missing, mode 0644), or -1
    // with the reason. The caller closes it.
    static int openForAppend(const QString &path, QString *reason = nullptr);
    // The reason for a file of this st_mode that is not a regular file;
    // empty for a regular one.
    static QString kindProblem(unsigned mode);
};

} // namespace nearbell
