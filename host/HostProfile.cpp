#include "host/HostProfile.h"

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
