#include "common/TestRegistry.h"
#include "map/MapProjection.h"
#include "map/MapSource.h"
#include "map/TileBackoff.h"
#include "map/TileMath.h"

#include <QLineF>
#include <QTest>

using namespace nearbell;

Q_DECLARE_METATYPE(nearbell::TileKey)

class TileMathTest : public QObject
{
    Q_OBJECT

private slots:
    // Degrees to the Mercator world and back; the edges, the poles held at
    // them, the antimeridian taken round.
    void world_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<QPointF>("world");
        QTest::addColumn<double>("backLat");
        QTest::newRow("null island") << 0.0 << 0.0 << QPointF(0.5, 0.5) << 0.0;
        QTest::newRow("north edge") << TileMath::kMaxLatitude << -180.0 << QPointF(0, 0) << TileMath::kMaxLatitude;
        QTest::newRow("north pole held") << 90.0 << 0.0 << QPointF(0.5, 0) << TileMath::kMaxLatitude;
        QTest::newRow("south pole held") << -90.0 << 0.0 << QPointF(0.5, 1) << -TileMath::kMaxLatitude;
        QTest::newRow("antimeridian east") << 0.0 << 180.0 << QPointF(0, 0.5) << 0.0;
        QTest::newRow("beyond it") << 0.0 << 190.0 << QPointF(370.0 / 360.0 - 1.0, 0.5) << 0.0;
        QTest::newRow("west") << 0.0 << -90.0 << QPointF(0.25, 0.5) << 0.0;
        QTest::newRow("52 N") << 52.0 << 5.0 << QPointF(185.0 / 360.0, 0.3303151) << 52.0;
    }
    void world()
    {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(QPointF, world);
        QFETCH(double, backLat);
        const QPointF w = TileMath::world(lat, lon);
        QVERIFY2(std::abs(w.x() - world.x()) < 1e-5 && std::abs(w.y() - world.y()) < 1e-5,
                 qPrintable(QStringLiteral("%1 %2").arg(w.x(), 0, 'g', 10).arg(w.y(), 0, 'g', 10)));
        QVERIFY(std::abs(TileMath::degrees(w).x() - backLat) < 1e-6);
    }

    // Tiles of a world rectangle: zoom 0 and 19, one ring, across the
    // antimeridian, rows cut at the poles, the TMS flip and the limit.
    void tiles_data()
    {
        QTest::addColumn<QRectF>("world");
        QTest::addColumn<int>("z");
        QTest::addColumn<int>("ring");
        QTest::addColumn<int>("count");
        QTest::addColumn<TileKey>("first");
        QTest::addColumn<int>("minX");
        QTest::newRow("zoom 0, whole world") << QRectF(0, 0, 1, 1) << 0 << 0 << 1 << TileKey{0, 0, 0} << 0;
        QTest::newRow("zoom 0 with a ring") << QRectF(0.4, 0.4, 0.2, 0.2) << 0 << 1 << 3 << TileKey{0, 0, 0} << -1;
        QTest::newRow("zoom 19, one tile, ring") << QRectF(0.5, 0.5, 1e-7, 1e-7) << 19 << 1 << 9
                                                 << TileKey{19, 262144, 262144} << 262143;
        QTest::newRow("across the antimeridian") << QRectF(-0.1, 0.4, 0.2, 0.05) << 3 << 0 << 2 << TileKey{3, -1, 3}
                                                 << -1;
        QTest::newRow("top row cut") << QRectF(0.5, 0.0, 0.01, 0.01) << 4 << 1 << 6 << TileKey{4, 8, 0} << 7;
        QTest::newRow("over the limit") << QRectF(0, 0, 1, 1) << 10 << 0 << 0 << TileKey{} << 0;
    }
    void tiles()
    {
        QFETCH(QRectF, world);
        QFETCH(int, z);
        QFETCH(int, ring);
        QFETCH(int, count);
        QFETCH(TileKey, first);
        QFETCH(int, minX);
        const QList<TileKey> tiles = TileMath::tilesCovering(world, z, ring);
        QCOMPARE(tiles.size(), count);
        if (count == 0)
            return;
        QCOMPARE(tiles.first(), first);
        int least = tiles.first().x;
        for (const TileKey &t : tiles)
            least = std::min(least, t.x);
        QCOMPARE(least, minX);
        QCOMPARE(TileMath::wrapColumn(-1, z), (1 << z) - 1);
        QCOMPARE(TileMath::wrapColumn(1 << z, z), 0);
        QCOMPARE(TileMath::tmsRow(0, z), (1 << z) - 1);
        QCOMPARE(TileMath::tmsRow((1 << z) - 1, z), 0);
    }

    // The level is picked so a tile is drawn at 0.7 to 1.4 device pixels
    // per pixel; a screen of scale 2 takes the next level; held in range.
    void tileZoom_data()
    {
        QTest::addColumn<double>("pixelsPerWorld");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<int>("zoom");
        QTest::newRow("exactly zoom 0") << 256.0 << 1.0 << 0;
        QTest::newRow("1.4 of zoom 3") << 256.0 * 8 * 1.4 << 1.0 << 3;
        QTest::newRow("0.72 of zoom 4") << 256.0 * 16 * 0.72 << 1.0 << 4;
        QTest::newRow("HiDPI: one level up") << 256.0 * 8 << 2.0 << 4;
        QTest::newRow("beyond 19 held") << 256.0 * double(1 << 24) << 1.0 << 19;
        QTest::newRow("below 0 held") << 1.0 << 1.0 << 0;
        QTest::newRow("nonsense") << std::nan("") << 1.0 << 0;
    }
    void tileZoom()
    {
        QFETCH(double, pixelsPerWorld);
        QFETCH(double, ratio);
        QFETCH(int, zoom);
        const int z = TileMath::tileZoom(pixelsPerWorld, ratio);
        QCOMPARE(z, zoom);
        if (z > 0 && z < 19) {
            const double scale = pixelsPerWorld * ratio / (256.0 * (1 << z));
            QVERIFY(scale >= 0.7 && scale <= 1.42);
        }
        QCOMPARE(TileMath::tileZoom(256.0 * 1024, 1.0, 2, 6), 6);
    }

    // The projection: back and forth in every direction that is up, the
    // nearest copy of the world across the antimeridian, and the true
    // The table read for thousands of stations keeps to the exact formula
    // at the closest tile level, from edge to edge of the map and across
    // the antimeridian.
    void quickProjection()
    {
        const double closest = 256.0 * (1 << TileMath::kMaxZoom);
        for (double lat = -85.05; lat <= 85.05; lat += 0.0731) {
            const double lon = 179.99;
            const MapProjection p(TileMath::world(lat, lon), closest, 37.0, QPointF(300, 300));
            for (const QPointF d : {QPointF(0.0003, 0.02), QPointF(-0.0004, -0.03), QPointF(0.0002, 0.0)}) {
                const double there = std::clamp(lat + d.x(), -85.05, 85.05);
                const QLineF gap(p.toScreen(there, lon + d.y()), p.toScreenQuick(there, lon + d.y()));
                QVERIFY2(gap.length() < 0.1, qPrintable(QStringLiteral("%1: %2 px").arg(lat).arg(gap.length())));
            }
        }
    }

    // circle through the points at its distance.
    void projection_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("up");
        QTest::addColumn<double>("km");
        QTest::newRow("52 N, north up, 25 km") << 52.0 << 5.0 << 0.0 << 25.0;
        QTest::newRow("course 123, 500 km") << 52.0 << 5.0 << 123.0 << 500.0;
        QTest::newRow("antimeridian, 100 km") << -17.0 << 179.95 << 0.0 << 100.0;
        QTest::newRow("70 S, course 270, 1 km") << -70.0 << -60.0 << 270.0 << 1.0;
    }
    void projection()
    {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(double, up);
        QFETCH(double, km);
        const double scale = MapProjection::fitScale(lat, lon, km, 200.0);
        QVERIFY(scale > 0);
        const MapProjection p(TileMath::world(lat, lon), scale, up, QPointF(300, 300));
        QVERIFY(QLineF(p.toScreen(lat, lon), QPointF(300, 300)).length() < 1e-6);
        const QPointF corner = TileMath::destination(lat, lon, 45.0, km);
        QVERIFY(QLineF(p.toScreen(corner.x(), corner.y()), p.toScreenQuick(corner.x(), corner.y())).length() < 0.05);
        const QPolygonF ring = p.circle(lat, lon, km);
        double reach = 0;
        for (const QPointF &point : ring)
            reach = std::max(reach, QLineF(point, QPointF(300, 300)).length());
        QVERIFY2(reach <= 200.01 && reach > 190, qPrintable(QString::number(reach)));
        for (double bearing : {0.0, 45.0, 90.0, 200.0, 333.0}) {
            const QPointF there = TileMath::destination(lat, lon, bearing, km);
            const QPointF screen = p.toScreen(there.x(), there.y());
            // On the ring as drawn, and back to the same place.
            double nearest = 1e9;
            for (qsizetype i = 1; i < ring.size(); ++i) {
                const QLineF edge(ring.at(i - 1), ring.at(i));
                const QPointF d = edge.p2() - edge.p1();
                const double t = std::clamp(QPointF::dotProduct(screen - edge.p1(), d) / QPointF::dotProduct(d, d), 0.0, 1.0);
                nearest = std::min(nearest, QLineF(edge.p1() + t * d, screen).length());
            }
            QVERIFY2(nearest < 0.5, qPrintable(QString::number(nearest)));
            QPointF world = p.toWorld(screen);
            world.setX(world.x() - std::floor(world.x()));
            const QPointF back = TileMath::degrees(world);
            QVERIFY(std::abs(back.x() - there.x()) < 1e-6);
            QVERIFY(std::abs(std::remainder(back.y() - there.y(), 360.0)) < 1e-6);
            // North of the own place is up when north is up.
            if (up == 0.0 && bearing == 0.0)
                QVERIFY(std::abs(screen.x() - 300) < 1e-6 && screen.y() < 300);
        }
        QVERIFY(MapProjection::fitScale(lat, lon, 0, 200) == 0.0);
    }

    void templates_data()
    {
        QTest::addColumn<QString>("tmpl");
        QTest::addColumn<QString>("problem");
        QTest::newRow("standard") << MapSource::standardTemplate() << "";
        QTest::newRow("no {z}") << "https://t.example.org/{x}/{y}.png"
                                << "Map URL template lacks {z}: https://t.example.org/{x}/{y}.png";
        QTest::newRow("no {y}") << "https://t.example.org/{z}/{x}.png"
                                << "Map URL template lacks {y}: https://t.example.org/{z}/{x}.png";
        QTest::newRow("empty") << "  " << "Map source has no URL template";
        QTest::newRow("file scheme") << "file:///tmp/{z}/{x}/{y}.png"
                                     << "Map URL template is no http or https address: file:///tmp/{z}/{x}/{y}.png";
    }
    void templates()
    {
        QFETCH(QString, tmpl);
        QFETCH(QString, problem);
        QCOMPARE(MapSource::templateProblem(tmpl), problem);
        QCOMPARE(MapSource::tileUrl(MapSource::standardTemplate(), {3, -1, 2}).toString(),
                 QStringLiteral("https://tile.openstreetmap.org/3/7/2.png"));
    }

    // A failed tile waits 15 s, then twice as long each time, at most
    // 30 minutes; a success forgets it; the server waits likewise.
    void backoff()
    {
        TileBackoff b;
        const TileKey key{5, 1, 2};
        QVERIFY(b.mayTry(key, 0));
        b.failed(key, 1000);
        QVERIFY(!b.mayTry(key, 1000 + TileBackoff::kFirstMs - 1));
        QVERIFY(b.mayTry(key, 1000 + TileBackoff::kFirstMs));
        QVERIFY(b.mayTry({5, 1, 3}, 1000));
        b.failed(key, 100'000);
        QVERIFY(!b.mayTry(key, 100'000 + 2 * TileBackoff::kFirstMs - 1));
        for (int i = 0; i < 40; ++i)
            b.failed(key, 0);
        QVERIFY(b.mayTry(key, TileBackoff::kLongestMs));
        b.succeeded(key);
        QVERIFY(b.mayTry(key, 0));
        b.serverFailed(0);
        QCOMPARE(b.serverWaitMs(5000), TileBackoff::kFirstMs - 5000);
        b.serverAnswered();
        QVERIFY(b.serverMayTry(0));
    }
};

NEARBELL_TEST(TileMathTest)
#include "TileMathTest.moc"
