#include "host/HostProfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "host/aprs/NetworkStationSource.h"
#include "platform/ProfileFile.h"

namespace nearbell {

namespace {

const QString kStation = QStringLiteral("STATION");
const QString kHost = QStringLiteral("HOST");

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

int digitsValue(QStringView digits)
{
    int value = 0;
    for (QChar c : digits)
        value = value * 10 + (c.unicode() - u'0');
    return value;
}

std::optional<double> parseAngle(QStringView text, int degreeDigits, QChar positive,
                                 QChar negative, int maxDegrees)
{
    // Smallest form: degrees, two minute digits, ".", one digit, letter.
    const qsizetype pointAt = degreeDigits + 2;
    if (text.size() < pointAt + 3)
        return std::nullopt;
    for (qsizetype i = 0; i < pointAt; ++i) {
        if (!isDigit(text[i]))
            return std::nullopt;
    }
    if (text[pointAt] != u'.')
        return std::nullopt;
    const qsizetype letterAt = text.size() - 1;
    for (qsizetype i = pointAt + 1; i < letterAt; ++i) {
        if (!isDigit(text[i]))
            return std::nullopt;
    }
    const QChar letter = text[letterAt].toUpper();
    if (letter != positive && letter != negative)
        return std::nullopt;

    const int degrees = digitsValue(text.first(degreeDigits));
    const int minutes = digitsValue(text.sliced(degreeDigits, 2));
    double fraction = 0.0;
    double scale = 0.1;
    for (QChar c : text.sliced(pointAt + 1, letterAt - pointAt - 1)) {
        fraction += (c.unicode() - u'0') * scale;
        scale /= 10.0;
    }
    if (minutes >= 60)
        return std::nullopt;
    const double value = degrees * 60.0 + minutes + fraction;
    if (value > maxDegrees * 60.0)
        return std::nullopt;
    return letter == negative ? -value : value;
}

// A whole number of at least minimum, else the default.
int readInt(const QString &path, const QString &key, int defaultValue, int minimum)
{
    const QString text = ProfileFile::readString(path, kHost, key, QString()).trimmed();
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= minimum ? value : defaultValue;
}

} // namespace

std::optional<double> HostProfile::parseLatitude(QStringView text)
{
    return parseAngle(text, 2, u'N', u'S', 90);
}

std::optional<double> HostProfile::parseLongitude(QStringView text)
{
    return parseAngle(text, 3, u'E', u'W', 180);
}

bool HostProfile::parsePositionSource(QStringView text, HostSettings &settings)
{
    text = text.trimmed();
    if (text.isEmpty())
        return true;
    const qsizetype blank = text.indexOf(u' ');
    const QStringView kind = blank < 0 ? text : text.first(blank);
    if (kind.compare(QLatin1String("GPSD"), Qt::CaseInsensitive) != 0)
        return false;
    if (blank >= 0) {
        QString host;
        quint16 port = 0;
        if (!NetworkStationSource::parseHostPort(text.sliced(blank + 1), host, port))
            return false;
        settings.gpsdHost = host;
        settings.gpsdPort = port;
    }
    settings.positionFromGpsd = true;
    return true;
}

HostSettings HostProfile::read(const QString &path)
{
    HostSettings settings;
    settings.callsign = ProfileFile::readString(path, kStation, QStringLiteral("CALLSIGN"), QString());

    const auto latitude = parseLatitude(
        ProfileFile::readString(path, kStation, QStringLiteral("LATITUDE"), QString()).trimmed());
    const auto longitude = parseLongitude(
        ProfileFile::readString(path, kStation, QStringLiteral("LONGITUDE"), QString()).trimmed());
    if (latitude && longitude) {
        settings.hasOwnPosition = true;
        settings.ownLatitude = *latitude;
        settings.ownLongitude = *longitude;
    }

    // An empty SOURCE names nothing; it counts as missing.
    const QString source = ProfileFile::readString(path, kHost, QStringLiteral("SOURCE"), QString())
                               .trimmed();
    if (!source.isEmpty())
        settings.source = source;

    const QString units = ProfileFile::readString(path, kHost, QStringLiteral("UNITS"), QString())
                              .trimmed();
    settings.unitsMiles = units.compare(QLatin1String("MILES"), Qt::CaseInsensitive) == 0;

    const HostSettings defaults;
    settings.expireMinutes = readInt(path, QStringLiteral("EXPIRE"), defaults.expireMinutes, 1);
    settings.rangeKm = readInt(path, QStringLiteral("RANGE_KM"), defaults.rangeKm, 1);
    settings.replayMs = readInt(path, QStringLiteral("REPLAY_MS"), defaults.replayMs, 0);
    settings.filter = ProfileFile::readString(path, kHost, QStringLiteral("FILTER"), QString()).trimmed();

    // The init file is named beside the profile unless the path is absolute.
    const QString init = ProfileFile::readString(path, kHost, QStringLiteral("SERIAL_INIT"), QString())
                             .trimmed();
    if (!init.isEmpty())
        settings.serialInit = QFileInfo(path).absoluteDir().absoluteFilePath(init);

    const QString position = ProfileFile::readString(path, kStation, QStringLiteral("POSITION"),
                                                     QString());
    if (!parsePositionSource(position, settings)) {
        QTextStream(stderr) << "Own position source \"" << position.trimmed()
                            << "\" is not understood: the fixed position is used\n";
    }
    return settings;
}

} // namespace nearbell
