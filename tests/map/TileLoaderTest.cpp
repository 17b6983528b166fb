#include "TileServer.h"
#include "common/TestRegistry.h"
#include "map/MbTilesFile.h"
#include "map/TileService.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkDiskCache>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

using namespace nearbell;

namespace {

const QList<TileKey> nineTiles{{3, 4, 2}, {3, 3, 2}, {3, 5, 2}, {3, 4, 1}, {3, 4, 3},
                               {3, 3, 1}, {3, 5, 3}, {3, 3, 3}, {3, 5, 1}};

QByteArray path(const TileKey &key)
{
    return QStringLiteral("/%1/%2/%3.png").arg(key.z).arg(key.x).arg(key.y).toLatin1();
}

TileLoader::Options options(const QString &urlTemplate, const QString &cache)
{
    TileLoader::Options o;
    o.source.kind = MapSource::Kind::Template;
    o.source.urlTemplate = urlTemplate;
    o.cacheFolder = cache;
    o.userAgent = TileService::userAgent();
    o.transferTimeoutMs = 700;
    return o;
}

bool allHeld(const TileService &service, const QList<TileKey> &keys)
{
    return std::all_of(keys.begin(), keys.end(), [&](const TileKey &k) { return service.tile(k) != nullptr; });
}

// An MBTiles file with these tiles (XYZ keys; stored with TMS rows) and
// metadata.
void makeMbTiles(const QString &file, const QList<QPair<TileKey, QByteArray>> &tiles,
                 const QList<QPair<QString, QString>> &metadata, bool withTiles = true)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TABLE metadata (name text, value text)"));
        if (withTiles)
            QVERIFY(q.exec("CREATE TABLE tiles (zoom_level integer, tile_column integer, tile_row integer, "
                           "tile_data blob)"));
        for (const auto &[name, value] : metadata) {
            q.prepare("INSERT INTO metadata VALUES (?, ?)");
            q.addBindValue(name);
            q.addBindValue(value);
            QVERIFY(q.exec());
        }
        for (const auto &[key, data] : tiles) {
            q.prepare("INSERT INTO tiles VALUES (?, ?, ?, ?)");
            q.addBindValue(key.z);
            q.addBindValue(key.x);
            q.addBindValue(TileMath::tmsRow(key.y, key.z));
            q.addBindValue(data);
            QVERIFY(q.exec());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make"));
}

QByteArray jpeg(const QColor &colour)
{
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

} // namespace

class TileLoaderTest : public QObject
{
    Q_OBJECT

private slots:
    // One session against the test's own server: the program's
    // User-Agent, no no-cache headers, two connections at most, only the
    // tiles wanted; then a restart served from the disk cache, kept seven
    // days without expiry headers, and revalidated once that has passed.
    void goodClient()
    {
        QTemporaryDir cache;
        TileServer server;
        server.answer = [](const TileServer::Request &r) {
            TileServer::Answer a;
            a.delayMs = 30;
            if (r.headers.value("if-none-match") == "\"v1\"") {
                a.status = 304;
                a.reason = "Not Modified";
                return a;
            }
            a.headers = {{"Content-Type", "image/png"}, {"ETag", "\"v1\""},
                         {"Last-Modified", "Mon, 07 Dec 2026 10:00:00 GMT"}};
            a.body = TileServer::png(Qt::darkGreen);
            return a;
        };
        QElapsedTimer clock;
        {
            TileService service;
            service.setOptions(options(server.tileTemplate(), cache.path()));
            QSignalSpy arrived(&service, &TileService::tilesArrived);
            clock.start();
            service.want(nineTiles);
            QTRY_VERIFY_WITH_TIMEOUT(service.tile(nineTiles.first()), 1000); // the first within 1 s
            QTRY_VERIFY_WITH_TIMEOUT(allHeld(service, nineTiles), 5000);
            QCOMPARE(service.tile(nineTiles.first())->pixelColor(10, 10), QColor(Qt::darkGreen));
            QVERIFY(service.problem().isEmpty());
        }
        QCOMPARE(server.requests.size(), 9);
        QVERIFY2(server.busiest <= 2, qPrintable(QString::number(server.busiest)));
        QVERIFY(server.busiestConnections <= 2);
        for (const TileServer::Request &r : std::as_const(server.requests)) {
            QCOMPARE(r.headers.value("user-agent"), TileService::userAgent());
            QVERIFY(r.headers.value("user-agent").startsWith("Nearbell/"));
            QVERIFY(!r.headers.value("cache-control").contains("no-cache"));
            QVERIFY(!r.headers.contains("pragma"));
            QVERIFY(nineTiles.contains(TileKey{3, r.path.split('/').value(2).toInt(),
                                               r.path.split('/').value(3).split('.').value(0).toInt()}));
        }
        QVERIFY(TileService::userAgent().contains(" (+http"));

        // After a restart: from the disk, asking the server nothing.
        {
            TileService service;
            service.setOptions(options(server.tileTemplate(), cache.path()));
            clock.start();
            service.want(nineTiles);
            QTRY_VERIFY_WITH_TIMEOUT(allHeld(service, nineTiles), 300);
        }
        QCOMPARE(server.requests.size(), 9);
        QNetworkDiskCache disk;
        disk.setCacheDirectory(cache.path());
        const QUrl url = MapSource::tileUrl(server.tileTemplate(), nineTiles.first());
        QNetworkCacheMetaData meta = disk.metaData(url);
        QVERIFY(meta.expirationDate() > QDateTime::currentDateTimeUtc().addDays(6));
        // Seven days later the tile is asked for again, conditionally.
        meta.setExpirationDate(QDateTime::currentDateTimeUtc().addSecs(-60));
        disk.updateMetaData(meta);
        {
            TileService service;
            service.setOptions(options(server.tileTemplate(), cache.path()));
            service.want({nineTiles.first()});
            QTRY_VERIFY_WITH_TIMEOUT(service.tile(nineTiles.first()), 3000);
            QCOMPARE(service.tile(nineTiles.first())->pixelColor(10, 10), QColor(Qt::darkGreen));
        }
        QCOMPARE(server.requests.size(), 10);
        QCOMPARE(server.requests.last().headers.value("if-none-match"), QByteArray("\"v1\""));
        QVERIFY(server.requests.last().headers.contains("if-modified-since"));
    }

    // The server's own expiry is honoured: a tile fresh for a second is
    // revalidated after it.
    void serverExpiry()
    {
        QTemporaryDir cache;
        TileServer server;
        server.answer = [](const TileServer::Request &) {
            TileServer::Answer a;
            a.headers = {{"Cache-Control", "max-age=1"}, {"ETag", "\"e\""}};
            a.body = TileServer::png(Qt::blue);
            return a;
        };
        for (int round = 0; round < 3; ++round) {
            TileService service;
            service.setOptions(options(server.tileTemplate(), cache.path()));
            service.want({{2, 1, 1}});
            QTRY_VERIFY_WITH_TIMEOUT(service.tile({2, 1, 1}), 3000);
            if (round == 1)
                QTest::qWait(2300); // freshness is counted in whole seconds
        }
        QCOMPARE(server.requests.size(), 2); // the second round was fresh
        QCOMPARE(server.requests.last().headers.value("if-none-match"), QByteArray("\"e\""));
    }

    // Each bad answer gives a clear line, and the tile is not asked for
    // again on the next redraw.
    void badServers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("line");
        QTest::newRow("404") << 404 << QByteArray("gone") << false << "Map tiles unavailable: 127.0.0.1 answered 404 Not Found";
        QTest::newRow("429") << 429 << QByteArray() << false << "Map tiles unavailable: 127.0.0.1 answered 429";
        QTest::newRow("503") << 503 << QByteArray() << false << "Map tiles unavailable: 127.0.0.1 answered 503";
        QTest::newRow("garbage") << 200 << QByteArray("<html>not a tile</html>") << false
                                 << "Map tiles unavailable: 127.0.0.1 sent no image for tile 2/1/1";
        QTest::newRow("20 MB") << 200 << QByteArray(20 * 1024 * 1024, 'x') << false
                               << "Map tiles unavailable: 127.0.0.1 sent a tile larger than 2 MB";
        QTest::newRow("stalls") << 200 << QByteArray() << true << "Map tiles unavailable: 127.0.0.1 does not answer";
        QTest::newRow("refused") << 0 << QByteArray() << false << "Map tiles unavailable: 127.0.0.1 refused the connection";
    }
    void badServers()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, silent);
        QFETCH(QString, line);
        QTemporaryDir cache;
        TileServer server;
        server.answer = [&](const TileServer::Request &) {
            TileServer::Answer a;
            a.status = status;
            a.reason = status == 404 ? "Not Found" : "";
            a.body = body;
            a.silent = silent;
            return a;
        };
        QString tmpl = server.tileTemplate();
        if (status == 0) { // nobody listens there any more
            const quint16 port = server.serverPort();
            server.close();
            tmpl = QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port);
        }
        TileService service;
        service.setOptions(options(tmpl, cache.path()));
        QElapsedTimer clock;
        clock.start();
        service.want({{2, 1, 1}});
        QTRY_VERIFY_WITH_TIMEOUT(service.problem().startsWith(line), 5000);
        QVERIFY2(clock.elapsed() < 3000, "the line comes quickly");
        const qsizetype asked = server.requests.size();
        QVERIFY(asked <= 1);
        service.want({{2, 1, 1}, {2, 2, 1}});
        service.want({{2, 1, 1}});
        QTest::qWait(200);
        // The failed tile waits its back-off; a busy or absent server is
        // left alone altogether.
        QCOMPARE(std::count_if(server.requests.begin(), server.requests.end(),
                               [](const TileServer::Request &r) { return r.path == "/2/1/1.png"; }),
                 asked);
        QVERIFY(!service.tile({2, 1, 1}));
    }

    // Tiles scrolled away before their turn are never asked for.
    void onlyWantedTiles()
    {
        QTemporaryDir cache;
        TileServer server;
        const auto plain = server.answer;
        server.answer = [plain](const TileServer::Request &r) {
            TileServer::Answer a = plain(r);
            a.delayMs = 150;
            return a;
        };
        TileService service;
        service.setOptions(options(server.tileTemplate(), cache.path()));
        service.want(nineTiles);
        const QList<TileKey> later{{5, 1, 1}, {5, 2, 1}};
        QTRY_VERIFY_WITH_TIMEOUT(server.requests.size() >= 2, 2000);
        service.want(later);
        QTRY_VERIFY_WITH_TIMEOUT(allHeld(service, later), 3000);
        QTest::qWait(200);
        QCOMPARE(server.requests.size(), 4); // two in flight, then the two wanted
        QCOMPARE(server.requests.at(2).path, path(later.at(0)));
    }

    // A cache folder that cannot be written: said once, the map still
    // comes from the server.
    void unwritableCache()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TileServer server;
        TileService service;
        service.setOptions(options(server.tileTemplate(), dir.filePath("file/tiles")));
        service.want({{1, 0, 0}});
        QTRY_VERIFY_WITH_TIMEOUT(service.tile({1, 0, 0}), 3000);
        QCOMPARE(server.requests.size(), 1);
        // The tile's arrival cleared the line; it was given before.
        TileService again;
        QSignalSpy lines(&again, &TileService::problemChanged);
        again.setOptions(options(server.tileTemplate(), dir.filePath("file/tiles")));
        again.want({{1, 1, 0}});
        QTRY_VERIFY_WITH_TIMEOUT(again.tile({1, 1, 0}), 3000);
        QVERIFY(!lines.isEmpty());
        QCOMPARE(lines.first().first().toString(),
                 QStringLiteral("Map tile cache folder cannot be written: ") + dir.filePath("file/tiles"));
    }

    // A template without {z} never reaches the network.
    void badTemplate()
    {
        TileService service;
        TileLoader::Options o = options(QStringLiteral("http://127.0.0.1:9/{x}/{y}.png"), QString());
        service.setOptions(o);
        service.want({{1, 0, 0}});
        QTRY_COMPARE(service.problem(), QStringLiteral("Map URL template lacks {z}: http://127.0.0.1:9/{x}/{y}.png"));
    }

    // MBTiles: rows bottom up, its metadata, a missing tile drawn as
    // nothing, and the files that cannot serve.
    void mbtiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("line");
        QTest::newRow("good") << "good" << "";
        QTest::newRow("jpeg said to be png") << "jpeg" << "Map file holds jpeg tiles, its metadata says png";
        QTest::newRow("not SQLite") << "text" << "Map file is no MBTiles (SQLite) file: map.mbtiles";
        QTest::newRow("no tiles table") << "notiles" << "Map file has no tiles table: map.mbtiles";
        QTest::newRow("missing file") << "missing" << "Map file cannot be read: ";
    }
    void mbtiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, line);
        QTemporaryDir dir;
        const QString file = dir.filePath("map.mbtiles");
        const QList<QPair<QString, QString>> meta{
            {"format", "png"}, {"minzoom", "1"}, {"maxzoom", "4"}, {"bounds", "-90,0,0,85"}};
        if (kind == "good")
            makeMbTiles(file, {{{2, 1, 0}, TileServer::png(Qt::red)}, {{2, 1, 3}, TileServer::png(Qt::blue)}}, meta);
        else if (kind == "jpeg")
            makeMbTiles(file, {{{2, 1, 0}, jpeg(Qt::red)}}, meta);
        else if (kind == "notiles")
            makeMbTiles(file, {}, meta, false);
        else if (kind == "text") {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("name,lat,lon\n");
        }
        if (QTest::currentTestFailed())
            return;
        TileService service;
        TileLoader::Options o;
        o.source.kind = MapSource::Kind::MbTiles;
        o.source.file = file;
        service.setOptions(o);
        service.want({{2, 1, 0}, {2, 2, 0}});
        if (kind == "good" || kind == "jpeg") {
            QTRY_VERIFY_WITH_TIMEOUT(service.tile({2, 1, 0}) && service.isMissing({2, 2, 0}), 3000);
            const QColor c = service.tile({2, 1, 0})->pixelColor(100, 100);
            QVERIFY(c.red() > 200 && c.blue() < 60); // the top row, not the bottom one
            QCOMPARE(service.minZoom(), 1);
            QCOMPARE(service.maxZoom(), 4);
            QVERIFY(std::abs(service.coverage().left() - TileMath::world(0, -90).x()) < 1e-9);
            QVERIFY(std::abs(service.coverage().top() - TileMath::world(85, 0).y()) < 1e-9);
            QCOMPARE(service.problem(), line);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!service.problem().isEmpty(), 3000);
            QVERIFY2(service.problem().startsWith(line), qPrintable(service.problem()));
            QVERIFY(!service.tile({2, 1, 0}));
        }
    }

    // Memory for tiles stays bounded however many come.
    void boundedMemory()
    {
        QTemporaryDir dir;
        QList<QPair<TileKey, QByteArray>> tiles;
        QList<TileKey> keys;
        const QByteArray png = TileServer::png(Qt::yellow);
        for (int x = 0; x < 16; ++x) {
            for (int y = 0; y < 16; ++y) {
                tiles.append({{4, x, y}, png});
                keys.append({4, x, y});
            }
        }
        makeMbTiles(dir.filePath("m.mbtiles"), tiles, {});
        TileService service;
        TileLoader::Options o;
        o.source.kind = MapSource::Kind::MbTiles;
        o.source.file = dir.filePath("m.mbtiles");
        service.setOptions(o);
        for (qsizetype i = 0; i < keys.size(); i += 32) {
            const QList<TileKey> part = keys.mid(i, 32);
            service.want(part);
            QTRY_VERIFY_WITH_TIMEOUT(service.tile(part.last()), 3000);
        }
        QVERIFY(service.heldBytes() <= TileService::kMemoryBytes);
        QVERIFY(service.heldTiles() < 256); // the oldest were let go
        QVERIFY(service.tile(keys.last()));
    }
};

NEARBELL_TEST(TileLoaderTest)
#include "TileLoaderTest.moc"
