#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace nearbell {

// The permanent acknowledged list on disk: one callsign per line, 8-bit
// (Windows-1252) text, every line ending in CR LF, nothing else.
//
// Responsibilities:
//  - write all lines to a temporary file beside the list file and put it in
//    the list file's place only when everything is written, so a failure at
//    any point leaves the previous file whole;
//  - read line by line, a line ending at CR LF, CR or LF (files edited on
//    this platform end lines with LF), the last line also without an end;
//    every line, empty ones and duplicates included, goes to the caller as it
//    is read, so the lines before a read error are kept;
//  - read only a regular file, and keep at most maxLineBytes of a line: a
//    FIFO or a device in the list file's place cannot block or flood the
//    window.
class AckListFile
{
public:
    // A callsign is short; longer lines are cut to this length.
    static constexpr qsizetype maxLineBytes = 4096;

    // True when the new file is in place.
    static bool write(const QString &path, const QStringList &lines);
    // True when the whole file was read; false when it could not be opened
    // or a read failed (the lines before the failure have been delivered).
    static bool read(const QString &path, const std::function<void(const QString &)> &addLine);
};

} // namespace nearbell
