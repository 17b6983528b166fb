// Times the station list as the scans use it: every 10 s they read each
// entry, cut out the callsign and look the station up. Prints figures.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include "host/LocalHost.h"
#include "host/ScriptedHost.h"

using namespace nearbell;

namespace {

constexpr int kStations = 50000;

class NoSource : public StationSource
{
public:
    void start() override {}
};

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// One pass the way the station scan goes through a host: entry, callsign,
// look-up, distance. Returns the sum of distances so nothing is optimised away.
double scan(HostApplication &host, int count)
{
    HostStation station;
    double sum = 0.0;
    for (int i = 0; i < count; ++i) {
        qint16 index = qint16(i);
        const QString entry = host.StationListEntry(index);
        if (entry.isEmpty())
            break;
        QString callsign = entry.mid(1, entry.indexOf(u' ', 1) - 1);
        if (callsign.endsWith(u'*'))
            callsign.chop(1);
        station.setCallsign(callsign);
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
    settings.callsign = QStringLiteral("PA3XYZ");
    settings.hasOwnPosition = true;
    settings.ownLatitude = 3132.34;
    settings.ownLongitude = 312.34;
    LocalHost host(settings, nullptr);
    StationTable &table = host.table();

    std::vector<StationReport> reports(kStations);
    for (int i = 0; i < kStations; ++i) {
        reports[i].callsign = QStringLiteral("S%1").arg((i * 7919) % kStations, 5, 10, QLatin1Char('0'));
        reports[i].latitude = 3000.0 + (i % 300);
        reports[i].longitude = 200.0 + (i % 250);
        reports[i].heardDirectly = i % 3 == 0;
    }

    QElapsedTimer t;
    t.start();
    for (const StationReport &r : reports)
        table.apply(r);
    out << "apply " << kStations << " new stations: " << msSince(t) << " ms\n";

    t.restart();
    for (const StationReport &r : reports)
        table.apply(r);
    out << "apply " << kStations << " position updates: " << msSince(t) << " ms\n";

    t.restart();
    table.entry(0);
    out << "first entry read (all arrivals merged into the order, " << table.entryCount()
        << " stations): " << msSince(t) << " ms\n";

    t.restart();
    int chars = 0;
    for (int i = 0; i < table.entryCount(); ++i)
        chars += int(table.entry(i).size());
    out << "read all " << table.entryCount() << " entries: " << msSince(t) << " ms (" << chars
        << " characters)\n";

    t.restart();
    double sum = scan(host, host.StationCount());
    out << "scan through the host (entry, callsign, GetStation) of " << host.StationCount()
        << " entries: " << msSince(t) << " ms (sum " << sum << ")\n";

    // A station arriving between two reads makes the next read rebuild.
    t.restart();
    for (int i = 0; i < 100; ++i) {
        StationReport r;
        r.callsign = QStringLiteral("NEW%1").arg(i);
        table.apply(r);
        table.entry(i);
    }
    out << "100 arrivals each followed by a read: " << msSince(t) / 100 << " ms per arrival\n";

    t.restart();
    QDateTime later = QDateTime::currentDateTimeUtc().addSecs(2 * 3600);
    const int gone = table.expire(later);
    out << "expire " << gone << " stations: " << msSince(t) << " ms\n";

    ScriptedHost scripted;
    scripted.setRecordCalls(false);
    QStringList entries;
    for (int i = 0; i < kStations; ++i) {
        entries.append(QStringLiteral(">S%1 12:00:00").arg(i, 5, 10, QLatin1Char('0')));
        scripted.setStation(QStringLiteral("S%1").arg(i, 5, 10, QLatin1Char('0')), float(i % 100));
    }
    scripted.setEntries(entries);
    t.restart();
    sum = scan(scripted, kStations);
    out << "scan through the scripted host of " << kStations << " entries: " << msSince(t)
        << " ms (sum " << sum << ")\n";
    return 0;
}
