#include "common/TestRegistry.h"
#include "Ax25TestFrames.h"
#include "host/StationSourceFactory.h"
#include "host/aprs/SerialKissSource.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <sys/stat.h>
#include <memory>

using namespace nearbell;
using nearbell::test::kissFrame;

namespace {

// CPU time this process used, in milliseconds: a busy loop shows here even
// when the event loop looks idle.
qint64 cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// A TNC at the far end of a pseudo-terminal: what is written to the
// process goes out on the terminal at `link`; what the source sends comes
// back on the process's output.
class FakeTnc
{
public:
    explicit FakeTnc(QString link) : m_link(std::move(link)) {}
    ~FakeTnc() { stop(); }

    bool start()
    {
        m_process = std::make_unique<QProcess>();
        m_process->start(QStringLiteral("socat"),
                         {QStringLiteral("STDIO"),
                          QStringLiteral("PTY,raw,echo=0,link=%1").arg(m_link)});
        if (!m_process->waitForStarted(3000))
            return false;
        QElapsedTimer timer;
        timer.start();
        while (!QFile::exists(m_link) && timer.elapsed() < 3000)
            QTest::qWait(5);
        return QFile::exists(m_link);
    }
    void write(const QByteArray &bytes) { m_process->write(bytes); }
    QByteArray received()
    {
        m_got += m_process->readAllStandardOutput();
        return m_got;
    }
    // The device goes away (a USB adapter pulled out).
    void stop()
    {
        if (!m_process)
            return;
        m_process->terminate();
        m_process->waitForFinished(3000);
        m_process.reset();
    }

private:
    QString m_link;
    std::unique_ptr<QProcess> m_process;
    QByteArray m_got;
};

bool haveSocat()
{
    return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty();
}

QByteArray positionFrame(int i)
{
    const QByteArray call = "PD" + QByteArray::number(i % 10) + "X" + QByteArray::number(i % 100);
    return kissFrame(call, i % 2 == 0, "!5212.00N/00512.00E-");
}

} // namespace

class SerialKissSourceTest : public QObject
{
    Q_OBJECT

private slots:
    void parseSetting_data();
    void parseSetting();
    void initCommands_data();
    void initCommands();
    void noiseThenFrame();
    void framesInAndInitSent();
    void flood();
    void removalSurvivedAndReopened();
    void unusableDevice_data();
    void unusableDevice();
};

void SerialKissSourceTest::parseSetting_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("type"); // empty: no source
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("baud");

    QTest::newRow("device and speed") << "SERIAL /dev/ttyUSB0 9600" << "nearbell::SerialKissSource"
                                      << "/dev/ttyUSB0" << 9600;
    QTest::newRow("default speed") << "serial /dev/ttyS1" << "nearbell::SerialKissSource"
                                   << "/dev/ttyS1" << 9600;
    QTest::newRow("fast, extra blanks") << "  SERIAL   /dev/ttyACM0   115200 "
                                        << "nearbell::SerialKissSource" << "/dev/ttyACM0" << 115200;
    QTest::newRow("no device") << "SERIAL" << "" << "" << 0;
    QTest::newRow("speed not a number") << "SERIAL /dev/ttyUSB0 fast" << "" << "" << 0;
    QTest::newRow("speed zero") << "SERIAL /dev/ttyUSB0 0" << "" << "" << 0;
    QTest::newRow("speed negative") << "SERIAL /dev/ttyUSB0 -9600" << "" << "" << 0;
    QTest::newRow("speed too high") << "SERIAL /dev/ttyUSB0 4000001" << "" << "" << 0;
    QTest::newRow("words after speed") << "SERIAL /dev/ttyUSB0 9600 8N1" << "" << "" << 0;
}

void SerialKissSourceTest::parseSetting()
{
    QFETCH(QString, setting);
    QFETCH(QString, type);
    QFETCH(QString, device);
    QFETCH(int, baud);
    HostSettings settings;
    settings.source = SourceLine::parse(setting);
    settings.serialInit = QStringLiteral("/tmp/init.txt");
    const std::unique_ptr<StationSource> source = makeStationSource(settings);
    QCOMPARE(source ? QString::fromLatin1(source->metaObject()->className()) : QString(), type);
    if (const auto *serial = qobject_cast<SerialKissSource *>(source.get())) {
        QCOMPARE(serial->device(), device);
        QCOMPARE(serial->baudRate(), baud);
    }
}

void SerialKissSourceTest::initCommands_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("sent");

    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("two commands, LF") << QByteArray("KISS ON\nRESTART\n")
                                      << QByteArray("KISS ON\rRESTART\r");
    QTest::newRow("CR LF, no last end") << QByteArray("INTFACE KISS\r\nRESET")
                                        << QByteArray("INTFACE KISS\rRESET\r");
    QTest::newRow("comments left out") << QByteArray("# into KISS\nKISS ON\n#done\n")
                                       << QByteArray("KISS ON\r");
    QTest::newRow("blank line is a bare CR") << QByteArray("\nKISS ON\n")
                                             << QByteArray("\rKISS ON\r");
}

void SerialKissSourceTest::initCommands()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, sent);
    QCOMPARE(SerialKissSource::initCommands(file), sent);
}

void SerialKissSourceTest::noiseThenFrame()
{
    // A line at the wrong speed gives noise; the next good frame after it
    // is still found, and the noise gives at most a few stray reports.
    SerialKissSource source(QStringLiteral("/dev/nonexistent-tnc"), 9600);
    QSignalSpy reports(&source, &StationSource::reportReceived);
    QRandomGenerator random(7);
    QByteArray noise(256 * 1024, '\0');
    for (char &c : noise)
        c = char(random.bounded(256));
    QElapsedTimer timer;
    timer.start();
    source.consume(noise);
    // A read of noise holds the event loop up for less than 20 ms.
    QVERIFY2(timer.elapsed() < 20, qPrintable(QString::number(timer.elapsed())));
    const qsizetype before = reports.size();
    source.consume(kissFrame("PD1ZZZ", false, "!5212.00N/00512.00E-"));
    QCOMPARE(reports.size(), before + 1);
    QCOMPARE(reports.last().at(0).value<StationReport>().callsign, QStringLiteral("PD1ZZZ"));
}

void SerialKissSourceTest::framesInAndInitSent()
{
    if (!haveSocat())
        QSKIP("socat is not installed");
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tnc-in"));
    const QString initPath = dir.filePath(QStringLiteral("init.txt"));
    QFile init(initPath);
    QVERIFY(init.open(QIODevice::WriteOnly));
    init.write("# a TNC-2 into KISS\nKISS ON\nRESTART\n");
    init.close();
    FakeTnc tnc(link);
    QVERIFY(tnc.start());

    SerialKissSource source(link, 9600, initPath);
    QSignalSpy reports(&source, &StationSource::reportReceived);
    QSignalSpy states(&source, &StationSource::connectionStateChanged);
    source.start();
    QVERIFY(source.isOpen());
    QTRY_COMPARE(tnc.received(), QByteArray("KISS ON\rRESTART\r"));
    QVERIFY(!source.status().failure);

    // The frames arrive in pieces that cross frame borders; a command frame
    // (not data) and a frame of 2,049 bytes are left out.
    QByteArray stream = kissFrame("PD1AAA", false, "!5212.00N/00512.00E-");
    stream += QByteArray("\xc0\x01\x32\xc0", 4); // TXDELAY
    stream += kissFrame("PD1BIG", false, "!5212.00N/00512.00E-" + QByteArray(2049, 'x'));
    stream += kissFrame("PD1BBB", true, "=5213.00N/00513.00E>");
    for (qsizetype i = 0; i < stream.size(); i += 13) {
        tnc.write(stream.mid(i, 13));
        QTest::qWait(2);
    }
    QTRY_COMPARE(reports.size(), 2);
    QCOMPARE(reports.at(0).at(0).value<StationReport>().callsign, QStringLiteral("PD1AAA"));
    QVERIFY(reports.at(0).at(0).value<StationReport>().heardDirectly);
    QCOMPARE(reports.at(1).at(0).value<StationReport>().callsign, QStringLiteral("PD1BBB"));
    QVERIFY(!reports.at(1).at(0).value<StationReport>().heardDirectly);
    QVERIFY(states.last().at(0).toString().contains(QLatin1String("init file")));
    // Nothing but the init commands was ever sent.
    QTest::qWait(50);
    QCOMPARE(tnc.received(), QByteArray("KISS ON\rRESTART\r"));

    // An init file that is a FIFO is refused at once, not waited on.
    const QString fifo = dir.filePath(QStringLiteral("init.fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    FakeTnc otherTnc(dir.filePath(QStringLiteral("tnc-other")));
    QVERIFY(otherTnc.start());
    SerialKissSource other(dir.filePath(QStringLiteral("tnc-other")), 9600, fifo);
    QElapsedTimer timer;
    timer.start();
    other.start();
    QVERIFY(timer.elapsed() < 1000);
    QVERIFY(other.status().failure);
    QVERIFY2(other.status().text.contains("not sent: it is a FIFO"), qPrintable(other.status().text));
}

void SerialKissSourceTest::flood()
{
    if (!haveSocat())
        QSKIP("socat is not installed");
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tnc-flood"));
    FakeTnc tnc(link);
    QVERIFY(tnc.start());
    SerialKissSource source(link, 115200);
    QSignalSpy reports(&source, &StationSource::reportReceived);
    source.start();
    QVERIFY(source.isOpen());

    constexpr int frames = 20000;
    QByteArray stream;
    for (int i = 0; i < frames; ++i)
        stream += positionFrame(i);
    QElapsedTimer timer;
    timer.start();
    tnc.write(stream);
    QTRY_COMPARE_WITH_TIMEOUT(reports.size(), frames, 60000);
    const qint64 ms = std::max<qint64>(1, timer.elapsed());
    qInfo("serial flood: %d frames (%lld bytes) in %lld ms: %lld frames/s", frames,
          qint64(stream.size()), ms, qint64(frames) * 1000 / ms);
}

void SerialKissSourceTest::removalSurvivedAndReopened()
{
    if (!haveSocat())
        QSKIP("socat is not installed");
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tnc-usb"));
    auto tnc = std::make_unique<FakeTnc>(link);
    QVERIFY(tnc->start());
    SerialKissSource source(link, 9600);
    source.setBackoff(100, 400);
    QSignalSpy reports(&source, &StationSource::reportReceived);
    source.start();
    QVERIFY(source.isOpen());
    tnc->write(positionFrame(1));
    QTRY_COMPARE(reports.size(), 1);

    // Half a frame, then the device goes away.
    tnc->write(positionFrame(2).left(10));
    QTest::qWait(20);
    tnc->stop();
    QTRY_VERIFY(!source.isOpen());
    QVERIFY(source.status().failure);
    QVERIFY(source.status().text.contains(QLatin1String("lost")));

    // While it is away the program stays idle between attempts.
    const qint64 cpuBefore = cpuMs();
    QTest::qWait(800);
    QVERIFY2(cpuMs() - cpuBefore < 300, "a lost port keeps the program busy");
    QVERIFY(source.attempts() <= 6);

    tnc = std::make_unique<FakeTnc>(link);
    QVERIFY(tnc->start());
    QTRY_VERIFY_WITH_TIMEOUT(source.isOpen(), 3000);
    QVERIFY(!source.status().failure);
    tnc->write(positionFrame(3));
    QTRY_COMPARE(reports.size(), 2);
    // The half frame from before the loss is not joined to the new one.
    QCOMPARE(reports.at(1).at(0).value<StationReport>().callsign, QStringLiteral("PD3X3"));
}

void SerialKissSourceTest::unusableDevice_data()
{
    QTest::addColumn<QString>("device"); // "%1" is a scratch folder
    QTest::addColumn<QString>("reason");

    QTest::newRow("does not exist") << "%1/no-such-tty" << "cannot open";
    QTest::newRow("not a terminal") << "/dev/null" << "cannot open: not a serial port";
    QTest::newRow("a plain file") << "%1/plain.txt" << "cannot open: not a serial port";
}

void SerialKissSourceTest::unusableDevice()
{
    QFETCH(QString, device);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QFile plain(dir.filePath(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("not a tty\n");
    plain.close();

    SerialKissSource source(QString(device).replace(QLatin1String("%1"), dir.path()), 9600);
    source.setBackoff(100, 400);
    QSignalSpy states(&source, &StationSource::connectionStateChanged);
    const qint64 cpuBefore = cpuMs();
    source.start();
    QTest::qWait(800);
    QVERIFY(!source.isOpen());
    QVERIFY(source.status().failure);
    QVERIFY2(source.status().text.contains(reason), qPrintable(source.status().text));
    QVERIFY(source.status().text.contains(QLatin1String("next attempt in")));
    // 100, 200, 400, 400 ms: a handful of attempts, not a spin.
    QVERIFY2(source.attempts() >= 2 && source.attempts() <= 6,
             qPrintable(QString::number(source.attempts())));
    QVERIFY2(cpuMs() - cpuBefore < 300, "a port that cannot open keeps the program busy");
}

NEARBELL_TEST(SerialKissSourceTest)
#include "SerialKissSourceTest.moc"
