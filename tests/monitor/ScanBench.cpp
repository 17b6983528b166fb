// One scan cycle (station scan plus watch-list scan) over hosts of 1,000,
// 10,000 and 32,767 stations, with 1,000 acknowledged and 100 watched
// callsigns and half of the stations in range: the time per cycle with the
// window hidden (the floor) and shown, their ratio, the longest stretch the
// event loop waits between two yields and the longest single yield. Then
// "Acknowledge all" over 10,000 and 30,000 listed stations. Besides the
// wall-clock time of a shown cycle, its processor time and the number of
// yields it made. Last the Stations window with 32,767 stations: reading
// them from the host, one refresh, and sorting and filtering all rows.
#include "app/StationRowCollector.h"
#include "platform/ProgramGlobals.h"
#include "host/HostStation.h"
#include "host/ScriptedHost.h"
#include "monitor/MonitorControls.h"
#include "monitor/CycleSnapshot.h"
#include "monitor/StationScan.h"
#include "monitor/WatchList.h"
#include "monitor/AckList.h"
#include "platform/MessageDisplay.h"
#include "ui/ListBox.h"
#include "ui/RadarView.h"
#include "ui/PopupMenuPresenter.h"
#include "ui/frmStations.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace nearbell;

namespace {

class SilentMessages : public MessageDisplay
{
public:
    void show(QWidget *, const QString &, const QString &, Icon) override {}
};

// Processor time of this thread: on a machine shared with other work the
// wall-clock figures include the time other programs had the processor.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Figures
{
    double cycleMs = 0;
    double cpuMs = 0;
    double longestWaitMs = 0;
    double longestYieldMs = 0;
    int listed = 0;
    int yields = 0;
    // With the radar: what collecting the stations adds to the cycle, and
    // handing them to the drawing and drawing it once.
    double collectMs = 0;
    double drawMs = 0;
    double paintMs = 0; // of drawMs, the painting itself
    int drawn = 0;
};

struct RadarRun
{
    bool allInRange = false;
    bool collect = true;
    double plainCycleMs = 0; // processor time of the same cycle without collecting
};

Figures runCycles(int stations, int cycles, bool shown, const RadarRun *radar = nullptr)
{
    QWidget window;
    MonitorControls c;
    c.lstStations = new ListBox(&window, true);
    c.lstAcked = new ListBox(&window, true);
    c.lstWatch = new ListBox(&window);
    c.lstOverlayItems = new ListBox(&window);
    c.txtRadius = new QLineEdit(QStringLiteral("25"), &window);
    c.txtWatch = new QLineEdit(&window);
    c.lblMinDist = new QLabel(&window);
    c.lblOverlays = new QLabel(&window);
    c.cmdAddWatch = new QPushButton(&window);
    c.cmdShowWatch = new QPushButton(&window);
    c.Timer2 = new QTimer(&window);
    window.resize(640, 400);
    c.lstStations->setGeometry(8, 100, 180, 200);
    if (shown)
        window.show(); // the yields repaint the lists, as in the program

    ScriptedHost host;
    host.setRecordCalls(false);
    QStringList entries;
    entries.reserve(stations);
    for (int i = 0; i < stations; ++i) {
        const QString call = QStringLiteral("ST%1").arg(i, 5, 10, QLatin1Char('0'));
        entries.append(QStringLiteral("/") + call + (i % 3 ? QStringLiteral("* ") : QStringLiteral(" "))
                       + QStringLiteral("12:34:56"));
        // Half in range (or all, for the radar); placed at its distance
        // around the own station on the equator, in a spiral of the golden
        // angle.
        const float distance = i % 2 && !(radar && radar->allInRange) ? 50.0f : 3.0f + float(i % 20);
        const double angle = i * 2.39996;
        const double minutes = distance / 1.852;
        host.setStation(call, distance, float(minutes * std::cos(angle)), float(minutes * std::sin(angle)));
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
    qint64 longestYield = 0;
    int yields = 0;
    const YieldFunction yield = [&] {
        const qint64 now = clock.nsecsElapsed();
        longestWait = std::max(longestWait, now - lastYieldEnd);
        ++yields;
        QCoreApplication::processEvents();
        lastYieldEnd = clock.nsecsElapsed();
        longestYield = std::max(longestYield, lastYieldEnd - now);
    };
    stationScan.setYield(yield);
    watch.setYield(yield);
    CycleSnapshot seen;
    RadarView view;
    view.resize(600, 600);
    std::vector<double> drawTimes;
    std::vector<double> paintTimes;
    const bool collect = radar && radar->collect;
    if (collect)
        state.seen = &seen;

    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        yields = 0;
        const double cpuStart = threadCpuMs();
        clock.start();
        lastYieldEnd = 0;
        state.blnAlarm = false;
        if (collect)
            seen.begin();
        stationScan.scan_stations();
        watch.scan_watchlist();
        // What a yield would do next: the lines not yet shown reach the view.
        c.lstStations->flush();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        cpuTimes.push_back(threadCpuMs() - cpuStart);
        // The stretch from the last yield to the end of the cycle counts too.
        longestWait = std::max(longestWait, clock.nsecsElapsed() - lastYieldEnd);
        if (collect) {
            const double drawStart = threadCpuMs();
            seen.publish();
            RadarInput input;
            input.stations = seen.stations();
            input.hasOwnPosition = true;
            input.range = 25.0;
            input.unit = QStringLiteral("km");
            view.setInput(input);
            const double paintStart = threadCpuMs();
            QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&image);
            view.paint(painter);
            painter.end();
            drawTimes.push_back(threadCpuMs() - drawStart);
            paintTimes.push_back(threadCpuMs() - paintStart);
        }
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    Figures figures;
    figures.cycleMs = times[times.size() / 2];
    figures.cpuMs = cpuTimes[cpuTimes.size() / 2];
    figures.longestWaitMs = double(longestWait) / 1e6;
    figures.longestYieldMs = double(longestYield) / 1e6;
    figures.listed = c.lstStations->count();
    figures.yields = yields;
    if (collect) {
        std::sort(drawTimes.begin(), drawTimes.end());
        figures.drawMs = drawTimes[drawTimes.size() / 2];
        std::sort(paintTimes.begin(), paintTimes.end());
        figures.paintMs = paintTimes[paintTimes.size() / 2];
        figures.collectMs = figures.cpuMs - radar->plainCycleMs;
        figures.drawn = int(view.scene().marks().size());
    }
    return figures;
}

// The list's own share of a cycle: `lines` lines added one per yield to a
// shown sorted list, as the station scan adds them, in the list widget the
// window used before (set up as it was: batched layout of 10 rows, redrawn
// at most every 40 ms) and in ListBox.
template <typename List>
double fillMs(int lines)
{
    QWidget window;
    auto *list = new List(&window);
    constexpr bool former = std::is_same_v<List, QListWidget>;
    if constexpr (former) {
        list->setSortingEnabled(true);
        list->setLayoutMode(QListView::Batched);
        list->setBatchSize(10);
    }
    list->setUniformItemSizes(true);
    list->setGeometry(8, 8, 180, 200);
    window.show();
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer sinceRedraw;
    sinceRedraw.start();
    for (int i = 0; i < lines; ++i) {
        list->addItem(QStringLiteral("ST%1 distance 3.5").arg((i * 7919) % lines, 5, 10, QLatin1Char('0')));
        const bool redraw = !former || sinceRedraw.elapsed() >= 40;
        list->setUpdatesEnabled(redraw);
        QCoreApplication::processEvents();
        if (redraw && former)
            sinceRedraw.restart();
    }
    list->setUpdatesEnabled(true);
    return list->count() == lines ? double(clock.nsecsElapsed()) / 1e6 : -1.0;
}

// ">>" with `listed` lines in lstStations and 1,000 in lstAcked, half of
// the listed callsigns already acknowledged.
double ackAllMs(int listed)
{
    QWidget window;
    MonitorControls c;
    c.lstStations = new ListBox(&window, true);
    c.lstAcked = new ListBox(&window, true);
    window.show();
    QStringList lines;
    QStringList acked;
    for (int i = 0; i < listed; ++i) {
        const QString call = QStringLiteral("ST%1").arg(i, 5, 10, QLatin1Char('0'));
        lines.append(call + QStringLiteral(" distance 3.5"));
        if (i % 2 && acked.size() < 1000)
            acked.append(call);
    }
    c.lstStations->addItems(lines);
    c.lstAcked->addItems(acked);
    c.lstStations->flush();
    c.lstAcked->flush();
    QCoreApplication::processEvents();
    SilentMessages messages;
    AckList ackList(c, messages, QStringLiteral("Nearbell"));
    QElapsedTimer clock;
    clock.start();
    ackList.cmdAckAll_Click();
    QCoreApplication::processEvents(); // the view takes the new lines
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    return c.lstStations->count() == 0 && c.lstAcked->count() == listed ? ms : -1.0;
}

class NoPopups : public PopupMenuPresenter
{
public:
    void popup(QMenu *, QPoint) override {}
};

double medianOf(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The Stations window over a host of `stations`, each with a comment, a
// path, motion and a full track, 1,000 acknowledged: processor time of
// reading every station from the host (in slices between yields, the
// longest of them too), of one refresh of the shown window (the rows taken
// in, the selection and scroll position put back, the table laid out and
// painted), and of sorting and filtering all rows.
void stationsWindowFigures(int stations)
{
    ScriptedHost host;
    host.setRecordCalls(false);
    QStringList entries;
    const QDateTime heard = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < stations; ++i) {
        const QString call = QStringLiteral("ST%1").arg(i, 5, 10, QLatin1Char('0'));
        entries.append(QStringLiteral("/") + call + QStringLiteral(" 12:34:56"));
        const double angle = i * 2.39996;
        const double minutes = (3.0 + i % 200) / 1.852;
        host.setStation(call, float(3.0 + i % 200), float(minutes * std::cos(angle)), float(minutes * std::sin(angle)));
        HostStation::Details details;
        details.symbolCode = i % 2 ? '>' : '_';
        details.course = 1 + i % 360;
        details.speedKmh = i % 120;
        details.altitudeM = i % 900;
        details.comment = QStringLiteral("comment of station %1 with some words").arg(i);
        details.path = {QStringLiteral("DB0ABC*"), QStringLiteral("WIDE2-1")};
        details.packets = i % 50 + 1;
        details.lastHeard = heard.addSecs(-(i % 3600));
        for (int t = 0; t < 20; ++t)
            details.track.push_back({minutes * std::cos(angle) + t * 0.01, minutes * std::sin(angle), heard.addSecs(-t * 60)});
        host.setDetails(call, details);
    }
    host.setStation(QStringLiteral("MY0CALL"), 0.0f);
    host.setEntries(entries);

    QWidget main;
    auto *listed = new ListBox(&main, true);
    auto *acked = new ListBox(&main, true);
    auto *watched = new ListBox(&main);
    for (int i = 0; i < 1000; ++i)
        acked->addItem(QStringLiteral("ST%1").arg(i * 20, 5, 10, QLatin1Char('0')));
    for (int i = 1; i < 2000; i += 2)
        listed->addItem(QStringLiteral("ST%1 distance 3.5").arg(i, 5, 10, QLatin1Char('0')));
    ProgramGlobals globals;
    globals.gstrMyCallsign = QStringLiteral("MY0CALL");
    StationRowCollector collector(globals);
    collector.setHost(&host);
    collector.setLists(listed, acked, watched);

    std::vector<double> collectTimes;
    double longestSlice = 0;
    std::optional<std::vector<StationRow>> rows;
    for (int run = 0; run < 5; ++run) {
        double sliceStart = threadCpuMs();
        const double start = sliceStart;
        rows = collector.collect([&] {
            longestSlice = std::max(longestSlice, threadCpuMs() - sliceStart);
            QCoreApplication::processEvents();
            sliceStart = threadCpuMs();
        }, [] { return true; });
        collectTimes.push_back(threadCpuMs() - start);
    }
    if (!rows)
        return;

    NoPopups popups;
    frmStations window(popups);
    window.resize(1100, 600);
    window.show();
    window.setRows(*rows, heard);
    QCoreApplication::processEvents();
    window.selectCallsign(QStringLiteral("ST16000"));
    window.tblStations->scrollTo(window.model().index(window.model().rowOf(QStringLiteral("ST16000")), 0));
    std::vector<double> refreshTimes;
    for (int run = 0; run < 9; ++run) {
        std::vector<StationRow> copy = *rows;
        const double start = threadCpuMs();
        window.setRows(std::move(copy), heard);
        window.repaint();
        refreshTimes.push_back(threadCpuMs() - start);
    }
    const bool kept = window.selectedCallsign() == QStringLiteral("ST16000");

    const auto timed = [&window](const auto &change) {
        std::vector<double> times;
        for (int run = 0; run < 3; ++run) {
            const double start = threadCpuMs();
            change(run);
            window.repaint();
            times.push_back(threadCpuMs() - start);
        }
        return medianOf(times);
    };
    QTableView *table = window.tblStations;
    const double byDistance = timed([table](int run) {
        table->sortByColumn(StationTableModel::Distance, run % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
    });
    const double byCallsign = timed([table](int run) {
        table->sortByColumn(StationTableModel::Callsign, run % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
    });
    const double byComment = timed([table](int run) {
        table->sortByColumn(StationTableModel::Comment, run % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
    });
    const double byHeard = timed([table](int run) {
        table->sortByColumn(StationTableModel::LastHeard, run % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
    });
    const double filterText = timed([&window](int run) {
        window.txtFilter->setText(run % 2 ? QString() : QStringLiteral("station 1"));
    });
    window.txtFilter->clear();
    const double filterRange = timed([&window](int run) { window.chkInRange->setChecked(run % 2 == 0); });

    std::printf("Stations window, %d stations (%d rows), processor time:\n", stations, int(rows->size()));
    std::printf("  reading them from the host %.1f ms (longest slice between yields %.2f ms)\n",
                medianOf(collectTimes), longestSlice);
    std::printf("  one refresh of the shown window %.1f ms (selection kept: %s)\n", medianOf(refreshTimes),
                kept ? "yes" : "NO");
    std::printf("  sorting all rows by distance %.1f ms, callsign %.1f ms, comment %.1f ms, last heard %.1f ms\n",
                byDistance, byCallsign, byComment, byHeard);
    std::printf("  filtering all rows by text %.1f ms, to those in range or watched %.1f ms\n", filterText,
                filterRange);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("%-9s %-8s %-12s %-12s %-15s %-7s %-18s %-18s %-7s %-7s\n", "stations", "visited", "hidden (ms)",
                "shown (ms)", "shown cpu (ms)", "ratio", "longest wait (ms)", "longest yield (ms)", "listed",
                "yields");
    QList<int> sizes{1000, 10000, 32767};
    if (argc > 1) { // sizes to run instead, e.g. "bench_scan 1000 5000"
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes.append(QString::fromLocal8Bit(argv[i]).toInt());
    }
    for (const int stations : sizes) {
        const Figures hidden = runCycles(stations, 9, false);
        const Figures shown = runCycles(stations, 9, true);
        std::printf("%-9d %-8d %-12.1f %-12.1f %-15.1f %-7.2f %-18.3f %-18.3f %-7d %-7d\n", stations,
                    std::min(stations, 32767), hidden.cycleMs, shown.cycleMs, shown.cpuMs,
                    shown.cycleMs / hidden.cycleMs, shown.longestWaitMs, shown.longestYieldMs, shown.listed,
                    shown.yields);
    }
    std::printf("Radar, window hidden, processor time per cycle: collecting (cycle with it less without), handing "
                "over and drawing 600 x 600:\n");
    for (const auto &[stations, all] : {std::pair{1000, true}, std::pair{32767, false}, std::pair{32767, true}}) {
        RadarRun radar;
        radar.allInRange = all;
        radar.collect = false;
        radar.plainCycleMs = runCycles(stations, 9, false, &radar).cpuMs;
        radar.collect = true;
        const Figures withRadar = runCycles(stations, 9, false, &radar);
        std::printf("  %5d stations, %5d drawn: collecting %.2f ms, drawing %.2f ms (painting %.2f), together %.2f ms\n",
                    stations, withRadar.drawn, withRadar.collectMs, withRadar.drawMs, withRadar.paintMs,
                    withRadar.collectMs + withRadar.drawMs);
    }
    std::printf("Filling a shown sorted list, one line per yield:\n");
    for (const int lines : {1000, 10000})
        std::printf("  %5d lines: former list widget %.1f ms, ListBox %.1f ms\n", lines, fillMs<QListWidget>(lines),
                    fillMs<ListBox>(lines));
    for (const int listed : {10000, 30000})
        std::printf("\"Acknowledge all\" with %d listed: %.1f ms\n", listed, ackAllMs(listed));
    stationsWindowFigures(32767);
    return 0;
}
