// Times a mobile own position: gpsd fixes at 1 Hz moving the own station of
// a host that holds 30,000 stations, against putting the own station in
// afresh each time, and against one scan of the whole list. Prints figures.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include "host/GpsdPositionSource.h"
#include "host/HostStation.h"
#include "host/LocalHost.h"

using namespace nearbell;

namespace {

constexpr int kStations = 30000;
constexpr int kFixes = 3600; // an hour's drive at 1 Hz

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

QByteArray tpvLine(int i)
{
    return "{\"class\":\"TPV\",\"mode\":3,\"time\":\"2025-03-01T12:00:00.000Z\",\"lat\":"
        + QByteArray::number(52.0 + i * 1e-4, 'f', 7) + ",\"lon\":"
        + QByteArray::number(5.0 + i * 1e-4, 'f', 7) + ",\"alt\":10.0,\"speed\":13.9}\n";
}

double scan(LocalHost &host)
{
    HostStation station;
    double sum = 0.0;
    for (qint16 i = 0; i < host.StationCount(); ++i) {
        qint16 index = i;
        const QString entry = host.StationListEntry(index);
        station.setCallsign(entry.mid(1, entry.indexOf(u' ', 1) - 1));
        if (host.GetStation(station))
            sum += station.Distance();
    }
    return sum;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    HostSettings settings;
    settings.callsign = QStringLiteral("PA3CAR");
    settings.hasOwnPosition = true;
    settings.ownLatitude = 52 * 60;
    settings.ownLongitude = 5 * 60;
    LocalHost host(settings, nullptr);
    for (int i = 0; i < kStations; ++i) {
        StationReport report;
        report.callsign = QStringLiteral("PD%1X").arg(i, 5, 10, QLatin1Char('0'));
        report.latitude = 52 * 60 + (i % 600) * 0.5;
        report.longitude = 5 * 60 + (i / 600) * 0.5;
        host.table().apply(report);
    }
    scan(host); // the order settles once

    // The fix path as the program runs it: gpsd's line in, the own station moved.
    auto gps = std::make_unique<GpsdPositionSource>(QStringLiteral("127.0.0.1"), 1);
    GpsdPositionSource *source = gps.get();
    host.setPositionSource(std::move(gps));
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kFixes; ++i)
        source->consume(tpvLine(i));
    const double moveMs = msSince(timer);

    // The move alone, without gpsd's line.
    timer.restart();
    for (int i = 0; i < kFixes; ++i)
        host.table().moveOwnStation(52 * 60 + i * 6e-3, 5 * 60 + i * 6e-3);
    const double tableMoveMs = msSince(timer);

    // The same fixes, putting the own station in afresh (remove and re-add).
    timer.restart();
    double sum = 0.0;
    for (int i = 0; i < kFixes; ++i) {
        host.table().setOwnStation(settings.callsign, 52 * 60 + i * 6e-3, 5 * 60 + i * 6e-3);
        qint16 first = 0;
        sum += host.StationListEntry(first).size(); // the next read merges it back
    }
    const double reinsertMs = msSince(timer);

    timer.restart();
    sum += scan(host);
    const double scanMs = msSince(timer);

    out << "own position moves, " << kStations << " stations, " << kFixes << " fixes:\n"
        << "  gpsd line to moved own station:  " << moveMs * 1000.0 / kFixes << " us per fix ("
        << moveMs << " ms in all)\n"
        << "  own station moved in the table:  " << tableMoveMs * 1000.0 / kFixes << " us per fix\n"
        << "  own station put in afresh:       " << reinsertMs * 1000.0 / kFixes << " us per fix\n"
        << "  one scan of the whole list:      " << scanMs << " ms\n"
        << "  (checksum " << sum << ")\n";
    return 0;
}
