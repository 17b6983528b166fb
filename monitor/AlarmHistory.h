#pragma once

#include "host/GreatCircle.h"
#include "monitor/ArrivalTracker.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>

namespace nearbell {

class WriteFailures;

// The alarm history: every station that starts an alarm, one CSV line each,
// in alarms.csv in the program folder.
//
// Responsibilities:
//  - turn a cycle's arrivals into lines: UTC time (ISO 8601), callsign,
//    distance and its unit, bearing in whole degrees (empty when unknown),
//    reason (range, watch, direct, approaching) and source, quoted as RFC 4180 asks; a
//    new or empty file starts with the line of column names;
//  - write on a thread of its own, so that a slow disk never holds up the
//    scan, in the order recorded;
//  - before a line would take the file past kRotateBytes, move it to
//    alarms.1.csv (replacing the older one) and start afresh;
//  - refuse anything but a regular file (a folder, a FIFO) without waiting,
//    and tell WriteFailures the outcome of every write so that a failing
//    file shows on the status line;
//  - read the newest lines back for the history window, newest first, from
//    both files, at most a given number.
class AlarmHistory : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kRotateBytes = 1024 * 1024;
    static constexpr int kMostShown = 10000;

    // path is the current file; the older one is its name with ".1" before
    // the extension. failures may be null.
    AlarmHistory(QString path, WriteFailures *failures, QObject *parent = nullptr);
    ~AlarmHistory() override;

    static QString fileName() { return QStringLiteral("alarms.csv"); }
    const QString &path() const { return m_path; }
    QString olderPath() const;

    using Clock = std::function<QDateTime()>;
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // Appends one line per arrival; returns at once.
    void record(const QList<AlarmLine> &arrivals, DistanceUnit unit);
    // Waits until everything recorded so far has been written and its
    // outcome told (for shutdown and tests).
    void flush();

    static QStringList columns();
    static QStringList fields(const AlarmLine &arrival, DistanceUnit unit, const QDateTime &utc);
    static QByteArray csvLine(const QStringList &fields);
    // Every record of a CSV text (RFC 4180: quoted fields may hold commas,
    // doubled quotes and line breaks; CRLF or LF ends a record).
    static QList<QStringList> parseCsv(const QByteArray &text);
    // The newest records of both files, newest first, without the column
    // names, at most `most` of them.
    QList<QStringList> readNewest(int most = kMostShown) const;

signals:
    // From the writing thread to this one.
    void writeDone(const QString &path, bool ok, const QString &reason);

private:
    QString m_path;
    WriteFailures *m_failures;
    Clock m_clock;
    QThread m_thread;
    QObject *m_writer = nullptr; // lives on m_thread
};

} // namespace nearbell
