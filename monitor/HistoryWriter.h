#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <functional>

class QTimer;

namespace nearbell {

// The alarm history's writer, on a thread of its own so that a slow disk
// never holds up the scan.
//
// Responsibilities:
//  - append the lines given, in order, whole or not at all (AppendFile);
//  - keep the lines that could not be written (at most kMostKept, the
//    oldest given up first and counted) and write them again, before any
//    later one, at the next line and every kRetryMs, until they are in;
//  - before a piece would take the file past rotateBytes, move it to the
//    older name (replacing the one there) and start afresh; a move that
//    fails is told, and the lines still go into the current file;
//  - tell the outcome of every attempt: written(ok) only when nothing is
//    kept and the file rotates as it should;
//  - count the lines given to it and not yet written, for any thread.
class HistoryWriter : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMostKept = 10000;
    static constexpr int kRetryMs = 5000;

    HistoryWriter(QString path, QString olderPath, QByteArray header, qint64 rotateBytes);

    // Any thread: lines about to be handed over with add().
    void noteQueued(int lines) { m_unwritten += lines; }
    int unwritten() const { return m_unwritten; }

    // The writer's thread only.
    void add(const QList<QByteArray> &lines);
    void writeKept();
    void setRetryMs(int ms) { m_retryMs = ms; }
    // Runs before each write (a test holds the disk up with it).
    void setBeforeWrite(std::function<void()> hook) { m_beforeWrite = std::move(hook); }

signals:
    void written(const QString &path, bool ok, const QString &reason);

private:
    QString m_path;
    QString m_olderPath;
    QByteArray m_header;
    qint64 m_rotateBytes;
    std::deque<QByteArray> m_kept;
    qint64 m_lost = 0;
    std::atomic<int> m_unwritten{0};
    int m_retryMs = kRetryMs;
    QTimer *m_retry = nullptr;
    std::function<void()> m_beforeWrite;
};

} // namespace nearbell
