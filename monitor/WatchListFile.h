#pragma once

#include <QString>
#include <QStringList>

namespace nearbell {

// The kept watch list on disk: one callsign per line, in the list file's
// format, written whole or not at all.
//
// Responsibilities:
//  - write the entries of lstWatch in their order;
//  - read them back as if typed into txtWatch: letters in upper case,
//    blanks dropped, empty lines left out, each change counted in one
//    reading; every other line is kept, however many there are.
class WatchListFile
{
public:
    static bool write(const QString &path, const QStringList &callsigns);
    // False when the file is there but could not be read whole (the lines
    // before the failure are in callsigns). A missing file is an empty list.
    static bool read(const QString &path, QStringList *callsigns, QStringList *readings);
    // A line as typing would have entered it.
    static QString asTyped(const QString &line);
};

} // namespace nearbell
