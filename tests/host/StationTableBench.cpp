// Times the station table at its bound (32,767 stations): taking in
// arrivals (new ones evicting the farthest, moves), expiry, and the station
// list as the scans use it: every 10 s they read each entry, cut out the
// callsign and look the station up. Prints figures (processor time).
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <ctime>

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

// Processor time of this thread: the figures stay fair on a busy machine,
// where wall-clock time would count the other programs too.
class CpuTimer
{
public:
    void start() { m_start = now(); }
    void restart() { m_start = now(); }
    double ms() const { return (now() - m_start) / 1e6; }

private:
    static double now()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
    }
    double m_start = 0;
};

double msSince(const CpuTimer &t)
{
    return t.ms();
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

// Resident memory of this process in MB.
double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0.0;
}

// The table at its bound with every detail filled as far as it goes: 20
// track points each, comment and status of 80 characters, a path of 8
// digipeaters, each station's path its own, drawn from 2,000 digipeaters.
void measureFullDetails(QTextStream &out)
{
    const double before = residentMb();
    CpuTimer t;
    t.start();
    {
        StationTable table;
        table.setOwnStation(QStringLiteral("PA3XYZ"), 3132.34, 312.34);
        const int stations = table.capacity() - 1;
        for (int point = 0; point < StationTable::kTrackLength; ++point) {
            for (int i = 0; i < stations; ++i) {
                StationReport r;
                r.callsign = QStringLiteral("D%1").arg(i, 5, 10, QLatin1Char('0'));
                r.latitude = 3000 + (i % 100) + point * 0.02;
                r.longitude = 300 + (i / 100) * 0.1;
                r.course = 1 + point;
                r.speedKmh = 50;
                r.altitudeM = 100;
                if (point == 0) {
                    r.comment = QStringLiteral("%1 ").arg(i).repeated(20).left(StationTable::kTextLength);
                    r.status = QStringLiteral("%1 status ").arg(i).repeated(10).left(StationTable::kTextLength);
                    for (int d = 0; d < 8; ++d)
                        r.path.append(QStringLiteral("DIGI%1*").arg((i * 7 + d * 331) % 2000));
                }
                table.apply(r);
            }
        }
        out << "table at its bound (" << table.entryCount() << " stations) with every detail filled: +"
            << residentMb() - before << " MB resident (" << residentMb() << " MB for this process), filled in "
            << msSince(t) / 1000 << " s\n";
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    measureFullDetails(out);

    HostSettings settings;
    settings.callsign = QStringLiteral("PA3XYZ");
    settings.hasOwnPosition = true;
    settings.ownLatitude = 3132.34;
    settings.ownLongitude = 312.34;
    LocalHost host(settings, nullptr);
    StationTable &table = host.table();
    const int capacity = table.capacity();

    // Stations spread over the world (a wide feed), distinct callsigns.
    quint32 seed = 99;
    auto next = [&seed](int bound) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(bound));
    };
    auto worldwide = [&next](const QString &callsign) {
        StationReport r;
        r.callsign = callsign;
        r.latitude = next(10000) - 5000.0 + next(100) / 100.0;
        r.longitude = next(21000) - 10500.0 + next(100) / 100.0;
        r.heardDirectly = next(3) == 0;
        return r;
    };
    std::vector<StationReport> reports;
    reports.reserve(kStations);
    for (int i = 0; i < kStations; ++i)
        reports.push_back(worldwide(QStringLiteral("S%1").arg((i * 7919) % kStations, 5, 10, QLatin1Char('0'))));

    CpuTimer t;
    t.start();
    for (const StationReport &r : reports)
        table.apply(r);
    out << "apply " << kStations << " new stations worldwide (table bound " << capacity << ", "
        << table.droppedCount() << " dropped): " << msSince(t) * 1000 / kStations << " us per packet\n";

    std::vector<StationReport> arrivals;
    for (int i = 0; i < kStations; ++i)
        arrivals.push_back(worldwide(QStringLiteral("N%1").arg(i, 5, 10, QLatin1Char('0'))));
    const qint64 droppedBefore = table.droppedCount();
    t.restart();
    for (const StationReport &r : arrivals)
        table.apply(r);
    out << "apply " << kStations << " more new stations into the full table (" << table.entryCount()
        << " held, " << table.droppedCount() - droppedBefore << " dropped): "
        << msSince(t) * 1000 / kStations << " us per packet\n";

    // Moves of held stations (those still in the table).
    std::vector<StationReport> moves;
    for (const StationReport &r : arrivals) {
        if (table.find(r.callsign)) {
            StationReport m = r;
            m.latitude += 0.5;
            moves.push_back(m);
        }
    }
    t.restart();
    for (const StationReport &r : moves)
        table.apply(r);
    out << "apply " << moves.size() << " position updates in the full table: "
        << msSince(t) * 1000 / double(moves.size()) << " us per packet\n";

    // Near stations arriving in a full table: each evicts the farthest.
    t.restart();
    for (int i = 0; i < 10000; ++i) {
        StationReport r;
        r.callsign = QStringLiteral("C%1").arg(i);
        r.latitude = settings.ownLatitude + (i % 100) * 0.01;
        r.longitude = settings.ownLongitude + (i / 100) * 0.01;
        table.apply(r);
    }
    out << "apply 10000 near stations into the full table (each evicts the farthest): "
        << msSince(t) * 1000 / 10000 << " us per packet\n";

    t.restart();
    table.entry(0);
    out << "first entry read after the evictions (waiting arrivals merged, deleted ones dropped): " << msSince(t) << " ms\n";

    t.restart();
    const int listed = host.StationCount();
    out << "StationCount (the list taken afresh for a walk, " << listed << " entries): " << msSince(t)
        << " ms\n";

    t.restart();
    double sum = scan(host, host.StationCount());
    out << "scan through the host (entry, callsign, GetStation) of " << host.StationCount()
        << " entries: " << msSince(t) << " ms (sum " << sum << ")\n";

    // Expiry runs once a minute; at 200 packets a second that is 12,000
    // packets per pass.
    t.restart();
    table.expire(QDateTime::currentDateTimeUtc());
    const double passMs = msSince(t);
    out << "expiry pass over " << table.entryCount() << " stations, none due: " << passMs << " ms ("
        << passMs * 1000 / 12000 << " us per packet at 200 packets/s)\n";

    t.restart();
    table.entry(0);
    out << "first entry read after the pass (order unchanged): " << msSince(t) << " ms\n";

    t.restart();
    const int gone = table.expire(QDateTime::currentDateTimeUtc().addDays(2));
    out << "expire " << gone << " stations at once: " << msSince(t) << " ms\n";

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
