#include "app/MapSettings.h"

#include "platform/A_GetSetIniFile.h"
#include "platform/BlankTrim.h"
#include "platform/ProfileFile.h"
#include "platform/WriteFailures.h"

namespace nearbell {

namespace {
const QString urlKind = QStringLiteral("URL");
const QString fileKind = QStringLiteral("MBTILES");
const QString standardKind = QStringLiteral("STANDARD");
} // namespace

MapSettings::MapSettings(QString iniFile, WriteFailures *failures)
    : m_iniFile(std::move(iniFile)), m_failures(failures)
{
}

bool MapSettings::shown() const
{
    // On unless the file says otherwise, read as every switch of the file is.
    QString text = trimBlanks(ProfileFile::readString(m_iniFile, sectionName(), QStringLiteral("SHOW"), QString()));
    return text.isEmpty() || IsTrueText(text);
}

MapSource MapSettings::source() const
{
    auto read = [this](const QString &key) {
        return trimBlanks(ProfileFile::readString(m_iniFile, sectionName(), key, QString()));
    };
    MapSource source;
    const QString kind = read(QStringLiteral("SOURCE"));
    source.urlTemplate = read(QStringLiteral("URL"));
    source.file = read(QStringLiteral("FILE"));
    source.attribution = read(QStringLiteral("ATTRIBUTION"));
    if (kind.compare(urlKind, Qt::CaseInsensitive) == 0 && !source.urlTemplate.isEmpty())
        source.kind = MapSource::Kind::Template;
    else if (kind.compare(fileKind, Qt::CaseInsensitive) == 0 && !source.file.isEmpty())
        source.kind = MapSource::Kind::MbTiles;
    return source;
}

void MapSettings::saveShown(bool shown)
{
    write(QStringLiteral("SHOW"), BoolToText(shown ? -1 : 0));
}

void MapSettings::saveSource(const MapSource &source)
{
    const QString kind = source.kind == MapSource::Kind::Template  ? urlKind
                         : source.kind == MapSource::Kind::MbTiles ? fileKind
                                                                   : standardKind;
    write(QStringLiteral("SOURCE"), kind);
    write(QStringLiteral("URL"), source.urlTemplate);
    write(QStringLiteral("FILE"), source.file);
    write(QStringLiteral("ATTRIBUTION"), source.attribution);
}

void MapSettings::write(const QString &key, const QString &value)
{
    QString reason;
    const bool written = ProfileFile::writeString(m_iniFile, sectionName(), key, value, &reason);
    if (m_failures)
        m_failures->report(m_iniFile, written, reason);
}

} // namespace nearbell
