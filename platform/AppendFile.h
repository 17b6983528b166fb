#pragma once

#include <QByteArray>
#include <QString>

namespace nearbell {

// Appending to a file one whole piece or nothing (the alarm history).
//
// Responsibilities:
//  - open through RegularFile (regular files only, never waiting);
//  - write the piece to the end; when the write is cut short (a full disk,
//    the file size limit), cut the file back to where it ended before, so
//    that no part of the piece stays to be glued to the next one;
//  - start an empty file with a header;
//  - move a file onto another name in one step.
class AppendFile
{
public:
    struct Outcome
    {
        bool written = false;
        QString reason; // why not, when not written
    };
    static Outcome append(const QString &path, const QByteArray &piece, const QByteArray &header = QByteArray());
    // The size in bytes, -1 when there is no such file.
    static qint64 size(const QString &path);
    // Replaces `to` by `from`; false with the reason when it cannot.
    static bool move(const QString &from, const QString &to, QString *reason);
};

} // namespace nearbell
