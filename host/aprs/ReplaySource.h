#pragma once

#include <QByteArrayList>
#include <QTimer>

#include "host/StationSource.h"

namespace nearbell {

// Recorded traffic played back, from the setting "REPLAY path": a file of
// TNC2 monitor lines, for demonstrations and tests.
//
// Responsibilities:
//  - read the file once at start (blank lines and "#" comments skipped);
//  - take one line every interval, decode it and deliver its report and a
//    batch; start from the top again after the last line;
//  - say through connectionStateChanged when the file cannot be read.
class ReplaySource : public StationSource
{
    Q_OBJECT
public:
    ReplaySource(const QString &path, int intervalMs, QObject *parent = nullptr);

    void start() override;

    qsizetype lineCount() const { return m_lines.size(); }

private:
    void playNext();

    QString m_path;
    QByteArrayList m_lines;
    qsizetype m_next = 0;
    QTimer m_timer;
};

} // namespace nearbell
