#include "host/HostProfile.h"

#include <QDir>
#include <QFileInfo>

#include "host/SourceId.h"
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

// Longer texts are no position anyone typed; they are refused before any
// digit is looked at.
constexpr qsizetype kMaxPositionLength = 24;

// Longer than any path the system can open.
constexpr qsizetype kMaxPathLength = 4096;

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

// A whole number from minimum to maximum, else the default (and a word
// for the status line when the key holds something else).
int readInt(const QString &text, const char *key, int defaultValue, int minimum, int maximum,
            QStringList &problems)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const int value = trimmed.toInt(&ok);
    if (ok && value >= minimum && value <= maximum)
        return value;
    if (!trimmed.isEmpty()) {
        problems.append(QStringLiteral("uiview32.ini, HOST, %1 \"%2\" is not a number from %3 to %4: %5 is used")
                            .arg(QLatin1String(key), trimmed.left(40))
                            .arg(minimum)
                            .arg(maximum)
                            .arg(defaultValue));
    }
    return defaultValue;
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
    return settingsOf(readTexts(path), QFileInfo(path).absolutePath());
}

HostSettings HostProfile::settingsOf(const Texts &texts, const QString &folder)
{
    HostSettings settings;
    const HostSettings defaults;
    settings.folder = folder;
    settings.callsign = texts.callsign;

    const auto latitude = parseLatitude(texts.latitude.trimmed());
    const auto longitude = parseLongitude(texts.longitude.trimmed());
    if (latitude && longitude) {
        settings.hasOwnPosition = true;
        settings.ownLatitude = *latitude;
        settings.ownLongitude = *longitude;
    }

    // An empty SOURCE names nothing; it counts as missing.
    settings.source = SourceLine::parse(texts.source);
    if (settings.source.kind == SourceLine::Kind::Unknown) {
        settings.problems.append(QStringLiteral("uiview32.ini, HOST, SOURCE: %1: no stations will be heard")
                                     .arg(settings.source.problem));
    }

    // More sources with the same syntax; an empty line names none, and a
    // source named twice is heard once.
    const QString more[] = {texts.source2, texts.source3, texts.source4};
    QList<std::pair<QString, SourceId>> named{{QStringLiteral("SOURCE"), SourceId(settings.source)}};
    for (int i = 0; i < HostSettings::kMaxSources - 1; ++i) {
        if (more[i].trimmed().isEmpty())
            continue;
        const SourceLine sourceLine = SourceLine::parse(more[i]);
        const QString key = QStringLiteral("SOURCE%1").arg(i + 2);
        const SourceId id(sourceLine);
        if (sourceLine.kind == SourceLine::Kind::Unknown) {
            settings.problems.append(QStringLiteral("uiview32.ini, HOST, %1: %2: no stations will be heard from it")
                                         .arg(key, sourceLine.problem));
        }
        for (const auto &[earlier, earlierId] : std::as_const(named)) {
            if (earlierId == id) {
                settings.problems.append(QStringLiteral("uiview32.ini, HOST, %1 names the same source as %2 "
                                                        "(%3): it is heard once")
                                             .arg(key, earlier, id.text().left(80)));
                break;
            }
        }
        named.append({key, id});
        settings.moreSources.append(sourceLine);
    }

    settings.unitsMiles = texts.units.trimmed().compare(QLatin1String("MILES"), Qt::CaseInsensitive) == 0;
    settings.expireMinutes = readInt(texts.expire, "EXPIRE", defaults.expireMinutes, 1,
                                     HostSettings::kMaxExpireMinutes, settings.problems);
    settings.rangeKm = readInt(texts.rangeKm, "RANGE_KM", defaults.rangeKm, 1, HostSettings::kMaxRangeKm,
                               settings.problems);
    settings.replayMs = readInt(texts.replayMs, "REPLAY_MS", defaults.replayMs, 0, HostSettings::kMaxReplayMs,
                                settings.problems);
    settings.filter = texts.filter.trimmed();

    // The init file is named beside the profile unless the path is absolute.
    const QString init = texts.serialInit.trimmed();
    if (init.size() > kMaxPathLength) {
        settings.problems.append(QStringLiteral("uiview32.ini, HOST, SERIAL_INIT is %1 characters long, "
                                                "no file name is: no init file is sent")
                                     .arg(init.size()));
    } else if (!init.isEmpty()) {
        settings.serialInit = QDir(folder).absoluteFilePath(init);
    }

    if (!parsePositionSource(texts.position, settings)) {
        settings.problems.append(QStringLiteral("uiview32.ini, STATION, POSITION \"%1\" is not understood "
                                                "(GPSD or GPSD host:port): the fixed position is used")
                                     .arg(texts.position.trimmed().left(60)));
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
    {kStation, "POSITION", &HostProfile::Texts::position},
    {kHost, "SERIAL_INIT", &HostProfile::Texts::serialInit},
    {kHost, "SOURCE2", &HostProfile::Texts::source2},
    {kHost, "SOURCE3", &HostProfile::Texts::source3},
    {kHost, "SOURCE4", &HostProfile::Texts::source4},
};

} // namespace

HostProfile::Texts HostProfile::readTexts(const QString &path)
{
    Texts texts;
    for (const KeyText &entry : kKeys)
        texts.*entry.text = ProfileFile::readString(path, entry.section, QLatin1String(entry.key), QString());
    return texts;
}

bool HostProfile::write(const QString &path, const Texts &before, const Texts &after, QString *failure)
{
    QList<ProfileFile::Entry> changed;
    for (const KeyText &entry : kKeys) {
        if (before.*entry.text == after.*entry.text)
            continue;
        // A source line taken away leaves no empty key behind.
        const bool moreSource = QByteArrayView(entry.key).startsWith("SOURCE") && QByteArrayView(entry.key) != "SOURCE";
        changed.append({entry.section, QLatin1String(entry.key), after.*entry.text,
                        moreSource && (after.*entry.text).trimmed().isEmpty()});
    }
    if (changed.isEmpty())
        return true;
    return ProfileFile::writeStrings(path, changed, failure);
}

} // namespace nearbell
