// How long a near station waits from its first packet to the siren, on the
// soak feed (scripts/soak_server.py, given by its port): our own host on
// APRS-IS, the whole monitor with Timer1 at 10 s and a 5 km range, with
// "Alarm at once" off or on. Prints the stations measured, the median and
// the 90th percentile. Usage: bench_alarm_latency PORT [SECONDS] [AT_ONCE 0|1]
#include "MonitorFixture.h"

#include "host/LocalHost.h"
#include "monitor/AlertFlags.h"
#include "monitor/ScanText.h"
#include "monitor/StationMonitor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace nearbell;

namespace {

// Notes, at each siren, how long every listed station has waited since its
// first packet (once per station).
class TimingSound : public SoundPlayer
{
public:
    void play(const QString &) override
    {
        for (const QString &line : lines()) {
            if (!line.contains(QStringLiteral(" distance ")))
                continue;
            const QString callsign = callsignOfLine(line);
            const auto heard = first.constFind(callsign);
            if (heard != first.cend() && !waited.contains(callsign))
                waited.insert(callsign, clock.elapsed() - *heard);
        }
    }
    std::function<QStringList()> lines;
    QElapsedTimer clock;
    QHash<QString, qint64> first;
    QHash<QString, qint64> waited;
};

qint64 percentile(std::vector<qint64> values, double share)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PORT [SECONDS] [AT_ONCE 0|1]\n", argv[0]);
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    AlertFlags flags;
    flags.atOnce = argc > 3 ? std::atoi(argv[3]) != 0 : true;

    QTemporaryDir dir;
    QFile profile(dir.filePath("uiview32.ini"));
    if (!profile.open(QIODevice::WriteOnly))
        return 1;
    profile.write("[STATION]\r\nCALLSIGN=PA3XYZ\r\nLATITUDE=5212.00N\r\nLONGITUDE=00512.00E\r\n[HOST]\r\n"
                  "SOURCE=APRSIS 127.0.0.1:" + QByteArray(argv[1]) + "\r\n");
    profile.close();
    std::unique_ptr<LocalHost> host = LocalHost::create(profile.fileName());

    test::MonitorFixture f;
    f.globals.gstrMyCallsign = QStringLiteral("PA3XYZ");
    f.c.txtRadius->setText(QStringLiteral("5"));
    TimingSound sound;
    StationMonitor monitor(f.c, f.objStation, f.globals, f.options, f.messages, sound, f.raiser);
    monitor.setAlertFlags(&flags);
    monitor.setHost(host.get());
    sound.lines = [&monitor] { return monitor.stationLines(); };
    sound.clock.start();
    QObject::connect(&host->table(), &StationTable::beaconReceived, &app,
                     [&sound](const QString &callsign) {
                         if (!sound.first.contains(callsign))
                             sound.first.insert(callsign, sound.clock.elapsed());
                     });
    host->start();
    f.c.Timer1->start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();

    std::vector<qint64> waited(sound.waited.cbegin(), sound.waited.cend());
    std::printf("alarm at once %s: %zu near stations, median %lld ms, 90th percentile %lld ms, %d extra cycles\n",
                flags.atOnce ? "on" : "off", waited.size(), static_cast<long long>(percentile(waited, 0.5)),
                static_cast<long long>(percentile(waited, 0.9)), monitor.extraCycle().runs());
    return 0;
}
