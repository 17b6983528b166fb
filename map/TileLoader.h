#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QSet>

#include <memory>

#include "map/MapSource.h"
#include "map/TileBackoff.h"
#include "map/TileMath.h"

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace nearbell {

class MbTilesFile;

// Loads tiles on a thread of its own (never the window's): from the tile
// server through a disk cache, or from an MBTiles file; decodes them there.
//
// Responsibilities, as a good client of a volunteer-run server:
//  - every request carries the program's own User-Agent; no no-cache
//    headers, ever;
//  - the disk cache honours the server's expiry; a tile without one is kept
//    kMinimumKeepDays, then revalidated (If-None-Match, If-Modified-Since);
//  - at most maxConnections requests at once, only for the tiles last
//    wanted (those of the view and one ring): a tile no longer wanted is
//    not asked for, and one in flight is left to finish;
//  - a failed tile, or an unreachable server, waits its back-off;
//  - a tile larger than maxTileBytes, or a stalled one, is given up;
//  - every failure gives one line for the radar window; the next tile
//    that arrives clears it.
class TileLoader : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMinimumKeepDays = 7;

    struct Options
    {
        MapSource source;
        QString cacheFolder;
        QByteArray userAgent;
        int maxConnections = 2;
        qint64 maxTileBytes = 2 * 1024 * 1024;
        int transferTimeoutMs = 20'000;
        // Refuse every server but one on 127.0.0.1 (test runs).
        bool loopbackOnly = false;
    };

    explicit TileLoader(Options options);
    ~TileLoader() override;

    // The tiles to have now, most wanted first; replaces the earlier wish.
    void want(const QList<nearbell::TileKey> &keys);

signals:
    void loaded(const nearbell::TileKey &key, const QImage &image);
    // The source has no such tile: nothing is drawn there.
    void missing(const nearbell::TileKey &key);
    // Why tiles cannot be had; empty once they can again.
    void problem(const QString &line);
    // The zoom levels and area (world coordinates) the source serves.
    void coverage(int minZoom, int maxZoom, const QRectF &world);

private:
    void setUp();
    void pump();
    void pumpFile();
    void finished(QNetworkReply *reply);
    void keepAtLeastMinimum(QNetworkReply *reply);
    QImage decode(const QByteArray &bytes, const QByteArray &format, QString *why) const;
    void report(const QString &line);
    void wakeIn(qint64 ms);

    Options m_options;
    bool m_setUp = false;
    QString m_fatal; // a source that cannot serve at all
    QString m_reported;
    QNetworkAccessManager *m_network = nullptr;
    std::unique_ptr<MbTilesFile> m_file;
    bool m_formatWarned = false;
    QList<TileKey> m_wanted;
    QHash<QNetworkReply *, TileKey> m_inFlight;
    QSet<QNetworkReply *> m_tooLarge;
    TileBackoff m_backoff;
    QTimer *m_wake = nullptr;
    bool m_filePumpQueued = false;
};

} // namespace nearbell
