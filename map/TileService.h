#pragma once

#include <QCache>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QSet>
#include <QThread>

#include "map/MapSource.h"
#include "map/TileLoader.h"
#include "map/TileMath.h"

namespace nearbell {

// The window's side of the tile layer.
//
// Responsibilities:
//  - run a TileLoader on a thread of its own for the source in force, and
//    start a fresh one when the source changes;
//  - hold the decoded tiles in a least-recently-used store bounded by
//    kMemoryBytes, whatever the zoom and window size;
//  - pass on which tiles the view needs, only those not held, only when
//    that changes; answer the view at once with what is held, never
//    waiting for the disk or the network;
//  - the line telling why tiles are missing, and the source's coverage.
class TileService : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kMemoryBytes = 48LL * 1024 * 1024;

    explicit TileService(QObject *parent = nullptr);
    ~TileService() override;

    // $XDG_CACHE_HOME/nearbell/tiles
    static QString defaultCacheFolder();
    // "Nearbell/<version> (+<home page>)"
    static QByteArray userAgent();

    // Every service made from now on asks no server but one on 127.0.0.1.
    static void setLoopbackOnly(bool only);

    // Starts over with the source; options beyond it are for tests.
    void setSource(const MapSource &source);
    void setOptions(const TileLoader::Options &options);
    const MapSource &source() const { return m_options.source; }

    // The tiles the view shows, most needed first.
    void want(const QList<TileKey> &keys);
    // The tile when it is held (the store's use order is refreshed).
    const QImage *tile(const TileKey &key) const { return m_tiles.object(key); }
    bool isMissing(const TileKey &key) const { return m_missing.contains(key); }

    QString problem() const { return m_problem; }
    int minZoom() const { return m_minZoom; }
    int maxZoom() const { return m_maxZoom; }
    QRectF coverage() const { return m_coverage; }
    qint64 heldBytes() const { return qint64(m_tiles.totalCost()) * 1024; }
    int heldTiles() const { return int(m_tiles.size()); }

signals:
    // The tiles held changed: some came, or a new source dropped them all.
    void tilesArrived();
    void problemChanged(const QString &line);

private:
    void stop();
    void start();

    TileLoader::Options m_options;
    QThread m_thread;
    TileLoader *m_loader = nullptr;
    mutable QCache<TileKey, QImage> m_tiles;
    QSet<TileKey> m_missing;
    QList<TileKey> m_asked;
    QString m_problem;
    int m_minZoom = 0;
    int m_maxZoom = TileMath::kMaxZoom;
    QRectF m_coverage = QRectF(0, 0, 1, 1);
};

} // namespace nearbell
