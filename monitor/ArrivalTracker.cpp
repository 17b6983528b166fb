#include "monitor/ArrivalTracker.h"

#include <QHash>

#include <algorithm>

namespace nearbell {

namespace {

const QString distanceMark = QStringLiteral(" distance ");
const QString watchMark = QStringLiteral(" (watch) ");
const QString directMark = QStringLiteral(" (direct) ");
const QString approachingMark = QStringLiteral(" (approaching) ");

// The display form drops a leading zero (".25") and may end in the
// separator ("7."); both read back here without a locale round trip.
std::optional<double> readDistance(QStringView text, const QLocale &locale)
{
    QString number = text.toString();
    number.replace(locale.decimalPoint(), QStringLiteral("."));
    if (number.endsWith(u'.'))
        number.chop(1);
    if (number.startsWith(u'.'))
        number.prepend(u'0');
    else if (number.startsWith(QStringLiteral("-.")))
        number.insert(1, u'0');
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<AlarmLine> parseAlarmLine(QStringView line, const QLocale &locale)
{
    const qsizetype blank = line.indexOf(u' ');
    if (blank <= 0)
        return std::nullopt;
    const QStringView rest = line.mid(blank);
    AlarmLine parsed;
    qsizetype markLength = 0;
    if (rest.startsWith(distanceMark)) {
        markLength = distanceMark.size();
    } else if (rest.startsWith(watchMark)) {
        markLength = watchMark.size();
        parsed.watch = true;
    } else if (rest.startsWith(directMark)) {
        markLength = directMark.size();
        parsed.direct = true;
    } else if (rest.startsWith(approachingMark)) {
        markLength = approachingMark.size();
        parsed.approaching = true;
    } else {
        return std::nullopt;
    }
    const std::optional<double> distance = readDistance(rest.mid(markLength), locale);
    if (!distance)
        return std::nullopt;
    parsed.callsign = line.left(blank).toString();
    parsed.distance = *distance;
    return parsed;
}

QList<AlarmLine> ArrivalTracker::cycle(const QStringList &lines, const QLocale &locale)
{
    QHash<QString, AlarmLine> present;
    for (const QString &line : lines) {
        const std::optional<AlarmLine> parsed = parseAlarmLine(line, locale);
        if (!parsed)
            continue;
        auto it = present.find(parsed->callsign);
        if (it == present.end()) {
            present.insert(parsed->callsign, *parsed);
        } else {
            it->watch = it->watch || parsed->watch;
            it->direct = it->direct || parsed->direct;
            it->approaching = it->approaching || parsed->approaching;
            it->distance = std::min(it->distance, parsed->distance);
        }
    }

    QList<AlarmLine> arrived;
    QSet<QString> listed;
    listed.reserve(present.size());
    for (const AlarmLine &station : std::as_const(present)) {
        listed.insert(station.callsign);
        if (!m_listed.contains(station.callsign))
            arrived.append(station);
    }
    m_listed = std::move(listed);

    std::sort(arrived.begin(), arrived.end(), [](const AlarmLine &a, const AlarmLine &b) {
        if (a.distance != b.distance)
            return a.distance < b.distance;
        return a.callsign < b.callsign;
    });
    return arrived;
}

} // namespace nearbell
