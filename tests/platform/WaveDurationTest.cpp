#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "common/TestRegistry.h"
#include "platform/WaveDuration.h"

using namespace nearbell;

namespace {

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray chunk(const QByteArray &id, const QByteArray &body, qint64 claimed = -1)
{
    QByteArray c = id + le32(quint32(claimed < 0 ? body.size() : claimed)) + body;
    if (body.size() & 1)
        c += '\0';
    return c;
}

// 16-bit mono PCM at the given rate.
QByteArray fmtChunk(quint32 rate)
{
    QByteArray f;
    f += QByteArray::fromHex("01000100");   // PCM, one channel
    f += le32(rate) + le32(rate * 2);        // sample rate, byte rate
    f += QByteArray::fromHex("02001000");   // block align 2, 16 bits
    return chunk("fmt ", f);
}

QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

} // namespace

class WaveDurationTest : public QObject
{
    Q_OBJECT

private slots:
    void duration_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("ms");

        const QByteArray second(16000, '\1');
        QTest::newRow("one second at 8 kHz") << riff(fmtChunk(8000) + chunk("data", second)) << 1000;
        QTest::newRow("list chunk first, odd size padded")
            << riff(chunk("LIST", "abc") + fmtChunk(8000) + chunk("data", second.left(4000))) << 250;
        QTest::newRow("data claims more than the file holds")
            << riff(fmtChunk(8000) + chunk("data", second.left(8000), 1 << 30)) << 500;
        QTest::newRow("data before fmt") << riff(chunk("data", second) + fmtChunk(8000)) << 0;
        QTest::newRow("zero byte rate") << riff(fmtChunk(0) + chunk("data", second)) << 0;
        QTest::newRow("not a wave") << QByteArray("RIFF\4\0\0\0AVI ") << 0;
        QTest::newRow("empty") << QByteArray() << 0;
    }

    void duration()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir dir;
        QFile file(dir.filePath("s.wav"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        QTEST(waveDurationMs(file.fileName()), "ms");
        QCOMPARE(waveDurationMs(dir.filePath("missing.wav")), 0);
    }
};

NEARBELL_TEST(WaveDurationTest)
#include "WaveDurationTest.moc"
