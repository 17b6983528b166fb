#include "TileServer.h"
#include "common/TestRegistry.h"
#include "map/TileService.h"
#include "ui/RadarView.h"

#include <QPainter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>
#include <QWheelEvent>

using namespace nearbell;

namespace {

constexpr double kOwnLat = 52.0;
constexpr double kOwnLon = 5.0;

RadarInput eastStation(double rangeKm, double up)
{
    RadarInput input;
    input.hasOwnPosition = true;
    input.ownLatitude = kOwnLat * 60;
    input.ownLongitude = kOwnLon * 60;
    input.range = rangeKm;
    input.unit = QStringLiteral("km");
    input.upDegrees = up;
    const QPointF east = TileMath::destination(kOwnLat, kOwnLon, 90.0, 0.3 * rangeKm);
    input.stations = {{QStringLiteral("EAST"), QStringLiteral("/EAST 12:00:00"), east.x() * 60, east.y() * 60,
                       0.3 * rangeKm, SeenStation::Kind::Listed}};
    return input;
}

// Tiles blue west of the meridian at worldX and green east of it.
QByteArray splitTile(const TileKey &key, double worldX)
{
    QImage image(256, 256, QImage::Format_RGB32);
    const double n = double(1 << key.z);
    for (int px = 0; px < 256; ++px) {
        const double x = (TileMath::wrapColumn(key.x, key.z) + (px + 0.5) / 256.0) / n;
        const QRgb c = x < worldX ? qRgb(0, 0, 255) : qRgb(0, 160, 0);
        for (int py = 0; py < 256; ++py)
            image.setPixel(px, py, c);
    }
    return TileServer::png(Qt::black).isEmpty() ? QByteArray() : [&] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }();
}

void writeMbTiles(const QString &file, const QList<TileKey> &keys, double worldX)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("view"));
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TABLE tiles (zoom_level integer, tile_column integer, tile_row integer, "
                       "tile_data blob)"));
        for (const TileKey &key : keys) {
            q.prepare("INSERT INTO tiles VALUES (?, ?, ?, ?)");
            q.addBindValue(key.z);
            q.addBindValue(TileMath::wrapColumn(key.x, key.z));
            q.addBindValue(TileMath::tmsRow(key.y, key.z));
            q.addBindValue(splitTile(key, worldX));
            QVERIFY(q.exec());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("view"));
}

int classify(const QColor &c)
{
    if (c.blue() > c.green() + 60 && c.blue() > c.red() + 60)
        return 1;
    if (c.green() > c.blue() + 40 && c.green() > c.red() + 40)
        return 2;
    return 0;
}

} // namespace

class MapViewTest : public QObject
{
    Q_OBJECT

private slots:
    // The map under the radar lies where the stations are: the meridian
    // through a station, where the tiles turn from blue to green, is drawn
    // within 2 pixels of it at every range, north up and course up.
    void alignment_data()
    {
        QTest::addColumn<double>("km");
        QTest::addColumn<double>("up");
        QTest::newRow("1 km") << 1.0 << 0.0;
        QTest::newRow("25 km") << 25.0 << 0.0;
        QTest::newRow("25 km, course 90") << 25.0 << 90.0;
        QTest::newRow("180 km, course 90") << 180.0 << 90.0;
        QTest::newRow("500 km") << 500.0 << 0.0;
    }
    void alignment()
    {
        QFETCH(double, km);
        QFETCH(double, up);
        const RadarInput input = eastStation(km, up);
        RadarViewing viewing;
        viewing.map = true;
        RadarScene probe;
        probe.build(input, QSizeF(400, 400), QFontMetricsF(QFont()), viewing);
        QVERIFY(probe.mapShown());
        const SeenStation &east = input.stations.first();
        const double worldX = TileMath::world(east.latitude / 60, east.longitude / 60).x();
        QTemporaryDir dir;
        writeMbTiles(dir.filePath("split.mbtiles"), probe.tiles(), worldX);

        TileService service;
        MapSource source;
        source.kind = MapSource::Kind::MbTiles;
        source.file = dir.filePath("split.mbtiles");
        service.setSource(source);
        RadarView view;
        view.resize(400, 400);
        view.setTileService(&service);
        view.setMapShown(true);
        view.setInput(input);
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(view.scene().tiles().begin(), view.scene().tiles().end(),
                                             [&](const TileKey &k) {
                                                 return service.tile({k.z, TileMath::wrapColumn(k.x, k.z), k.y});
                                             }),
                                 5000);
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        {
            QPainter painter(&image);
            view.paint(painter);
        }
        const QPointF station = view.scene().marks().first().point;
        // North up the meridian runs down the screen; with east up, across.
        const bool across = up == 90.0;
        double edge = -1;
        const int fixed = across ? int(station.x() - 40) : int(station.y() + 60);
        int last = 0;
        for (int i = 1; i < 399; ++i) {
            const int kind = classify(across ? image.pixelColor(fixed, 399 - i) : image.pixelColor(i, fixed));
            if (kind == 2 && last == 1)
                edge = across ? 399 - i + 0.5 : i - 0.5;
            if (kind)
                last = kind;
        }
        QVERIFY2(edge >= 0, "no meridian found");
        const double expected = across ? station.y() : station.x();
        QVERIFY2(std::abs(edge - expected) <= 2.0,
                 qPrintable(QStringLiteral("meridian at %1, station at %2").arg(edge).arg(expected)));
        // The attribution of an MBTiles file without one stays empty; the
        // standard one is shown for the standard source.
        QVERIFY(service.source().effectiveAttribution().isEmpty());
    }

    // The map switches off by itself, with a line: beyond 500 km and next
    // to the poles. A 50 x 50 window and a wheel turned 1,000 notches
    // neither crash nor stall it; the antimeridian splits nothing.
    void edges()
    {
        TileService service;
        RadarView view;
        view.resize(300, 300);
        view.setTileService(&service);
        view.setMapShown(true);
        RadarInput input = eastStation(600, 0);
        view.setInput(input);
        QVERIFY(!view.scene().mapShown());
        QCOMPARE(view.mapNote(), QStringLiteral("Map off: it is drawn up to a range of 500 km"));
        input = eastStation(25, 0);
        input.ownLatitude = 89.9 * 60;
        view.setInput(input);
        QCOMPARE(view.mapNote(), QStringLiteral("Map off: too near the pole for the map"));
        QCOMPARE(view.scene().marks().size(), 1); // the radar draws as before

        // Across the antimeridian: a station 10 km east of 179.95 E lies
        // beside the own spot.
        input = eastStation(25, 0);
        input.ownLatitude = 0;
        input.ownLongitude = 179.95 * 60;
        const QPointF there = TileMath::destination(0, 179.95, 90, 10);
        QVERIFY(there.y() < 0);
        input.stations.first().latitude = there.x() * 60;
        input.stations.first().longitude = there.y() * 60;
        input.stations.first().distance = 10;
        view.setInput(input);
        QVERIFY(view.scene().mapShown());
        const QPointF p = view.scene().marks().first().point;
        QVERIFY2(std::abs(p.x() - (150 + 10.0 / 25 * view.scene().frame().outerRadius)) < 2.0 && std::abs(p.y() - 150) < 1,
                 qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        for (const TileKey &key : view.scene().tiles())
            QVERIFY(key.x >= (1 << key.z) - 1 || key.x <= 1 << key.z); // both sides of the seam

        view.resize(50, 50);
        QVERIFY(view.scene().mapShown());
        QVERIFY(!view.scene().tiles().isEmpty() && view.scene().tiles().size() <= 16);
        view.resize(300, 300);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 1000; ++i) {
            QWheelEvent wheel(QPointF(150, 150), view.mapToGlobal(QPointF(150, 150)), QPoint(), QPoint(0, 120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(&view, &wheel);
        }
        QCOMPARE(view.zoom(), RadarViewing::kMostZoom);
        QVERIFY(view.scene().tileZoom() <= TileMath::kMaxZoom);
        QTest::keyClick(&view, Qt::Key_Minus);
        QVERIFY(view.zoom() < RadarViewing::kMostZoom);
        for (int i = 0; i < 1000; ++i)
            view.zoomSteps(-1);
        QCOMPARE(view.zoom(), RadarViewing::kLeastZoom);
        QVERIFY2(clock.elapsed() < 5000, "zooming stays quick");
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        view.paint(painter);
    }
};

NEARBELL_TEST(MapViewTest)
#include "MapViewTest.moc"
