#include "monitor/AckTimes.h"

#include "monitor/AckListFile.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <memory>

namespace nearbell {

AckTimes::AckTimes()
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    m_steady = [started] { return started->elapsed(); };
    m_wall = [] { return QDateTime::currentDateTimeUtc(); };
}

void AckTimes::setClocks(SteadyClock steady, WallClock wall)
{
    m_steady = std::move(steady);
    m_wall = std::move(wall);
}

void AckTimes::set(const QString &callsign, qint64 forMs)
{
    m_ends.insert(callsign, m_steady() + forMs);
}

std::optional<QDateTime> AckTimes::endsAt(const QString &callsign) const
{
    const auto it = m_ends.constFind(callsign);
    if (it == m_ends.cend())
        return std::nullopt;
    return m_wall().toUTC().addMSecs(*it - m_steady());
}

QStringList AckTimes::takeDue()
{
    const qint64 now = m_steady();
    QStringList due;
    for (auto it = m_ends.begin(); it != m_ends.end();) {
        if (*it <= now) {
            due.append(it.key());
            it = m_ends.erase(it);
        } else {
            ++it;
        }
    }
    std::sort(due.begin(), due.end());
    return due;
}

bool AckTimes::write(const QString &path) const
{
    QStringList callsigns = m_ends.keys();
    std::sort(callsigns.begin(), callsigns.end());
    QStringList lines;
    for (const QString &callsign : std::as_const(callsigns)) {
        // Whole seconds: the file names the minute the acknowledgement ends.
        const QDateTime end = endsAt(callsign)->addMSecs(500);
        lines.append(callsign + u' ' + end.toString(Qt::ISODate));
    }
    return AckListFile::write(path, lines);
}

bool AckTimes::read(const QString &path, const QStringList &acked, QStringList *readings)
{
    if (!QFileInfo::exists(path))
        return true;
    const QSet<QString> ackedSet(acked.cbegin(), acked.cend());
    const QDateTime wallNow = m_wall().toUTC();
    const qint64 steadyNow = m_steady();
    const QString name = QFileInfo(path).fileName();
    int number = 0;
    const auto tell = [&](const QString &text) {
        if (readings)
            readings->append(QStringLiteral("%1, line %2: %3").arg(name).arg(number).arg(text));
    };
    return AckListFile::read(path, [&](const QString &line) {
        ++number;
        if (line.trimmed().isEmpty())
            return;
        const qsizetype blank = line.indexOf(u' ');
        const QString callsign = blank > 0 ? line.left(blank) : QString();
        QDateTime end = blank > 0 ? QDateTime::fromString(line.mid(blank + 1).trimmed(), Qt::ISODate)
                                  : QDateTime();
        if (callsign.isEmpty() || !end.isValid()) {
            tell(QStringLiteral("not a callsign and a time; left out"));
            return;
        }
        if (!ackedSet.contains(callsign)) {
            tell(QStringLiteral("%1 is not acknowledged; left out").arg(callsign));
            return;
        }
        qint64 left = wallNow.msecsTo(end.toUTC());
        if (left > kLongestMs) {
            tell(QStringLiteral("%1 is acknowledged until %2, more than an hour ahead; taken as an hour from now")
                     .arg(callsign, end.toUTC().toString(Qt::ISODate)));
            left = kLongestMs;
        }
        if (left <= 0)
            tell(QStringLiteral("%1 was acknowledged until %2, which has passed; re-armed")
                     .arg(callsign, end.toUTC().toString(Qt::ISODate)));
        m_ends.insert(callsign, steadyNow + left);
    });
}

} // namespace nearbell
