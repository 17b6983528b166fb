// Load + scan of 2,500 overlay objects in 50 files, as every 10-second scan
// cycle does it while overlay scanning is on. Prints milliseconds per cycle.
#include "OverlayFiles.h"
#include "host/HostStation.h"
#include "host/ScriptedHost.h"
#include "overlay/OverlayScan.h"
#include "ui/ListBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace nearbell;

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    // Objects spread over about 60 km around the own station at 5212.34N 00512.34E.
    for (int f = 0; f < 50; ++f) {
        QByteArray content = "* generated overlay file\r\n";
        for (int i = 0; i < 50; ++i) {
            const int n = f * 50 + i;
            const double lat = 52 * 60 + 12.34 + (n % 41 - 20) * 0.8;
            const double lon = 5 * 60 + 12.34 + (n / 41 - 30) * 0.9;
            const QByteArray latText = QByteArray::number(int(lat) / 60).rightJustified(2, '0')
                                       + QByteArray::number(lat - int(lat) / 60 * 60, 'f', 2).rightJustified(5, '0')
                                       + 'N';
            const QByteArray lonText = QByteArray::number(int(lon) / 60).rightJustified(3, '0')
                                       + QByteArray::number(lon - int(lon) / 60 * 60, 'f', 2).rightJustified(5, '0')
                                       + 'E';
            const QByteArray name = "OBJ" + QByteArray::number(n);
            if (n % 5 == 0) {
                content += test::objectLine(name, latText, lonText, "") + "\r\n";
                content += name.leftJustified(8, ' ') + ">Status text of the object\r\n";
            } else {
                content += test::objectLine(name, latText, lonText, "Description of object " + QByteArray::number(n)) + "\r\n";
            }
        }
        test::writeBytes(dir.filePath(QStringLiteral("OVERLAYS/file%1.pos").arg(f, 2, 10, QLatin1Char('0'))), content);
    }

    ListBox list;
    QLineEdit radius(QStringLiteral("25"));
    QLabel label;
    ScriptedHost host;
    host.setRecordCalls(false);
    host.setStation(QStringLiteral("PA0ME"), 0.0f, 3132.34f, 312.34f);
    HostStation station;
    OverlayScan scan(&list, &radius, &label, &host, station, QStringLiteral("PA0ME"),
                     HostFolder(dir.filePath(QStringLiteral("no store.ini")), dir.path()));

    const auto measure = [&](const char *what, int cycles, auto &&cycle) {
        cycle(); // warm the caches once
        // Processor time as well as wall time: on a busy machine the wall
        // clock also counts the time other processes had the processor.
        timespec cpuStart{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuStart);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < cycles; ++i)
            cycle();
        const double ms = double(timer.nsecsElapsed()) / 1e6 / cycles;
        timespec cpuEnd{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuEnd);
        const double cpuMs = (double(cpuEnd.tv_sec - cpuStart.tv_sec) * 1e3
                              + double(cpuEnd.tv_nsec - cpuStart.tv_nsec) / 1e6) / cycles;
        std::printf("%-42s %8.3f ms wall %8.3f ms processor per cycle\n", what, ms, cpuMs);
    };

    scan.scan_overlays();
    std::printf("objects read: %d, listed within %s km: %d\n", int(scan.table().gintOverlayCount()),
                qPrintable(radius.text()), int(list.count()));
    measure("scan_overlays (load + distances + list)", 200, [&] { scan.scan_overlays(); });
    OverlayTable table;
    const HostFolder folder(dir.filePath(QStringLiteral("no store.ini")), dir.path());
    measure("load_overlay_items alone", 200, [&] { table.load_overlay_items(folder); });
    const QStringList files = folder.overlayFiles();
    measure("load_overlay_items, file list known", 200, [&] { table.load_overlay_items(files); });
    radius.setText(QStringLiteral("1000"));
    measure("scan_overlays, all 2500 listed", 200, [&] { scan.scan_overlays(); });
    radius.setText(QStringLiteral("0"));
    measure("scan_overlays, none listed", 200, [&] { scan.scan_overlays(); });

    // A 500 MB overlay file without a line break (sparse: no disk used).
    const QString huge = dir.filePath(QStringLiteral("OVERLAYS/zz_huge.pos"));
    {
        QFile file(huge);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(500LL << 20))
            return 1;
    }
    const QStringList withHuge = folder.overlayFiles();
    measure("load_overlay_items with a 500 MB line", 20, [&] { table.load_overlay_items(withHuge); });
    std::printf("objects read with the 500 MB file: %d\n", int(table.gintOverlayCount()));
    QFile::remove(huge);
    return 0;
}
