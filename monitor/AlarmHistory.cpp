#include "monitor/AlarmHistory.h"

#include "monitor/HistoryWriter.h"
#include "platform/RegularFile.h"
#include "platform/WriteFailures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QSemaphore>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <memory>

namespace nearbell {

AlarmHistory::AlarmHistory(QString path, WriteFailures *failures, QObject *parent)
    : QObject(parent),
      m_path(std::move(path)),
      m_failures(failures),
      m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    m_thread = new QThread;
    m_writer = new HistoryWriter(m_path, olderPath(), csvLine(columns()), kRotateBytes);
    m_writer->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_writer, &QObject::deleteLater);
    connect(m_writer, &HistoryWriter::written, this, [this](const QString &file, bool ok, const QString &reason) {
        if (m_failures)
            m_failures->report(file, ok, reason);
    });
    m_thread->setObjectName(QStringLiteral("alarm history"));
    m_thread->start();
}

AlarmHistory::~AlarmHistory()
{
    // Lines recorded just before the end are still written, unless the
    // disk holds them up longer than the user should wait.
    const bool answered = flush();
    disconnect(m_writer, nullptr, this, nullptr);
    if (!answered)
        return; // the writer and its thread are left to the end of the program
    if (const int left = unwritten(); left > 0) {
        QTextStream(stderr) << left << " alarm lines were not written to " << m_path << '\n';
    }
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

QString AlarmHistory::olderPath() const
{
    const QFileInfo info(m_path);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".1.") + info.suffix());
}

void AlarmHistory::record(const QList<AlarmLine> &arrivals, DistanceUnit unit)
{
    if (arrivals.isEmpty())
        return;
    const QDateTime now = m_clock().toUTC();
    QList<QByteArray> lines;
    for (const AlarmLine &arrival : arrivals)
        lines.append(csvLine(fields(arrival, unit, now)));
    m_writer->noteQueued(int(lines.size()));
    QMetaObject::invokeMethod(m_writer, [writer = m_writer, lines] { writer->add(lines); }, Qt::QueuedConnection);
}

bool AlarmHistory::flush(int waitMs)
{
    // Everything queued before this runs first; the outcomes queued back to
    // this thread are then taken in.
    const auto done = std::make_shared<QSemaphore>();
    QMetaObject::invokeMethod(m_writer, [done] { done->release(); }, Qt::QueuedConnection);
    if (!done->tryAcquire(1, waitMs)) {
        QTextStream(stderr) << "The alarm history " << m_path << " did not answer within " << waitMs
                            << " ms: " << unwritten() << " alarm lines are not written yet\n";
        return false;
    }
    QCoreApplication::sendPostedEvents(this);
    return true;
}

int AlarmHistory::unwritten() const
{
    return m_writer->unwritten();
}

QStringList AlarmHistory::columns()
{
    return {QStringLiteral("time_utc"), QStringLiteral("callsign"), QStringLiteral("distance"),
            QStringLiteral("unit"), QStringLiteral("bearing_deg"), QStringLiteral("reason"),
            QStringLiteral("source")};
}

QStringList AlarmHistory::fields(const AlarmLine &arrival, DistanceUnit unit, const QDateTime &utc)
{
    const QString reason = arrival.watch ? QStringLiteral("watch")
                           : arrival.direct ? QStringLiteral("direct")
                           : arrival.approaching ? QStringLiteral("approaching")
                                            : QStringLiteral("range");
    const QString bearing = arrival.bearing >= 0.0
                                ? QString::number(int(std::lround(arrival.bearing)) % 360)
                                : QString();
    return {utc.toUTC().toString(Qt::ISODate),
            arrival.callsign,
            QString::number(arrival.distance, 'f', 3),
            unit == DistanceUnit::Miles ? QStringLiteral("mi") : QStringLiteral("km"),
            bearing,
            reason,
            arrival.source};
}

QString AlarmHistory::guarded(const QString &field)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r'");
    QString plain = field;
    plain.replace(u'\n', u' ');
    if (!plain.isEmpty() && formulaStarts.contains(plain.front()))
        plain.prepend(u'\'');
    plain.replace(u'\r', u' ');
    return plain;
}

QString AlarmHistory::unguarded(const QString &field)
{
    // Only the guard puts a "'" first.
    return field.startsWith(u'\'') ? field.sliced(1) : field;
}

QByteArray AlarmHistory::csvLine(const QStringList &fields)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        const QString text = guarded(fields[i]);
        QByteArray field = text.toUtf8();
        if (text != fields[i] || field.contains(',') || field.contains('"')) {
            field.replace("\"", "\"\"");
            field = '"' + field + '"';
        }
        line += field;
    }
    return line + "\r\n";
}

QStringList AlarmHistory::damagedRow(const QByteArray &line)
{
    return {QStringLiteral("damaged line"), QString::fromUtf8(line.left(200)).trimmed()};
}

QList<QStringList> AlarmHistory::parseCsv(const QByteArray &text)
{
    QList<QStringList> records;
    QStringList record;
    QByteArray field;
    bool quoted = false;
    bool fieldStarted = false;
    const auto endField = [&] {
        record.append(QString::fromUtf8(field));
        field.clear();
        fieldStarted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
            fieldStarted = true;
        } else if (c == ',') {
            endField();
            fieldStarted = true; // a field follows a comma, even an empty one
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            if (fieldStarted || !field.isEmpty() || !record.isEmpty()) {
                endField();
                records.append(std::exchange(record, {}));
            }
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || !record.isEmpty()) {
        endField();
        records.append(record);
    }
    return records;
}

namespace {

// The last `most` lines of a file, oldest first, read backwards from its
// end in blocks: the cost follows the lines wanted, not the file's size.
QList<QByteArray> lastLines(QFile &file, int most)
{
    constexpr qint64 kBlock = 64 * 1024;
    QByteArray tail;
    qint64 at = file.size();
    while (at > 0 && tail.count('\n') <= most) {
        const qint64 from = std::max<qint64>(0, at - kBlock);
        if (!file.seek(from))
            break;
        tail.prepend(file.read(at - from));
        at = from;
    }
    QList<QByteArray> lines = tail.split('\n');
    if (at > 0 && !lines.isEmpty())
        lines.removeFirst(); // the part of a line before the first line end read
    QList<QByteArray> kept;
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            kept.append(line);
    }
    return kept.mid(std::max<qsizetype>(0, kept.size() - most));
}

} // namespace

QList<QStringList> AlarmHistory::readNewest(int most) const
{
    QList<QStringList> newest;
    const QByteArray header = csvLine(columns()).trimmed();
    const qsizetype width = columns().size();
    for (const QString &path : {m_path, olderPath()}) {
        QFile file;
        if (newest.size() >= most || !RegularFile::open(file, path))
            continue;
        const QList<QByteArray> lines = lastLines(file, most - int(newest.size()) + 1);
        for (qsizetype i = lines.size() - 1; i >= 0 && newest.size() < most; --i) {
            if (lines[i] == header)
                continue;
            // Every record is one line; one that is not whole is one bad row.
            const QList<QStringList> records = parseCsv(lines[i]);
            if (records.size() != 1 || records.first().size() != width || lines[i].count('"') % 2 != 0) {
                newest.append(damagedRow(lines[i]));
                continue;
            }
            QStringList row;
            for (const QString &field : records.first())
                row.append(unguarded(field));
            newest.append(row);
        }
    }
    return newest;
}

} // namespace nearbell
