#pragma once

#include <QByteArrayList>
#include <QTimer>

#include "host/StationSource.h"

namespace nearbell {

// Recorded traffic played back, from the setting "REPLAY path": a file of
// TNC2 monitor lines, for demonstrations and tests.
//
// Responsibilities:
//  - read the file once at start (blank lines and "#" comments skipped),
//    only when it is a regular file, in chunks, keeping at most kMaxLines
//    lines of at most kMaxLineLength bytes (longer ones are skipped);
//  - take one line every interval, decode it and deliver its report and a
//    batch; start from the top again after the last line;
//  - say through connectionStateChanged, on standard error and in the
//    status line when the file cannot be read.
class ReplaySource : public StationSource
{
    Q_OBJECT
public:
    static constexpr qsizetype kMaxLines = 100000;
    static constexpr qsizetype kMaxLineLength = 4096;

    // A relative path names a file in folder (the program folder when empty).
    ReplaySource(const QString &path, int intervalMs, QObject *parent = nullptr,
                 const QString &folder = QString());

    void start() override;
    StatusPart status() const override;
    QString path() const { return m_path; }

    qsizetype lineCount() const { return m_lines.size(); }

private:
    bool readLines(QString &failure);
    void playNext();

    QString m_path;
    QByteArrayList m_lines;
    qsizetype m_next = 0;
    StatusPart m_state{QStringLiteral("REPLAY not started"), false};
    QTimer m_timer;
};

} // namespace nearbell
