// One scan cycle (station scan plus watch-list scan) over hosts of 1,000,
// 10,000 and 50,000 stations, with 1,000 acknowledged and 100 watched
// callsigns and half of the stations in range. Prints the time per cycle and
// the longest stretch the event loop waits between two yields.
#include "platform/ProgramGlobals.h"
#include "host/HostStation.h"
#include "host/ScriptedHost.h"
#include "monitor/MonitorControls.h"
#include "monitor/StationScan.h"
#include "monitor/WatchList.h"
#include "platform/MessageDisplay.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace nearbell;

namespace {

class SilentMessages : public MessageDisplay
{
public:
    void show(QWidget *, const QString &, const QString &, Icon) override {}
};

struct Figures
{
    double cycleMs = 0;
    double longestWaitMs = 0;
    int listed = 0;
    int yields = 0;
};

Figures runCycles(int stations, int cycles)
{
    QWidget window;
    MonitorControls c;
    c.lstStations = new QListWidget(&window);
    c.lstStations->setSortingEnabled(true);
    c.lstAcked = new QListWidget(&window);
    c.lstAcked->setSortingEnabled(true);
    c.lstWatch = new QListWidget(&window);
    c.lstOverlayItems = new QListWidget(&window);
    c.txtRadius = new QLineEdit(QStringLiteral("25"), &window);
    c.txtWatch = new QLineEdit(&window);
    c.lblMinDist = new QLabel(&window);
    c.lblOverlays = new QLabel(&window);
    c.cmdAddWatch = new QPushButton(&window);
    c.cmdShowWatch = new QPushButton(&window);
    c.Timer2 = new QTimer(&window);
    window.show(); // the yields repaint the lists, as in the program

    ScriptedHost host;
    host.setRecordCalls(false);
    QStringList entries;
    entries.reserve(stations);
    for (int i = 0; i < stations; ++i) {
        const QString call = QStringLiteral("ST%1").arg(i, 5, 10, QLatin1Char('0'));
        entries.append(QStringLiteral("/") + call + (i % 3 ? QStringLiteral("* ") : QStringLiteral(" "))
                       + QStringLiteral("12:34:56"));
        host.setStation(call, i % 2 ? 50.0f : 3.0f + float(i % 20)); // half in range
    }
    host.setEntries(entries);

    // 1,000 acknowledged: every 20th station of the first 10,000 plus
    // callsigns the host does not list; 100 watched, half heard.
    QStringList acked;
    for (int i = 0; i < 1000; ++i)
        acked.append(i % 2 ? QStringLiteral("ST%1").arg(i * 20 % 10000, 5, 10, QLatin1Char('0'))
                           : QStringLiteral("AK%1").arg(i));
    c.lstAcked->addItems(acked);
    for (int i = 0; i < 100; ++i)
        c.lstWatch->addItem(i % 2 ? QStringLiteral("ST%1").arg(i * 97 % std::max(stations, 1), 5, 10,
                                                                 QLatin1Char('0'))
                                  : QStringLiteral("WX%1").arg(i));

    ProgramGlobals globals;
    globals.gstrMyCallsign = QStringLiteral("MY0CALL");
    HostStation objStation;
    SilentMessages messages;
    ScanState state;
    StationScan stationScan(c, state, objStation, globals);
    WatchList watch(c, state, objStation, messages, QStringLiteral("Nearbell"));
    stationScan.setHost(&host);
    watch.setHost(&host);

    QElapsedTimer clock;
    qint64 lastYieldEnd = 0;
    qint64 longestWait = 0;
    int yields = 0;
    const YieldFunction yield = [&] {
        const qint64 now = clock.nsecsElapsed();
        longestWait = std::max(longestWait, now - lastYieldEnd);
        ++yields;
        QCoreApplication::processEvents();
        lastYieldEnd = clock.nsecsElapsed();
    };
    stationScan.setYield(yield);
    watch.setYield(yield);

    std::vector<double> times;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        yields = 0;
        clock.start();
        lastYieldEnd = 0;
        state.blnAlarm = false;
        stationScan.scan_stations();
        watch.scan_watchlist();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        // The stretch from the last yield to the end of the cycle counts too.
        longestWait = std::max(longestWait, clock.nsecsElapsed() - lastYieldEnd);
    }
    std::sort(times.begin(), times.end());
    Figures figures;
    figures.cycleMs = times[times.size() / 2];
    figures.longestWaitMs = double(longestWait) / 1e6;
    figures.listed = c.lstStations->count();
    figures.yields = yields;
    return figures;
}

// What the acknowledged test would cost as a walk through lstAcked for
// every station (1,000 entries), for comparison with the indexed look-up.
double linearAckSearchMs(int stations)
{
    QListWidget acked;
    acked.setSortingEnabled(true);
    for (int i = 0; i < 1000; ++i)
        acked.addItem(QStringLiteral("AK%1").arg(i));
    QElapsedTimer clock;
    clock.start();
    int found = 0;
    for (int s = 0; s < stations; ++s) {
        const QString call = QStringLiteral("ST%1").arg(s, 5, 10, QLatin1Char('0'));
        for (int i = 0; i < acked.count(); ++i) {
            if (acked.item(i)->text() == call) {
                ++found;
                break;
            }
        }
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    return found >= 0 ? ms : 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("%-10s %-10s %-14s %-22s %-8s %-8s\n", "stations", "visited", "cycle (ms)",
                "longest wait (ms)", "listed", "yields");
    QList<int> sizes{1000, 10000, 50000};
    if (argc > 1) { // sizes to run instead, e.g. "bench_scan 1000 5000"
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes.append(QString::fromLocal8Bit(argv[i]).toInt());
    }
    for (const int stations : sizes) {
        const Figures f = runCycles(stations, 5);
        std::printf("%-10d %-10d %-14.1f %-22.3f %-8d %-8d\n", stations,
                    std::min(stations, 32767), f.cycleMs, f.longestWaitMs, f.listed, f.yields);
    }
    for (const int stations : {10000, 32767})
        std::printf("linear lstAcked search per station, %d stations: %.1f ms a scan\n", stations,
                    linearAckSearchMs(stations));
    return 0;
}
