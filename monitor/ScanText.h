#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace nearbell {

// The texts the scans cut and compose.

// The callsign of an entry of the host's station list: everything between
// the entry's first character and the first blank after it, less one
// trailing "*". No blank after the first character: no callsign (nullopt).
std::optional<QString> callsignOfEntry(QStringView entry);

// The callsign of a line of lstStations: the text before its first blank
// (the whole line when it has none).
QString callsignOfLine(QStringView line);

// "AB1CD distance 3.142" and "AB1CD (watch) 3.142".
QString stationLine(const QString &callsign, double distance);
QString watchLine(const QString &callsign, double distance);
// "AB1CD (direct) 3.142": heard direct, outside the range.
QString directLine(const QString &callsign, double distance);

// "AB1CD (approaching) 12.3": outside the range, its closest approach inside.
QString approachingLine(const QString &callsign, double distance);

// A line without its distance ("AB1CD distance"): the same station listed
// for the same reason in two cycles has the same key.
QString lineKey(QStringView line);

// The caption of lblMinDist for a list of lineCount lines.
QString minDistCaption(int lineCount, double minDist);

} // namespace nearbell
