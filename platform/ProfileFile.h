#pragma once

#include <QList>
#include <QString>

namespace nearbell {

// Private profile ("INI") files, read and written line by line so that a
// user's file keeps its comments, order, unknown lines and 8-bit text.
//
// Rules:
//  - section and key names match without regard to letter case; blanks
//    around names and values are ignored; a value in matching double or
//    single quotes comes back without them;
//  - reading never creates or changes anything; a missing file, section or
//    key gives the default;
//  - writing replaces the value in place; a missing key is appended at the
//    end of its section, a missing section at the end of the file, a missing
//    file is created; every other line stays as it was;
//  - text is Windows-1252/Latin-1; written lines end in CRLF, except in a
//    file whose lines all end in LF, which keeps LF;
//  - a key that already holds the value written keeps its line as it is
//    (spelling, blanks, quotes), so writing what is there changes no byte;
//  - a write goes to a temporary file that then replaces the old one, so a
//    crash or a full disk never leaves a truncated file.
class ProfileFile
{
public:
    // The value, or defaultValue when the file, section or key is missing.
    static QString readString(const QString &path, const QString &section, const QString &key,
                              const QString &defaultValue);
    // True when the file was written; failures change nothing on disk and,
    // when failure is given, put the reason there in plain words.
    static bool writeString(const QString &path, const QString &section, const QString &key,
                            const QString &value, QString *failure = nullptr);

    struct Entry
    {
        QString section;
        QString key;
        QString value;
        bool remove = false; // the key's line goes instead (every line of it)
    };
    // Writes all the entries in one replacement of the file: either every
    // one is stored or the file stays as it was.
    static bool writeStrings(const QString &path, const QList<Entry> &entries,
                             QString *failure = nullptr);
};

} // namespace nearbell
