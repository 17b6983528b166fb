// Decoding throughput on a mixed corpus of position packets, against Dire
// Wolf's decode_aprs on the same corpus, and the main-thread cost of a full
// APRS-IS feed. Prints figures; not a test.

#include "host/StationTable.h"
#include "host/aprs/AprsDecoder.h"
#include "host/aprs/AprsReport.h"

#ifdef NEARBELL_BASELINE_DECODER
// The decoder before it read course, speed, altitude, texts and path.
#define nearbell nearbell_baseline
#include "BaselineAprsDecoder.h"
#undef nearbell
#endif
#include "host/aprs/AprsIsSource.h"
#include "host/aprs/KissDeframer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace nearbell;

namespace {

QByteArray latText(double minutes, int degreeDigits, char positive, char negative)
{
    const char hemisphere = minutes < 0 ? negative : positive;
    minutes = std::round(std::abs(minutes) * 100) / 100; // no "60.00" minutes
    const int degrees = int(minutes / 60);
    const double rest = minutes - degrees * 60;
    return QByteArray::number(degrees).rightJustified(degreeDigits, '0')
        + QByteArray::number(rest, 'f', 2).rightJustified(5, '0') + hemisphere;
}

QByteArray base91(long value)
{
    QByteArray out(4, '!');
    for (int i = 3; i >= 0; --i) {
        out[i] = char(33 + value % 91);
        value /= 91;
    }
    return out;
}

// A mixed corpus: uncompressed with and without timestamp, compressed,
// Mic-E, objects, items, third-party, raw GPS, in equal shares.
std::vector<QByteArray> makeCorpus(int count)
{
    QRandomGenerator random(12345);
    std::vector<QByteArray> corpus;
    corpus.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const double lat = 52 * 60 + random.bounded(600.0) - 300.0;
        const double lon = 5 * 60 + random.bounded(600.0) - 300.0;
        const QByteArray call = "PD" + QByteArray::number(i % 10) + "AB" + char('A' + i % 26);
        const QByteArray pos = latText(lat, 2, 'N', 'S') + '/' + latText(lon, 3, 'E', 'W');
        switch (i % 8) {
        case 0: corpus.push_back(call + ">APRS,WIDE1-1,WIDE2-1:!" + pos + "-comment text"); break;
        case 1: corpus.push_back(call + ">APRS,DIGI*,WIDE2-1:@071200z" + pos + ">088/036"); break;
        case 2:
            corpus.push_back(call + ">APRS,TCPIP*,qAC,T2TEST:=/"
                             + base91(long(380926 * (90 - lat / 60))) + base91(long(190463 * (180 + lon / 60)))
                             + ">7P[");
            break;
        case 3: corpus.push_back(call + ">T2SP0W,WIDE1-1:`(_fn\"Oj/]comment"); break;
        case 4: corpus.push_back(call + ">APRS:;OBJ" + QByteArray::number(i % 100).leftJustified(6, ' ') + "*071200z" + pos + ";"); break;
        case 5: corpus.push_back(call + ">APRS:)ITEM" + QByteArray::number(i % 10) + "!" + pos + "a"); break;
        case 6: corpus.push_back("GATE>APRS:}" + call + ">APRS,TCPIP,GATE*:=" + pos + "y"); break;
        default: {
            const auto nmea = [](double minutes, int degreeDigits) {
                minutes = std::round(minutes * 10000) / 10000;
                const int degrees = int(minutes / 60);
                return QByteArray::number(degrees).rightJustified(degreeDigits, '0')
                    + QByteArray::number(minutes - degrees * 60, 'f', 4).rightJustified(7, '0');
            };
            corpus.push_back(call + ">GPS:$GPGGA,102705," + nmea(lat, 2) + ",N," + nmea(lon, 3)
                             + ",E,1,04,2.0,75.7,M,47.6,M,,");
            break;
        }
        }
    }
    return corpus;
}

// The best of three rounds of one decoder over the corpus.
template <typename Decoder, typename Position, typename Status>
double decodeRate(const std::vector<QByteArray> &corpus, int &positions, Status positionStatus)
{
    double best = 0;
    for (int round = 0; round < 3; ++round) {
        positions = 0;
        Position position;
        QElapsedTimer timer;
        timer.start();
        for (const QByteArray &line : corpus) {
            if (Decoder::decodeTnc2(std::string_view(line.constData(), std::size_t(line.size())), position)
                == positionStatus)
                ++positions;
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        best = std::max(best, corpus.size() / seconds);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::vector<QByteArray> corpus = makeCorpus(200000);

    int positions = 0;
#ifdef NEARBELL_BASELINE_DECODER
    // Taken in turns, so that both meet the same load of the machine.
    // The cost is the median of the turns' ratios: on a shared machine the
    // load changes between turns more than within one.
    double before = 0;
    double ours = 0;
    std::vector<double> costs;
    for (int turn = 0; turn < 15; ++turn) {
        const double b = decodeRate<nearbell_baseline::AprsDecoder, nearbell_baseline::AprsPosition>(
            corpus, positions, nearbell_baseline::AprsStatus::Position);
        const double o = decodeRate<AprsDecoder, AprsPosition>(corpus, positions, AprsStatus::Position);
        before = std::max(before, b);
        ours = std::max(ours, o);
        costs.push_back(b / o - 1.0);
    }
    std::sort(costs.begin(), costs.end());
    std::printf("TNC2 decode before course, speed, altitude, texts and path: %.0f packets/s\n", before);
    std::printf("TNC2 decode: %.0f packets/s on one core (%d of %zu lines gave positions); "
                "the added fields cost %+.1f%% (median of %zu turns)\n",
                ours, positions, corpus.size(), costs[costs.size() / 2] * 100.0, costs.size());
#else
    const double ours = decodeRate<AprsDecoder, AprsPosition>(corpus, positions, AprsStatus::Position);
    std::printf("TNC2 decode: %.0f packets/s on one core (%d of %zu lines gave positions)\n", ours,
                positions, corpus.size());
#endif
    // The decoded fields as the station table gets them, text and path included.
    {
        AprsPosition position;
        QElapsedTimer timer;
        timer.start();
        qsizetype characters = 0;
        for (const QByteArray &line : corpus) {
            if (isReport(AprsDecoder::decodeTnc2(std::string_view(line.constData(), std::size_t(line.size())),
                                                 position))) {
                const StationReport report = toStationReport(position);
                characters += report.comment.size() + report.path.size();
            }
        }
        std::printf("TNC2 decode into station reports: %.0f packets/s (%lld characters of text)\n",
                    corpus.size() / (timer.nsecsElapsed() / 1e9), static_cast<long long>(characters));
    }

    // Main-thread cost of a full APRS-IS feed: 200 lines a second, through
    // line splitting, decoding, the report and the station table.
    {
        HostSettings settings;
        AprsIsSource source(QStringLiteral("127.0.0.1"), 1, settings);
        StationTable table;
        QObject::connect(&source, &StationSource::reportReceived, &table, &StationTable::apply);
        QByteArray second;
        for (int i = 0; i < 200; ++i)
            second += corpus[std::size_t(i * 997 % corpus.size())] + "\r\n";
        QElapsedTimer timer;
        timer.start();
        const int seconds = 100;
        for (int s = 0; s < seconds; ++s)
            source.consume(second);
        const double ms = timer.nsecsElapsed() / 1e6 / seconds;
        std::printf("APRS-IS feed on the main thread: %.3f ms per second of a 200 packet/s feed "
                    "(%.3f%% of the thread)\n", ms, ms / 10.0);
    }

    const QString decodeAprs = QStandardPaths::findExecutable(QStringLiteral("decode_aprs"));
    if (decodeAprs.isEmpty()) {
        std::printf("decode_aprs not installed: no comparison\n");
        return 0;
    }
    // decode_aprs is far slower; a tenth of the corpus keeps the run short.
    QTemporaryFile file;
    if (!file.open())
        return 1;
    const std::size_t share = corpus.size() / 10;
    for (std::size_t i = 0; i < share; ++i)
        file.write(corpus[i] + '\n');
    file.close();
    QProcess process;
    process.setStandardInputFile(file.fileName());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(decodeAprs, {});
    if (!process.waitForFinished(600000)) {
        std::printf("decode_aprs did not finish\n");
        return 1;
    }
    const double theirs = share / (timer.nsecsElapsed() / 1e9);
    std::printf("decode_aprs: %.0f packets/s (output to /dev/null)\n", theirs);
    std::printf("ratio: %.1f times the packets per second of decode_aprs\n", ours / theirs);
    return 0;
}
