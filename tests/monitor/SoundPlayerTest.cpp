#include "common/TestRegistry.h"

#include "platform/QtSoundPlayer.h"
#include "platform/WaveFileCheck.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

using namespace nearbell;

namespace {

void put16(QByteArray &b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void put32(QByteArray &b, quint32 v)
{
    put16(b, quint16(v & 0xFFFF));
    put16(b, quint16(v >> 16));
}

QByteArray chunk(const char *id, const QByteArray &body, qint64 claimedSize = -1)
{
    QByteArray b(id, 4);
    put32(b, quint32(claimedSize < 0 ? body.size() : claimedSize));
    b += body;
    if (body.size() % 2)
        b.append('\0');
    return b;
}

QByteArray format(quint16 tag = 1, quint16 channels = 1, quint32 rate = 22050, quint16 bits = 16)
{
    QByteArray f;
    put16(f, tag);
    put16(f, channels);
    put32(f, rate);
    put32(f, rate * channels * (bits / 8));
    put16(f, quint16(channels * (bits / 8)));
    put16(f, bits);
    return f;
}

QByteArray riff(const QByteArray &chunks, qint64 claimedSize = -1)
{
    QByteArray b("RIFF");
    put32(b, quint32(claimedSize < 0 ? chunks.size() + 4 : claimedSize));
    return b + "WAVE" + chunks;
}

QByteArray validWave(int samples = 2205)
{
    return riff(chunk("fmt ", format()) + chunk("data", QByteArray(samples * 2, '\x10')));
}

// Ends the process if the GUI thread stays stuck for too long: a lock-up
// then fails the test run at once instead of hanging it.
class Watchdog
{
public:
    explicit Watchdog(std::chrono::seconds limit)
        : m_thread([this, limit] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fprintf(stderr, "sound player locked up the GUI thread\n");
                  std::_Exit(3);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

} // namespace

class SoundPlayerTest : public QObject
{
    Q_OBJECT

private slots:
    void structure_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("playable");
        const QByteArray fmt = chunk("fmt ", format());
        const QByteArray data = chunk("data", QByteArray(400, '\x01'));
        QTest::newRow("valid") << validWave() << true;
        QTest::newRow("list chunk before data")
            << riff(fmt + chunk("LIST", QByteArray("INFOabc")) + data) << true;
        QTest::newRow("stereo 8-bit") << riff(chunk("fmt ", format(1, 2, 11025, 8)) + data) << true;
        QTest::newRow("float") << riff(chunk("fmt ", format(3, 1, 44100, 32)) + data) << true;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("header only") << validWave().left(44) << false;
        QTest::newRow("riff header only") << QByteArray("RIFF\x24\0\0\0WAVE", 12) << false;
        QTest::newRow("data longer than file") << validWave().left(200) << false;
        QTest::newRow("data chunk claims more")
            << riff(fmt + chunk("data", QByteArray(400, '\x01'), 100000)) << false;
        QTest::newRow("riff size beyond file") << riff(fmt + data, 1 << 20) << false;
        QTest::newRow("empty data") << riff(fmt + chunk("data", QByteArray())) << false;
        QTest::newRow("no fmt") << riff(data) << false;
        QTest::newRow("data before fmt") << riff(data + fmt) << false;
        QTest::newRow("short fmt") << riff(chunk("fmt ", format().left(12)) + data) << false;
        QTest::newRow("compressed") << riff(chunk("fmt ", format(2)) + data) << false;
        QTest::newRow("no channels") << riff(chunk("fmt ", format(1, 0)) + data) << false;
        QTest::newRow("odd bits") << riff(chunk("fmt ", format(1, 1, 22050, 12)) + data) << false;
        QTest::newRow("not WAVE") << QByteArray("RIFF\x04\0\0\0AVI ", 12) << false;
        QTest::newRow("text file") << QByteArray("this is not a sound\r\n") << false;
    }
    void structure()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, playable);
        QCOMPARE(WaveFileCheck::isPlayable(bytes), playable);
    }

    void generatedSirenIsSmallAndPlayable()
    {
        QFile file(QStringLiteral(NEARBELL_SIREN_FILE));
        QVERIFY2(file.open(QIODevice::ReadOnly), NEARBELL_SIREN_FILE);
        const QByteArray bytes = file.readAll();
        QVERIFY(WaveFileCheck::isPlayable(bytes));
        QCOMPARE(bytes.mid(20, 2), QByteArray("\x01\x00", 2));          // PCM
        QCOMPARE(bytes.mid(22, 2), QByteArray("\x01\x00", 2));          // mono
        QCOMPARE(bytes.mid(24, 4), QByteArray("\x22\x56\x00\x00", 4));  // 22050 Hz
        QCOMPARE(bytes.mid(34, 2), QByteArray("\x10\x00", 2));          // 16-bit
        const double seconds = double(bytes.size() - 44) / (22050 * 2);
        QVERIFY2(seconds >= 1.0 && seconds <= 2.0, qPrintable(QString::number(seconds)));
        // The sound of each other reason beside it, playable and its own.
        QSet<QByteArray> sounds{bytes};
        for (const char *name : {"NB_APPROACH.WAV", "NB_WATCH.WAV", "NB_DIRECT.WAV"}) {
            QFile reason(QFileInfo(file).dir().filePath(QString::fromLatin1(name)));
            QVERIFY2(reason.open(QIODevice::ReadOnly), name);
            const QByteArray sound = reason.readAll();
            QVERIFY(WaveFileCheck::isPlayable(sound) && sound.size() < bytes.size() * 2);
            sounds.insert(sound);
        }
        QCOMPARE(sounds.size(), 4);
    }

    // Broken files never reach the audio layer; switching between good and
    // broken files, and to another source, never locks the program up.
    void brokenSirenCannotHang()
    {
        QTemporaryDir dir;
        auto write = [&](const QString &name, const QByteArray &bytes) {
            QFile file(dir.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            return file.fileName();
        };
        const QString good = write("NB_SIREN.WAV", validWave());
        const QString other = write("SIREN.WAV", validWave(4410));
        const QString truncated = write("TRUNC.WAV", validWave().left(60));
        const QString headerOnly = write("HEADER.WAV", validWave().left(44));
        const QString empty = write("EMPTY.WAV", QByteArray());
        const QString missing = dir.filePath("MISSING.WAV");

        const Watchdog watchdog(std::chrono::seconds(60));
        QtSoundPlayer player(QtSoundPlayer::DeviceCheck::Skip);
        const QStringList sequence{truncated, good, headerOnly, other, empty, good,
                                   missing,   dir.path() + "/", truncated, other};
        for (const QString &path : sequence) {
            player.play(path);
            QTest::qWait(100);
            const bool bad = path == truncated || path == headerOnly || path == empty
                             || path == missing || path.endsWith('/');
            if (bad)
                QVERIFY(player.handedSource() != QUrl::fromLocalFile(path));
            else
                QCOMPARE(player.handedSource(), QUrl::fromLocalFile(path));
        }
        // The truncated file turned up while the good one was loaded.
        write("NB_SIREN.WAV", validWave().left(50));
        player.play(good);
        player.play(other);
        QTest::qWait(100);
        QCOMPARE(player.handedSource(), QUrl::fromLocalFile(other));
    }

    void noOutputDeviceIsSilence()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("NB_SIREN.WAV"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(validWave());
        file.close();
        const Watchdog watchdog(std::chrono::seconds(60));
        QtSoundPlayer player;
        player.play(file.fileName());
        player.play(file.fileName());
        QTest::qWait(50);
        const bool haveOutput = !QMediaDevices::defaultAudioOutput().isNull();
        QCOMPARE(player.handedSource(),
                 haveOutput ? QUrl::fromLocalFile(file.fileName()) : QUrl());
        QCOMPARE(player.outputProblem().isEmpty(), haveOutput);
    }
};

NEARBELL_TEST(SoundPlayerTest)
#include "SoundPlayerTest.moc"
