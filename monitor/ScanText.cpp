#include "monitor/ScanText.h"

#include "platform/DistanceFormat.h"

namespace nearbell {

std::optional<QString> callsignOfEntry(QStringView entry)
{
    const qsizetype blank = entry.indexOf(u' ', 1);
    if (blank < 0)
        return std::nullopt;
    QStringView callsign = entry.mid(1, blank - 1);
    if (callsign.endsWith(u'*'))
        callsign.chop(1);
    return callsign.toString();
}

QString callsignOfLine(QStringView line)
{
    const qsizetype blank = line.indexOf(u' ');
    return (blank < 0 ? line : line.left(blank)).toString();
}

QString stationLine(const QString &callsign, double distance)
{
    return callsign + QStringLiteral(" distance ") + formatDistance(distance);
}

QString watchLine(const QString &callsign, double distance)
{
    return callsign + QStringLiteral(" (watch) ") + formatDistance(distance);
}

QString directLine(const QString &callsign, double distance)
{
    return callsign + QStringLiteral(" (direct) ") + formatDistance(distance);
}

QString approachingLine(const QString &callsign, double distance)
{
    return callsign + QStringLiteral(" (approaching) ") + formatDistance(distance);
}

QString lineKey(QStringView line)
{
    const qsizetype blank = line.lastIndexOf(u' ');
    return (blank < 0 ? line : line.left(blank)).toString();
}

QString minDistCaption(int lineCount, double minDist)
{
    if (lineCount == 0)
        return QStringLiteral("No stations within alarm range");
    return QStringLiteral("(minimum distance observed is ") + formatDistance(minDist)
           + QStringLiteral(")");
}

} // namespace nearbell
