#pragma once

#include <QString>
#include <QUrl>

#include "map/TileMath.h"

namespace nearbell {

// Where the map's tiles come from, and whom the map thanks for them.
//
// Responsibilities:
//  - the standard source: the OpenStreetMap tile server and its
//    attribution, the only place these two are written;
//  - a URL template with {z}, {x} and {y}, over http or https;
//  - an MBTiles file, read only;
//  - what is wrong with a template, in a line for the radar window;
//  - the address of one tile.
struct MapSource
{
    enum class Kind { Standard, Template, MbTiles };

    static QString standardTemplate() { return QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png"); }
    static QString standardAttribution() { return QStringLiteral("\u00A9 OpenStreetMap contributors"); }

    Kind kind = Kind::Standard;
    QString urlTemplate; // Kind::Template
    QString file;        // Kind::MbTiles
    QString attribution; // empty: the standard one for the standard source

    // The template in force (the standard one for Kind::Standard).
    QString effectiveTemplate() const;
    QString effectiveAttribution() const;
    // Empty when the template can be used, else why not.
    static QString templateProblem(const QString &urlTemplate);
    // The tile's address; the column is taken round the earth first.
    static QUrl tileUrl(const QString &urlTemplate, const TileKey &key);

    friend bool operator==(const MapSource &a, const MapSource &b) = default;
};

} // namespace nearbell
