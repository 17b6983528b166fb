#include "common/TestRegistry.h"
#include "Ax25TestFrames.h"
#include "host/DemoSource.h"
#include "host/HostSettings.h"
#include "host/LocalHost.h"
#include "host/StationSourceFactory.h"
#include "host/aprs/AprsIsSource.h"
#include "host/aprs/KissSource.h"
#include "host/aprs/ReplaySource.h"
#include "host/aprs/SerialKissSource.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>

using namespace nearbell;

namespace {

// A port on the loopback where nothing listens (for now).
quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// A UI frame from N0CALL with a position, as a KISS TNC sends it.
QByteArray kissPosition()
{
    auto address = [](const QByteArray &call, bool last) {
        QByteArray out;
        for (int i = 0; i < 6; ++i)
            out.append(char((i < call.size() ? call[i] : ' ') << 1));
        out.append(char(0x60 | (last ? 1 : 0)));
        return out;
    };
    const QByteArray frame = address("APRS", false) + address("N0CALL", true) + QByteArray("\x03\xf0", 2)
                             + "!4903.50N/07201.75W-";
    return QByteArray(1, char(0xc0)) + QByteArray(1, 0) + frame + QByteArray(1, char(0xc0));
}

QByteArray readLine(QTcpSocket *socket)
{
    QElapsedTimer timer;
    timer.start();
    while (!socket->canReadLine() && timer.elapsed() < 5000)
        QTest::qWait(5);
    return socket->readLine();
}

bool waitFor(QSignalSpy &spy, const QString &text, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        for (const QList<QVariant> &call : spy) {
            if (call.at(0).toString().contains(text))
                return true;
        }
        if (timer.elapsed() > ms)
            return false;
        spy.wait(50);
    }
}

} // namespace

class SourceStatusTest : public QObject
{
    Q_OBJECT

private slots:
    // One network source through refused, connected, data, silence and
    // loss; every text worked out at the time of asking.
    void networkSourceStates()
    {
        const quint16 port = freePort();
        QVERIFY(port != 0);
        const QString name = QStringLiteral("KISS 127.0.0.1:%1").arg(port);
        qint64 now = 1000000;
        KissSource source(QStringLiteral("127.0.0.1"), port);
        source.setClock([&now] { return now; });
        source.setBackoff(1000, 60000);
        QSignalSpy states(&source, &StationSource::connectionStateChanged);
        source.start();
        QVERIFY(waitFor(states, "lost"));
        QCOMPARE(source.status(), (StatusPart{name + ": connection refused, next attempt in 1 s", true}));
        now += 400; // the count-down rounds up
        QCOMPARE(source.status().text, name + ": connection refused, next attempt in 1 s");

        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, port));
        QVERIFY(waitFor(states, "connected"));
        QCOMPARE(source.status(), (StatusPart{name + " connected, nothing received yet", false}));
        QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 5000);
        QTcpSocket *tnc = server.nextPendingConnection();
        QSignalSpy reports(&source, &StationSource::reportReceived);
        tnc->write(kissPosition());
        QVERIFY(reports.wait(5000));
        QCOMPARE(source.status(), (StatusPart{name + " connected, last packet 0 s ago", false}));
        now += 12000;
        QCOMPARE(source.status(), (StatusPart{name + " connected, last packet 12 s ago", false}));
        now += 10 * 60 * 1000;
        QCOMPARE(source.status(), (StatusPart{name + " connected, but no data for 10 min", true}));

        tnc->close();
        QVERIFY(waitFor(states, "closed the connection"));
        QCOMPARE(source.status(),
                 (StatusPart{name + ": the remote host closed the connection, next attempt in 1 s", true}));
    }

    // Both kinds of waiting source count their wait down at the time of
    // asking, and "Reconnect now" ends the wait at once.
    void waitCountsDownAndEndsOnRequest_data()
    {
        QTest::addColumn<bool>("serial");
        QTest::newRow("KISS over TCP") << false;
        QTest::newRow("serial TNC") << true;
    }

    void waitCountsDownAndEndsOnRequest()
    {
        QFETCH(bool, serial);
        QTemporaryDir dir;
        qint64 now = 1000000;
        const auto waiting = [&now](auto tnc) {
            tnc->setClock([&now] { return now; });
            tnc->setBackoff(8000, 60000);
            return std::unique_ptr<StationSource>(std::move(tnc));
        };
        const std::unique_ptr<StationSource> source =
            serial ? waiting(std::make_unique<SerialKissSource>(dir.filePath("no-tty"), 9600))
                   : waiting(std::make_unique<KissSource>(QStringLiteral("127.0.0.1"), freePort()));
        QSignalSpy states(source.get(), &StationSource::connectionStateChanged);
        source->start();
        QVERIFY(waitFor(states, "next attempt in 8 s"));
        QVERIFY(source->status().failure);
        QVERIFY2(source->status().text.endsWith("next attempt in 8 s"), qPrintable(source->status().text));
        now += 5000;
        QVERIFY2(source->status().text.endsWith("next attempt in 3 s"), qPrintable(source->status().text));
        now += 4000; // due, not yet made
        QVERIFY(source->status().text.endsWith("next attempt in 1 s"));
        source->reconnectNow();
        QVERIFY(waitFor(states, "next attempt in 16 s", 3000));
        QVERIFY(source->status().text.endsWith("next attempt in 16 s"));
    }

    // A source that flips between connected and refused every 100 ms: the
    // status follows every flip.
    void flippingSourceIsFollowed()
    {
        const quint16 port = freePort();
        KissSource source(QStringLiteral("127.0.0.1"), port);
        source.setBackoff(50, 50);
        QSignalSpy states(&source, &StationSource::connectionStateChanged);
        source.start();
        QTcpServer server;
        for (int flip = 0; flip < 6; ++flip) {
            QVERIFY(server.listen(QHostAddress::LocalHost, port));
            QTRY_VERIFY_WITH_TIMEOUT(source.status().text.contains(" connected"), 3000);
            QVERIFY(!source.status().failure);
            QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 3000);
            QTest::qWait(100);
            server.close();
            delete server.nextPendingConnection();
            QTRY_VERIFY_WITH_TIMEOUT(source.status().failure, 3000);
            QVERIFY(source.status().text.contains("next attempt in")
                    || source.status().text.contains("connecting again"));
        }
    }

    // A replay that cannot be read says so at once, whatever it is; a
    // regular file is read in bounded lines.
    void replayOfSpecialFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO") << "fifo" << "it is a FIFO (named pipe), not a regular file";
        QTest::newRow("/dev/zero") << "zero" << "it is a device, not a regular file";
        QTest::newRow("/dev/urandom") << "urandom" << "it is a device, not a regular file";
        QTest::newRow("a folder") << "folder" << "it is a folder, not a file";
        QTest::newRow("missing") << "missing" << "No such file or directory";
    }

    void replayOfSpecialFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString path = dir.filePath(kind);
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (kind == "zero" || kind == "urandom")
            path = "/dev/" + kind;
        if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        ReplaySource source(path, 10);
        QElapsedTimer timer;
        timer.start();
        source.start();
        QVERIFY(timer.elapsed() < 1000);
        QCOMPARE(source.lineCount(), 0);
        QCOMPARE(source.status(), (StatusPart{"REPLAY " + path + " cannot be read: " + reason, true}));
    }

    void replayReadsBoundedLines()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("replay.tnc2"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# comment\r\nN0CALL>APRS:!4903.50N/07201.75W-\r\n");
        file.write(QByteArray(3 * 1024 * 1024, 'x')); // one line without end, far too long
        file.write("\nN1CALL>APRS:!4903.50N/07201.75W-\r\n\r\nN2CALL>APRS:!4903.50N/07201.75W-");
        file.close();
        // Relative paths start in the given folder.
        ReplaySource source("replay.tnc2", 10, nullptr, dir.path());
        source.start();
        QCOMPARE(source.lineCount(), 3);
        QCOMPARE(source.status(), (StatusPart{"REPLAY " + dir.filePath("replay.tnc2") + " playing 3 lines", false}));
    }

    // The host adds how many stations were heard, and says when there is no
    // own position to measure from.
    void hostStatusParts_data()
    {
        QTest::addColumn<bool>("ownPosition");
        QTest::newRow("with own position") << true;
        QTest::newRow("own position unknown") << false;
    }

    void hostStatusParts()
    {
        QFETCH(bool, ownPosition);
        HostSettings settings;
        settings.callsign = "N0DEMO";
        settings.hasOwnPosition = ownPosition;
        settings.ownLatitude = 3132.34;
        settings.ownLongitude = 312.34;
        auto demo = std::make_unique<DemoSource>(3132.34, 312.34, 7);
        demo->setInterval(60000);
        LocalHost host(settings, std::move(demo));
        QCOMPARE(host.statusParts().first().text, QString("Demo: 6 simulated stations, no radio, 0 stations heard"));
        host.start();
        const StatusParts parts = host.statusParts();
        QCOMPARE(parts.first(), (StatusPart{"Demo: 6 simulated stations, no radio, 6 stations heard", false}));
        const StatusPart unknown{"Own position unknown: distances cannot be measured "
                                 "(uiview32.ini, STATION, LATITUDE/LONGITUDE)",
                                 true};
        QCOMPARE(parts.size(), ownPosition ? 1 : 2);
        if (!ownPosition)
            QCOMPARE(parts.last(), unknown);
    }

    // A KISS TNC and an APRS-IS server of our own feed one table: the packet
    // both deliver counts once, the APRS-IS login and filters work as with
    // one source, and each source shows its own state.
    void twoSourcesAtOnce()
    {
        QTcpServer tnc, server;
        QVERIFY(tnc.listen(QHostAddress::LocalHost, 0));
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        HostSettings settings;
        settings.callsign = "PA0OWN";
        settings.hasOwnPosition = true;
        settings.ownLatitude = 52 * 60 + 12.0;
        settings.ownLongitude = 5 * 60 + 12.0;
        const QString kiss = QStringLiteral("KISS 127.0.0.1:%1").arg(tnc.serverPort());
        const QString aprsIs = QStringLiteral("APRSIS 127.0.0.1:%1").arg(server.serverPort());
        std::vector<std::unique_ptr<StationSource>> sources;
        for (const QString &source : {kiss, "aprsis  127.0.0.1:" + QString::number(server.serverPort())}) {
            settings.source = SourceLine::parse(source);
            sources.push_back(makeStationSource(settings));
        }
        LocalHost host(settings, std::move(sources));
        host.setWatchedCallsigns({"PD9WAT"});
        QSignalSpy beacons(&host, &HostApplication::NotifyBeacon);
        host.start();

        QTRY_VERIFY(tnc.hasPendingConnections() && server.hasPendingConnections());
        QTcpSocket *radio = tnc.nextPendingConnection();
        QTcpSocket *internet = server.nextPendingConnection();
        QCOMPARE(readLine(internet),
                 QByteArray("user PA0OWN pass -1 vers Nearbell 0.5.4 filter r/52.2000/5.2000/100 b/PD9WAT\r\n"));
        host.setWatchedCallsigns({"PD9WAT", "PD9TWO"});
        QCOMPARE(readLine(internet), QByteArray("#filter r/52.2000/5.2000/100 b/PD9WAT/PD9TWO\r\n"));

        radio->write(test::kissFrame("PD1AAA", true, "!5212.50N/00512.00E-"));
        QTRY_COMPARE(beacons.size(), 1);
        internet->write("PD1AAA>APRS,DIGI-1*,qAR,PA0IG:!5212.50N/00512.00E-\r\n"
                        "PD9WAT>APRS,TCPIP*,qAC,T2TEST:!4903.50N/07201.75W-\r\n");
        QTRY_COMPARE(beacons.size(), 2);
        QTest::qWait(50);
        QCOMPARE(beacons.size(), 2);
        QCOMPARE(host.table().find("PD1AAA")->source, kiss);
        QCOMPARE(host.table().find("PD9WAT")->source, aprsIs);
        QCOMPARE(host.StationCount(), qint16(3));

        const StatusParts parts = host.statusParts();
        QCOMPARE(parts.size(), 3);
        QCOMPARE(parts.at(0), (StatusPart{kiss + " connected, last packet 0 s ago", false}));
        QCOMPARE(parts.at(1), (StatusPart{aprsIs + " connected, last packet 0 s ago", false}));
        QCOMPARE(parts.at(2), (StatusPart{"2 stations heard", false}));
        // The radio goes; the internet stays.
        radio->close();
        QTRY_VERIFY(host.statusParts().at(0).failure);
        QVERIFY(host.statusParts().at(0).text.startsWith(kiss + ": the remote host closed the connection"));
        QCOMPARE(host.statusParts().at(1).failure, false);
    }
};

NEARBELL_TEST(SourceStatusTest)
#include "SourceStatusTest.moc"
