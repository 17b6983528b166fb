// The map's speed figures: redraws from held tiles, the first tiles from a
// server on 127.0.0.1, the tiles from the disk cache after a restart, and
// the memory the tiles take. Only 127.0.0.1 is ever asked.
#include "TileServer.h"
#include "map/TileService.h"
#include "ui/RadarView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace nearbell;

namespace {

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// `stations` around 52 N 5 E, range 25 km; `inRange` of them inside it,
// the rest at 50 km; every station with a symbol, a track of 20 and a
// course when `looks`.
RadarInput input(int stations, int inRange, bool looks, bool tracks = true)
{
    RadarInput in;
    in.hasOwnPosition = true;
    in.ownLatitude = 52 * 60;
    in.ownLongitude = 5 * 60;
    in.range = 25;
    in.unit = QStringLiteral("km");
    const char codes[] = {'>', 'k', 'v', '-', '_', '#', 'Y', 'b'};
    for (int i = 0; i < stations; ++i) {
        const double km = i < inRange ? 1.0 + (i % 23) : 50.0;
        const double bearing = i * 137.50776;
        const QPointF p = TileMath::destination(52, 5, bearing, km);
        SeenStation s{QStringLiteral("ST%1").arg(i, 5, 10, QLatin1Char('0')), QString(), p.x() * 60, p.y() * 60, km,
                      i % 7 == 0 ? SeenStation::Kind::Acked : SeenStation::Kind::Listed};
        in.stations.append(s);
        if (looks) {
            RadarLook look;
            look.symbolCode = codes[i % 8];
            look.course = std::fmod(bearing + 90, 360);
            look.speedKmh = 40 + i % 60;
            for (int t = tracks ? 20 : 0; t > 0; --t) {
                const QPointF back = TileMath::destination(p.x(), p.y(), look.course + 180, t * 0.05);
                look.track.emplace_back(back.x() * 60, back.y() * 60);
            }
            in.looks.append(look);
        }
    }
    return in;
}

bool allHeld(const RadarView &view, const TileService &service)
{
    const QList<TileKey> &tiles = view.scene().tiles();
    return !tiles.isEmpty() && std::all_of(tiles.begin(), tiles.end(), [&](const TileKey &k) {
        return service.tile({k.z, TileMath::wrapColumn(k.x, k.z), k.y}) != nullptr;
    });
}

// Waits, running the loop, until the view's tiles are all held; ms taken.
double waitForTiles(RadarView &view, TileService &service, const QElapsedTimer &clock)
{
    while (!allHeld(view, service) && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return allHeld(view, service) ? double(clock.nsecsElapsed()) / 1e6 : -1.0;
}

// Median processor time of handing over and drawing, 9 times; of it,
// the drawing alone in *painting.
double redrawMs(RadarView &view, const RadarInput &in, double *painting)
{
    std::vector<double> times;
    std::vector<double> paints;
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < 9; ++i) {
        const double start = threadCpuMs();
        view.setInput(in);
        const double built = threadCpuMs();
        QPainter painter(&image);
        view.paint(painter);
        painter.end();
        times.push_back(threadCpuMs() - start);
        paints.push_back(threadCpuMs() - built);
    }
    std::sort(times.begin(), times.end());
    std::sort(paints.begin(), paints.end());
    *painting = paints[paints.size() / 2];
    return times[times.size() / 2];
}

// A 600 x 600 radar with the map on, opened as the user opens it: the
// time until every tile is shown.
double openWithMap(RadarView &view, TileService &service, const TileLoader::Options &options)
{
    service.setOptions(options);
    view.resize(600, 600);
    view.setTileService(&service);
    view.setMapShown(true);
    QElapsedTimer clock;
    clock.start();
    view.setInput(input(10, 10, false));
    return waitForTiles(view, service, clock);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TileService::setLoopbackOnly(true);
    QTemporaryDir cache;
    TileServer server;
    const QByteArray tile = TileServer::png(QColor(200, 220, 190));
    server.answer = [&tile](const TileServer::Request &) {
        TileServer::Answer a;
        a.headers = {{"Content-Type", "image/png"}};
        a.body = tile;
        return a;
    };
    TileLoader::Options options;
    options.source.kind = MapSource::Kind::Template;
    options.source.urlTemplate = server.tileTemplate();
    options.cacheFolder = cache.path();
    options.userAgent = TileService::userAgent();

    if (argc > 1 && QByteArray(argv[1]) == "redraw") { // the redraw alone, for a profiler
        TileService service;
        RadarView view;
        openWithMap(view, service, options);
        const RadarInput many = input(32767, 16384, false);
        const RadarInput few = input(1000, 1000, true, false);
        // "redraw [rounds] [few|many]": both sizes, or only one of them.
        const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 20;
        const QByteArray only = argc > 3 ? QByteArray(argv[3]) : QByteArray();
        for (int i = 0; i < rounds; ++i) {
            double a = 0, pa = 0, b = 0, pb = 0;
            if (only != "few")
                a = redrawMs(view, many, &pa);
            if (only != "many")
                b = redrawMs(view, few, &pb);
            std::printf("%.2f (%.2f) %.2f (%.2f)\n", a, pa, b, pb);
        }
        return 0;
    }
    double first = -1;
    double fromDisk = -1;
    int tiles = 0;
    {
        TileService service;
        RadarView view;
        first = openWithMap(view, service, options);
        tiles = int(view.scene().tiles().size());
    }
    const int asked = int(server.requests.size());
    {
        TileService service; // the program started again
        RadarView view;
        fromDisk = openWithMap(view, service, options);
    }
    std::printf("Map tiles, 600 x 600, %d tiles with the ring: first from 127.0.0.1 %.1f ms (%d requests), "
                "from the disk cache after a restart %.1f ms (%d more requests)\n",
                tiles, first, asked, fromDisk, int(server.requests.size()) - asked);

    TileService service;
    service.setOptions(options);
    RadarView view;
    view.resize(600, 600);
    view.setTileService(&service);
    for (const bool map : {false, true}) {
        view.setMapShown(map);
        QElapsedTimer clock;
        clock.start();
        view.setInput(input(10, 10, false));
        if (map)
            waitForTiles(view, service, clock);
        double p[5];
        const double plain = redrawMs(view, input(1000, 1000, false), &p[0]);
        const double icons = redrawMs(view, input(1000, 1000, true, false), &p[4]);
        const double few = redrawMs(view, input(1000, 1000, true), &p[1]);
        const double many = redrawMs(view, input(32767, 16384, false), &p[2]);
        const double all = redrawMs(view, input(32767, 32767, false), &p[3]);
        std::printf("Redraw %s, processor time (of it painting): 1,000 in range as dots %.2f ms (%.2f), with "
                    "symbols and arrows %.2f ms (%.2f), also each with a track of 20 %.2f ms (%.2f); 32,767 "
                    "(16,384 in range) %.2f ms (%.2f); 32,767 all in range %.2f ms (%.2f)\n",
                    map ? "with the map from held tiles" : "without the map", plain, p[0], icons, p[4], few, p[1],
                    many, p[2], all, p[3]);
    }
    // Every zoom level from the widest to the closest: the store stays
    // within its bound.
    view.setMapShown(true);
    view.setInput(input(10, 10, false));
    qint64 most = 0;
    for (int step = -12; step <= 24; ++step) {
        view.zoomSteps(step < -11 ? -12 : 1);
        QElapsedTimer clock;
        clock.start();
        waitForTiles(view, service, clock);
        most = std::max(most, service.heldBytes());
    }
    std::printf("Tile memory through every zoom level: at most %.1f MB held (bound %.0f MB), %d tiles now\n",
                double(most) / 1048576.0, double(TileService::kMemoryBytes) / 1048576.0, service.heldTiles());
    return 0;
}
