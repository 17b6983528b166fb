#pragma once

#include "host/GreatCircle.h"
#include "monitor/ArrivalTracker.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QThread;

namespace nearbell {

class HistoryWriter;
class WriteFailures;

// The alarm history: every station that starts an alarm, one CSV line each,
// in alarms.csv in the program folder.
//
// Responsibilities:
//  - turn a cycle's arrivals into lines: UTC time (ISO 8601), callsign,
//    distance and its unit, bearing in whole degrees (empty when unknown),
//    reason (range, watch, direct, approaching) and source, quoted as RFC 4180 asks; a
//    new or empty file starts with the line of column names;
//    a field that a spreadsheet would take for a formula (it starts with
//    "=", "+", "-", "@", a tab or a carriage return) gets a leading "'",
//    and a line break inside a field becomes a blank, so that every record
//    is one line;
//  - write through HistoryWriter, on a thread of its own: whole lines or
//    none, lines that could not be written kept and written again, the
//    file rotated at kRotateBytes to alarms.1.csv;
//  - tell WriteFailures the outcome of every write, so that the status
//    line stays red while anything is kept or the rotation fails;
//  - never wait on the disk for more than kWaitMs (opening the window,
//    quitting): then go on and say on standard error how many lines were
//    not written;
//  - read the newest lines back for the history window, newest first, from
//    the end of both files however large they are, at most a given number;
//    a damaged line is one row marked as such.
class AlarmHistory : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kRotateBytes = 1024 * 1024;
    static constexpr int kMostShown = 10000;
    static constexpr int kWaitMs = 2000;

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
    // Waits until the writer has taken everything recorded so far and its
    // outcome is told, for at most waitMs; false (and a line on standard
    // error) when the disk did not answer in time.
    bool flush(int waitMs = kWaitMs);
    // Lines recorded and not yet in the file (waiting or kept).
    int unwritten() const;
    // The writer itself (its retry interval, a hook before each write).
    HistoryWriter &writer() { return *m_writer; }

    static QStringList columns();
    static QStringList fields(const AlarmLine &arrival, DistanceUnit unit, const QDateTime &utc);
    static QByteArray csvLine(const QStringList &fields);
    // A field as written and as read back: the guard against formulas.
    static QString guarded(const QString &field);
    static QString unguarded(const QString &field);
    // The row for a line that is not a whole record: its text, marked.
    static QStringList damagedRow(const QByteArray &line);
    // Every record of a CSV text (RFC 4180: quoted fields may hold commas,
    // doubled quotes and line breaks; CRLF or LF ends a record).
    static QList<QStringList> parseCsv(const QByteArray &text);
    // The newest records of both files, newest first, without the column
    // names, at most `most` of them.
    QList<QStringList> readNewest(int most = kMostShown) const;

private:
    QString m_path;
    WriteFailures *m_failures;
    Clock m_clock;
    QThread *m_thread = nullptr;
    HistoryWriter *m_writer = nullptr; // lives on m_thread
};

} // namespace nearbell
