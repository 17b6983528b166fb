#include "host/HostProfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "host/aprs/NetworkStationSource.h"
#include "platform/ProfileFile.h"

#include <QFileInfo>

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

// Longer texts are no position anyone typed; they are refused before any
// digit is looked at.
constexpr qsizetype kMaxPositionLength = 24;

// "DDMM.mm" + letter (APRS form): degrees of fixed width, two minute
// digits, a point and at least one digit of decimal minutes.
std::optional<double> parseAprsForm(QStringView number, int degreeDigits)
{
    const qsizetype pointAt = degreeDigits + 2;
    if (number.size() < pointAt + 2 || number[pointAt] != u'.')
        return std::nullopt;
    for (qsizetype i = 0; i < number.size(); ++i) {
        if (i != pointAt && !isDigit(number[i]))
            return std::nullopt;
    }
    const int degrees = digitsValue(number.first(degreeDigits));
    const int minutes = digitsValue(number.sliced(degreeDigits, 2));
    if (minutes >= 60)
        return std::nullopt;
    double fraction = 0.0;
    double scale = 0.1;
    for (QChar c : number.sliced(pointAt + 1)) {
        fraction += (c.unicode() - u'0') * scale;
        scale /= 10.0;
    }
    return degrees * 60.0 + minutes + fraction;
}

// Unsigned decimal degrees ("52", "52.2057", "5.5"), as minutes of arc.
std::optional<double> parseDecimalDegrees(QStringView number)
{
    const qsizetype point = number.indexOf(u'.');
    const QStringView whole = point < 0 ? number : number.first(point);
    const QStringView fraction = point < 0 ? QStringView() : number.sliced(point + 1);
    if (whole.isEmpty() || whole.size() > 3 || (point >= 0 && fraction.isEmpty()))
        return std::nullopt;
    for (QStringView part : {whole, fraction}) {
        for (QChar c : part) {
            if (!isDigit(c))
                return std::nullopt;
        }
    }
    double value = digitsValue(whole);
    double scale = 0.1;
    for (QChar c : fraction) {
        value += (c.unicode() - u'0') * scale;
        scale /= 10.0;
    }
    return value * 60.0;
}

// The three forms people type: "5212.34N" (APRS), "52.2057N" (decimal
// degrees and a hemisphere letter) and "-52.2057" (signed decimal degrees).
std::optional<double> parseAngle(QStringView text, int degreeDigits, QChar positive,
                                 QChar negative, int maxDegrees)
{
    if (text.isEmpty() || text.size() > kMaxPositionLength)
        return std::nullopt;
    std::optional<double> value;
    bool south = false;
    const QChar letter = text.back().toUpper();
    if (letter == positive || letter == negative) {
        const QStringView number = text.chopped(1);
        const qsizetype point = number.indexOf(u'.');
        value = point == degreeDigits + 2 ? parseAprsForm(number, degreeDigits)
                                          : parseDecimalDegrees(number);
        south = letter == negative;
    } else {
        QStringView number = text;
        if (number.front() == u'-' || number.front() == u'+') {
            south = number.front() == u'-';
            number = number.sliced(1);
        }
        value = parseDecimalDegrees(number);
    }
    if (!value || *value > maxDegrees * 60.0)
        return std::nullopt;
    return south ? -*value : *value;
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
    settings.folder = QFileInfo(path).absolutePath();
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

namespace {

struct KeyText
{
    const QString &section;
    const char *key;
    QString HostProfile::Texts::*text;
};

const KeyText kKeys[] = {
    {kStation, "CALLSIGN", &HostProfile::Texts::callsign},
    {kStation, "LATITUDE", &HostProfile::Texts::latitude},
    {kStation, "LONGITUDE", &HostProfile::Texts::longitude},
    {kHost, "SOURCE", &HostProfile::Texts::source},
    {kHost, "UNITS", &HostProfile::Texts::units},
    {kHost, "EXPIRE", &HostProfile::Texts::expire},
    {kHost, "RANGE_KM", &HostProfile::Texts::rangeKm},
    {kHost, "FILTER", &HostProfile::Texts::filter},
    {kHost, "REPLAY_MS", &HostProfile::Texts::replayMs},
};

} // namespace

HostProfile::Texts HostProfile::readTexts(const QString &path)
{
    Texts texts;
    for (const KeyText &entry : kKeys)
        texts.*entry.text = ProfileFile::readString(path, entry.section, QLatin1String(entry.key), QString());
    return texts;
}

bool HostProfile::write(const QString &path, const Texts &texts)
{
    for (const KeyText &entry : kKeys) {
        if (!ProfileFile::writeString(path, entry.section, QLatin1String(entry.key), texts.*entry.text))
            return false;
    }
    return true;
}

} // namespace nearbell
