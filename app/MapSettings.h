#pragma once

#include <QString>

#include "map/MapSource.h"

namespace nearbell {

class WriteFailures;

// The radar's map in the settings file, section "MAP".
//
// Responsibilities:
//  - SHOW: "TRUE" or "FALSE", whether the map is drawn; on when missing;
//  - SOURCE: "STANDARD", "URL" or "MBTILES"; the standard tile server when
//    missing or unknown, and when a URL or file it names is missing;
//  - URL: the template, FILE: the MBTiles file, ATTRIBUTION: the text
//    shown in the map's corner (empty: the standard source's own);
//  - nothing is written until the user changes something, and every write
//    reports its outcome to the program's list of failed writes.
class MapSettings
{
public:
    MapSettings(QString iniFile, WriteFailures *failures);

    static QString sectionName() { return QStringLiteral("MAP"); }

    bool shown() const;
    MapSource source() const;

    void saveShown(bool shown);
    void saveSource(const MapSource &source);

private:
    void write(const QString &key, const QString &value);

    QString m_iniFile;
    WriteFailures *m_failures;
};

} // namespace nearbell
