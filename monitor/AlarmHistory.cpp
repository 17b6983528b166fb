#include "monitor/AlarmHistory.h"

#include "platform/WriteFailures.h"
#include "platform/RegularFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nearbell {

namespace {

// Appends to the history file on the writing thread. Opened without
// blocking and checked through the handle, so a FIFO or folder put in the
// file's place is refused instead of waited on.
struct WriteOutcome
{
    bool ok = true;
    QString reason;
};

WriteOutcome fail(const QString &reason)
{
    return {false, reason};
}

int openForAppend(const QString &path, struct stat &st, QString &reason)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        reason = QStringLiteral("not a regular file");
        return -1;
    }
    return fd;
}

bool writeAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

WriteOutcome append(const QString &path, const QString &olderPath, const QByteArray &lines)
{
    const QByteArray header = AlarmHistory::csvLine(AlarmHistory::columns());
    QString reason;
    struct stat st{};
    int fd = openForAppend(path, st, reason);
    if (fd < 0)
        return fail(reason);
    WriteOutcome outcome;
    if (st.st_size > 0 && st.st_size + lines.size() > AlarmHistory::kRotateBytes) {
        ::close(fd);
        // rename() replaces the older file in one step: one old file is kept.
        if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(olderPath).constData()) != 0)
            outcome = fail(QStringLiteral("cannot move to %1: %2")
                               .arg(QFileInfo(olderPath).fileName(), QString::fromLocal8Bit(std::strerror(errno))));
        fd = openForAppend(path, st, reason);
        if (fd < 0)
            return fail(reason);
    }
    const bool written = writeAll(fd, st.st_size == 0 ? header + lines : lines);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed)
        return fail(QStringLiteral("the write failed (disk full or file size limit?)"));
    return outcome;
}

} // namespace

AlarmHistory::AlarmHistory(QString path, WriteFailures *failures, QObject *parent)
    : QObject(parent),
      m_path(std::move(path)),
      m_failures(failures),
      m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    m_writer = new QObject;
    m_writer->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_writer, &QObject::deleteLater);
    connect(this, &AlarmHistory::writeDone, this, [this](const QString &file, bool ok, const QString &reason) {
        if (m_failures)
            m_failures->report(file, ok, reason);
    });
    m_thread.setObjectName(QStringLiteral("alarm history"));
    m_thread.start();
}

AlarmHistory::~AlarmHistory()
{
    // Lines recorded just before the end are still written.
    QMetaObject::invokeMethod(m_writer, [] {}, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
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
    QByteArray lines;
    for (const AlarmLine &arrival : arrivals)
        lines += csvLine(fields(arrival, unit, now));
    QMetaObject::invokeMethod(m_writer, [this, path = m_path, older = olderPath(), lines] {
        const WriteOutcome outcome = append(path, older, lines);
        emit writeDone(path, outcome.ok, outcome.reason);
    }, Qt::QueuedConnection);
}

void AlarmHistory::flush()
{
    // Everything queued before this runs first; the outcomes queued back to
    // this thread are then taken in.
    QMetaObject::invokeMethod(m_writer, [] {}, Qt::BlockingQueuedConnection);
    QCoreApplication::sendPostedEvents(this);
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

QByteArray AlarmHistory::csvLine(const QStringList &fields)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        QByteArray field = fields[i].toUtf8();
        if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r')) {
            field.replace("\"", "\"\"");
            field = '"' + field + '"';
        }
        line += field;
    }
    return line + "\r\n";
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

QList<QStringList> AlarmHistory::readNewest(int most) const
{
    QList<QStringList> newest;
    for (const QString &path : {m_path, olderPath()}) {
        QFile file;
        if (newest.size() >= most || !RegularFile::open(file, path))
            continue;
        // Both files stay near kRotateBytes, so each is read whole.
        QList<QStringList> records = parseCsv(file.read(2 * kRotateBytes));
        if (!records.isEmpty() && records.first() == columns())
            records.removeFirst();
        for (qsizetype i = records.size() - 1; i >= 0 && newest.size() < most; --i)
            newest.append(records[i]);
    }
    return newest;
}

} // namespace nearbell
