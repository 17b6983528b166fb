#pragma once

#include <QByteArray>
#include <QRectF>
#include <QString>

#include <optional>

#include "map/TileMath.h"

namespace nearbell {

// An MBTiles file (SQLite) opened read only.
//
// Responsibilities:
//  - refuse, with a line for the radar window, a file that is missing, no
//    SQLite database, or lacks the tiles table;
//  - its metadata: format, minzoom, maxzoom and bounds (degrees, west,
//    south, east, north), with sound defaults where missing or absurd;
//  - one tile's bytes by its XYZ key (the file counts rows bottom up);
//    none where the file has none.
// Uses a database connection of its own name, so one file per thread.
class MbTilesFile
{
public:
    explicit MbTilesFile(QString connectionName);
    ~MbTilesFile();
    MbTilesFile(const MbTilesFile &) = delete;
    MbTilesFile &operator=(const MbTilesFile &) = delete;

    // Empty on success, else why the file cannot serve.
    QString open(const QString &path);
    bool isOpen() const { return m_open; }

    QString format() const { return m_format; } // "png", "jpg", "webp"...
    int minZoom() const { return m_minZoom; }
    int maxZoom() const { return m_maxZoom; }
    // The area the file covers, in world coordinates (TileMath).
    QRectF worldBounds() const { return m_bounds; }

    std::optional<QByteArray> tile(const TileKey &key);

private:
    void close();

    QString m_connection;
    bool m_open = false;
    QString m_format = QStringLiteral("png");
    int m_minZoom = 0;
    int m_maxZoom = TileMath::kMaxZoom;
    QRectF m_bounds = QRectF(0, 0, 1, 1);
};

} // namespace nearbell
