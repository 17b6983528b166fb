#pragma once

#include <QMap>
#include <QString>

#include "platform/StatusPart.h"

namespace nearbell {

// Which of the program's files could not be written at their last save.
//
// Responsibilities:
//  - take the outcome of every save of the settings file and the list file;
//  - say each new failure once on standard error (not again while the same
//    file keeps failing), and forget it when a later save of that file
//    succeeds;
//  - give the status line one red part per file that is failing now, with
//    its name and the reason.
// A failed save never stops the program; it only must not go unnoticed.
class WriteFailures
{
public:
    void succeeded(const QString &path);
    void failed(const QString &path, const QString &reason);
    // One of the two, as the write went.
    void report(const QString &path, bool written, const QString &reason);

    bool isFailing(const QString &path) const { return m_failing.contains(path); }
    StatusParts statusParts() const;

    // Why a file could not be written when the writer could not say: looks
    // at the file and its folder.
    static QString probeReason(const QString &path);

private:
    QMap<QString, QString> m_failing; // path -> reason
};

} // namespace nearbell
