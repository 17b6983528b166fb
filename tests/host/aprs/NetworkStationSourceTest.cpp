#include "common/TestRegistry.h"
#include "Ax25TestFrames.h"
#include "host/LocalHost.h"
#include "host/aprs/AprsIsSource.h"
#include "host/aprs/KissSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace nearbell;

namespace {

// Own position of every case: 52°12.00' N, 5°12.00' E.
constexpr double kOwnLatitude = 52 * 60 + 12.0;
constexpr double kOwnLongitude = 5 * 60 + 12.0;
constexpr int kNearStations = 1000;
// A flood stops by itself after this long, whatever the test does.
constexpr int kFloodLimitMs = 60000;

enum class Feed { Kiss, AprsIs };

QByteArray nearCallsign(int i)
{
    return "NR" + QByteArray::number(i).rightJustified(4, '0');
}

// Up to 0.19' north and 0.49' east of the own position: within 1 km.
QByteArray nearPosition(int i)
{
    return "!5212." + QByteArray::number(i % 20).rightJustified(2, '0') + "N/00512."
        + QByteArray::number(i / 20).rightJustified(2, '0') + "E>";
}

// Distinct callsigns in the southern hemisphere, thousands of km away.
QByteArray distantCallsign(int serial)
{
    QByteArray call = "D";
    for (int i = 0; i < 5; ++i, serial /= 36)
        call += "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[serial % 36];
    return call;
}

QByteArray distantPosition(int serial)
{
    return "!" + QByteArray::number(10 + serial % 70).rightJustified(2, '0') + "00.00S/"
        + QByteArray::number(serial / 70 % 180).rightJustified(3, '0') + "00.00W>";
}

QByteArray packet(Feed feed, const QByteArray &callsign, const QByteArray &info)
{
    if (feed == Feed::Kiss)
        return test::kissFrame(callsign, false, info);
    return callsign + ">APRS,TCPIP*,qAC,T2FLOOD:" + info + "\r\n";
}

// Chunks that a flood sends in turn: each holds every near station and
// 4,000 distant ones, all distinct over the whole set.
std::vector<QByteArray> floodChunks(Feed feed, int count)
{
    std::vector<QByteArray> chunks;
    for (int c = 0; c < count; ++c) {
        QByteArray chunk;
        for (int i = 0; i < 4000; ++i) {
            const int serial = c * 4000 + i;
            chunk += packet(feed, distantCallsign(serial), distantPosition(serial));
            if (i % 4 == 0)
                chunk += packet(feed, nearCallsign(i / 4), nearPosition(i / 4));
        }
        chunks.push_back(chunk);
    }
    return chunks;
}

// A sender at full speed on loopback: writes its chunks in turn to whoever
// connects, as fast as the connection takes them, until stopped or its time
// is up.
class FloodServer
{
public:
    explicit FloodServer(std::vector<QByteArray> chunks) : m_chunks(std::move(chunks))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listen, reinterpret_cast<sockaddr *>(&address), length) != 0 || ::listen(m_listen, 4) != 0
            || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }

    ~FloodServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listen);
    }

    quint16 port() const { return m_port; }
    quint64 bytesSent() const { return m_sent; }

private:
    bool waitFor(int fd, short events)
    {
        pollfd p{fd, events, 0};
        return ::poll(&p, 1, 50) > 0;
    }

    void run()
    {
        QElapsedTimer running;
        running.start();
        int client = -1;
        size_t next = 0;
        qsizetype offset = 0;
        while (!m_stop && running.elapsed() < kFloodLimitMs) {
            if (client < 0) {
                if (waitFor(m_listen, POLLIN))
                    client = ::accept(m_listen, nullptr, nullptr);
                continue;
            }
            if (!waitFor(client, POLLOUT))
                continue;
            const QByteArray &chunk = m_chunks[next];
            const ssize_t sent = ::send(client, chunk.constData() + offset, size_t(chunk.size() - offset),
                                        MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent < 0 && errno != EAGAIN) {
                ::close(client); // gone: wait for the next connection
                client = -1;
                offset = 0;
                continue;
            }
            if (sent > 0) {
                m_sent += quint64(sent);
                offset += sent;
            }
            if (offset == chunk.size()) {
                offset = 0;
                next = (next + 1) % m_chunks.size();
            }
        }
        if (client >= 0)
            ::close(client);
    }

    std::vector<QByteArray> m_chunks;
    int m_listen = -1;
    quint16 m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<quint64> m_sent{0};
};

HostSettings ownSettings(const QString &source)
{
    HostSettings settings;
    settings.callsign = QStringLiteral("PA3XYZ");
    settings.hasOwnPosition = true;
    settings.ownLatitude = kOwnLatitude;
    settings.ownLongitude = kOwnLongitude;
    settings.source = SourceLine::parse(source);
    return settings;
}

// One walk as the station scan makes it, yielding after every station;
// returns the near stations (under 1 km) listed.
QSet<QString> walk(LocalHost &host)
{
    QSet<QString> near;
    HostStation station;
    const int count = host.StationCount();
    for (int i = 0; i < count; ++i) {
        qint16 index = qint16(i);
        const QString entry = host.StationListEntry(index);
        if (entry.isEmpty())
            break;
        QString callsign = entry.mid(1, entry.indexOf(u' ', 1) - 1);
        if (callsign.endsWith(u'*'))
            callsign.chop(1);
        station.setCallsign(callsign);
        if (host.GetStation(station) && station.Distance() < 1.0f && callsign != QStringLiteral("PA3XYZ"))
            near.insert(callsign);
        QCoreApplication::processEvents();
    }
    return near;
}

} // namespace

class NetworkStationSourceTest : public QObject
{
    Q_OBJECT

private slots:
    // A sender at full speed: the event loop keeps its beat, the table its
    // bound, and the near stations are all listed by the second walk.
    void floodLeavesTheNearStationsListed_data()
    {
        QTest::addColumn<int>("feed");
        QTest::newRow("KISS TNC") << int(Feed::Kiss);
        QTest::newRow("APRS-IS server") << int(Feed::AprsIs);
    }

    void floodLeavesTheNearStationsListed()
    {
        QFETCH(int, feed);
        FloodServer flood(floodChunks(Feed(feed), 24));
        QVERIFY(flood.port());
        const HostSettings settings = ownSettings(QString());
        std::unique_ptr<StationSource> source;
        if (Feed(feed) == Feed::Kiss)
            source = std::make_unique<KissSource>(QStringLiteral("127.0.0.1"), flood.port());
        else
            source = std::make_unique<AprsIsSource>(QStringLiteral("127.0.0.1"), flood.port(), settings);
        LocalHost host(settings, std::move(source));

        // How late a 5 ms beat comes at worst while the flood runs.
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, worstGapMs = 0;
        QTimer beat;
        beat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&beat, &QTimer::timeout, [&] {
            worstGapMs = std::max(worstGapMs, clock.elapsed() - last);
            last = clock.elapsed();
        });
        host.start();
        beat.start(5);
        QTRY_VERIFY_WITH_TIMEOUT(host.table().isFull(), 20000);
        last = clock.elapsed();
        worstGapMs = 0;

        QElapsedTimer took;
        took.start();
        const QSet<QString> first = walk(host);
        const qint64 firstMs = took.restart();
        const QSet<QString> second = walk(host);
        const qint64 secondMs = took.elapsed();
        qInfo("walks under the flood: %lld ms, %lld ms; near listed %lld, %lld; worst beat gap %lld ms; "
              "%llu bytes sent; %lld dropped",
              firstMs, secondMs, qint64(first.size()), qint64(second.size()), worstGapMs,
              flood.bytesSent(), host.table().droppedCount());

        QCOMPARE(second.size(), kNearStations);
        QCOMPARE(host.table().entryCount(), StationTable::kDefaultCapacity);
        QVERIFY(host.table().droppedCount() > 0);
        // Both walks fit well inside one 10 s cycle; nothing held the loop.
        QVERIFY2(firstMs < 5000 && secondMs < 5000, "a walk took too long");
        QVERIFY2(worstGapMs < 250, "the event loop was held up");
    }

    // A KISS TNC floods while an APRS-IS server sends a packet every 100 ms:
    // each of the quiet server's packets reaches the table promptly.
    void quietSourceKeepsItsShareDuringAFlood()
    {
        FloodServer flood(floodChunks(Feed::Kiss, 24));
        QVERIFY(flood.port());
        QTcpServer quiet;
        QVERIFY(quiet.listen(QHostAddress::LocalHost, 0));
        const HostSettings settings = ownSettings(QString());
        std::vector<std::unique_ptr<StationSource>> sources;
        sources.push_back(std::make_unique<KissSource>(QStringLiteral("127.0.0.1"), flood.port()));
        sources.push_back(std::make_unique<AprsIsSource>(QStringLiteral("127.0.0.1"), quiet.serverPort(), settings));
        LocalHost host(settings, std::move(sources));
        QElapsedTimer clock;
        clock.start();
        QHash<QString, qint64> arrived;
        QObject::connect(&host, &HostApplication::NotifyBeacon, [&](const QString &callsign) {
            if (callsign.startsWith(QLatin1String("QT")))
                arrived.insert(callsign, clock.elapsed());
        });
        host.start();
        QTRY_VERIFY_WITH_TIMEOUT(quiet.hasPendingConnections(), 5000);
        QTcpSocket *server = quiet.nextPendingConnection();
        QTRY_VERIFY_WITH_TIMEOUT(host.table().entryCount() > 5000, 20000);

        const quint64 floodBefore = flood.bytesSent();
        QHash<QString, qint64> sent;
        for (int i = 0; i < 20; ++i) {
            const QString callsign = QStringLiteral("QT%1").arg(i);
            sent.insert(callsign, clock.elapsed());
            server->write(callsign.toLatin1() + ">APRS,TCPIP*,qAC,T2QUIET:!5212.10N/00512.10E>\r\n");
            server->flush();
            QTest::qWait(100);
        }
        QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 20, 5000);
        const quint64 floodBytes = flood.bytesSent() - floodBefore;
        qint64 worstMs = 0;
        for (auto it = sent.cbegin(); it != sent.cend(); ++it)
            worstMs = std::max(worstMs, arrived.value(it.key()) - it.value());
        qInfo("quiet source beside a flood: worst delay %lld ms; %llu flood bytes meanwhile; %lld copies refused",
              worstMs, floodBytes, host.duplicates().copiesRefused());
        QVERIFY2(floodBytes > 1000000, "the flood did not run alongside");
        QVERIFY2(worstMs < 250, "the quiet source waited behind the flood");
    }

    // A burst larger than the socket holds, then the sender closes: the
    // reads are sliced, yet every packet sent before the close is taken in.
    void burstBeforeCloseIsTakenInWhole_data()
    {
        QTest::addColumn<int>("feed");
        QTest::addColumn<int>("packets");
        QTest::newRow("KISS, 10,000 frames") << int(Feed::Kiss) << 10000;
        QTest::newRow("APRS-IS, 5,000 lines") << int(Feed::AprsIs) << 5000;
        QTest::newRow("APRS-IS, 20,000 lines") << int(Feed::AprsIs) << 20000;
    }

    void burstBeforeCloseIsTakenInWhole()
    {
        QFETCH(int, feed);
        QFETCH(int, packets);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        const HostSettings settings = ownSettings(QString());
        std::unique_ptr<NetworkStationSource> source;
        if (Feed(feed) == Feed::Kiss)
            source = std::make_unique<KissSource>(QStringLiteral("127.0.0.1"), server.serverPort());
        else
            source = std::make_unique<AprsIsSource>(QStringLiteral("127.0.0.1"), server.serverPort(), settings);
        source->setBackoff(60000, 60000); // no second connection within the test
        int reports = 0;
        QObject::connect(source.get(), &StationSource::reportReceived, [&reports] { ++reports; });
        source->start();
        QTRY_VERIFY(server.hasPendingConnections());
        QTcpSocket *peer = server.nextPendingConnection();

        QByteArray burst;
        for (int i = 0; i < packets; ++i)
            burst += packet(Feed(feed), distantCallsign(i), distantPosition(i));
        QVERIFY(burst.size() > NetworkStationSource::kSocketBufferBytes);
        peer->write(burst);
        peer->disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(!source->isConnected(), 20000);
        QCOMPARE(reports, packets);
    }

    // The real program under a flood ends within 2 s of SIGTERM, having
    // saved its settings, and its scan cycles finish meanwhile.
    void sigtermEndsTheProgramDuringAFlood()
    {
        FloodServer flood(floodChunks(Feed::Kiss, 24));
        QVERIFY(flood.port());
        QTemporaryDir folder;
        const QString program = folder.filePath(QStringLiteral("nearbell"));
        QVERIFY(QFile::copy(QStringLiteral(NEARBELL_PROGRAM), program));
        QFile profile(folder.filePath(QStringLiteral("uiview32.ini")));
        QVERIFY(profile.open(QIODevice::WriteOnly));
        profile.write("[STATION]\nCALLSIGN=PA3XYZ\nLATITUDE=5212.00N\nLONGITUDE=00512.00E\n[HOST]\nSOURCE=KISS 127.0.0.1:"
                      + QByteArray::number(flood.port()) + "\n");
        profile.close();

        QProcess run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const QString latencyLog = folder.filePath(QStringLiteral("latency.log"));
        environment.insert(QStringLiteral("NEARBELL_LATENCY_LOG"), latencyLog);
        run.setProcessEnvironment(environment);
        run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        run.start(program, {});
        QVERIFY(run.waitForStarted());

        // The first cycle comes 10 s after the start; end in the middle of
        // the second one.
        QFile log(latencyLog);
        QList<double> cycles;
        QElapsedTimer waited;
        waited.start();
        while (cycles.isEmpty() && waited.elapsed() < 30000) {
            QTest::qWait(100);
            if (log.isOpen() || log.open(QIODevice::ReadOnly | QIODevice::Text)) {
                while (!log.atEnd()) {
                    const QList<QByteArray> words = log.readLine().trimmed().split(' ');
                    if (words.size() == 3 && words[1] == "cycle")
                        cycles.append(words[2].toDouble());
                }
            }
        }
        QVERIFY2(!cycles.isEmpty(), "no scan cycle finished under the flood");
        QVERIFY(cycles.first() < 5000);
        QTest::qWait(10000 - int(cycles.first()) + std::min(int(cycles.first()) / 2, 300));
        QCOMPARE(run.state(), QProcess::Running);

        QElapsedTimer ending;
        ending.start();
        run.terminate(); // SIGTERM
        QVERIFY(run.waitForFinished(10000));
        const qint64 endingMs = ending.elapsed();
        qInfo("first cycle under the flood %.1f ms; exit %lld ms after SIGTERM; %llu bytes sent",
              cycles.first(), endingMs, flood.bytesSent());
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QVERIFY2(endingMs < 2000, qPrintable(QStringLiteral("%1 ms").arg(endingMs)));
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("nearbell.INI"))));
    }
};

NEARBELL_TEST(NetworkStationSourceTest)
#include "NetworkStationSourceTest.moc"
