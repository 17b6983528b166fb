#include "common/TestRegistry.h"
#include "host/aprs/KissDeframer.h"
#include "host/aprs/ReconnectBackoff.h"

#include <QTest>

using namespace nearbell;

namespace {

struct Frame
{
    int channel;
    QByteArray bytes;
};

QList<Frame> feedAll(KissDeframer &deframer, const QList<QByteArray> &pieces)
{
    QList<Frame> frames;
    for (const QByteArray &piece : pieces) {
        deframer.feed(std::string_view(piece.constData(), std::size_t(piece.size())),
                      [&frames](int channel, std::string_view frame) {
                          frames.append({channel, QByteArray(frame.data(), qsizetype(frame.size()))});
                      });
    }
    return frames;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

} // namespace

class KissDeframerTest : public QObject
{
    Q_OBJECT

private slots:
    void framing_data();
    void framing();
    void splitAnywhere();
    void overlongFrameDropped();
    void resetForgetsPartialFrame();
    void backoffDoublesToLimit();
};

void KissDeframerTest::framing_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QByteArrayList>("expected");
    QTest::addColumn<QList<int>>("channels");

    QTest::newRow("one frame") << bytes({0xc0, 0x00, 'A', 'B', 0xc0}) << QByteArrayList{"AB"}
                               << QList<int>{0};
    QTest::newRow("escapes") << bytes({0xc0, 0x00, 0xdb, 0xdc, 'x', 0xdb, 0xdd, 0xc0})
                             << QByteArrayList{bytes({0xc0, 'x', 0xdb})} << QList<int>{0};
    QTest::newRow("channel from high nibble") << bytes({0xc0, 0x20, 'Z', 0xc0})
                                              << QByteArrayList{"Z"} << QList<int>{2};
    QTest::newRow("commands skipped") << bytes({0xc0, 0x01, 50, 0xc0, 0x06, 'x', 0xc0, 0x10, 'D', 0xc0})
                                      << QByteArrayList{"D"} << QList<int>{1};
    QTest::newRow("bytes before first FEND ignored")
        << bytes({'j', 'u', 'n', 'k', 0xc0, 0x00, 'O', 'K', 0xc0}) << QByteArrayList{"OK"}
        << QList<int>{0};
    QTest::newRow("shared and repeated FENDs")
        << bytes({0xc0, 0xc0, 0x00, 'A', 0xc0, 0x00, 'B', 0xc0, 0xc0}) << QByteArrayList{"A", "B"}
        << QList<int>{0, 0};
    QTest::newRow("broken escape drops the frame only")
        << bytes({0xc0, 0x00, 'A', 0xdb, 'q', 'B', 0xc0, 0x00, 'C', 0xc0}) << QByteArrayList{"C"}
        << QList<int>{0};
    QTest::newRow("command byte alone") << bytes({0xc0, 0x00, 0xc0}) << QByteArrayList{}
                                        << QList<int>{};
    QTest::newRow("unfinished frame held back") << bytes({0xc0, 0x00, 'A', 'B'}) << QByteArrayList{}
                                                << QList<int>{};
}

void KissDeframerTest::framing()
{
    QFETCH(QByteArray, stream);
    QFETCH(QByteArrayList, expected);
    QFETCH(QList<int>, channels);
    KissDeframer deframer;
    const QList<Frame> frames = feedAll(deframer, {stream});
    QCOMPARE(frames.size(), expected.size());
    for (qsizetype i = 0; i < frames.size(); ++i) {
        QCOMPARE(frames.at(i).bytes, expected.at(i));
        QCOMPARE(frames.at(i).channel, channels.at(i));
    }
}

void KissDeframerTest::splitAnywhere()
{
    const QByteArray stream = bytes({0xc0, 0x00, 'A', 0xdb, 0xdc, 'B', 0xc0, 0x00, 0xdb, 0xdd, 0xc0});
    // Every split point, including inside an escape, gives the same frames.
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        KissDeframer deframer;
        const QList<Frame> frames = feedAll(deframer, {stream.left(cut), stream.mid(cut)});
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames.at(0).bytes, bytes({'A', 0xc0, 'B'}));
        QCOMPARE(frames.at(1).bytes, bytes({0xdb}));
    }
}

void KissDeframerTest::overlongFrameDropped()
{
    KissDeframer deframer;
    const QByteArray longest(qsizetype(KissDeframer::maxFrameLength), 'L');
    const QByteArray tooLong(qsizetype(KissDeframer::maxFrameLength) + 1, 'X');
    QByteArray stream;
    stream += bytes({0xc0, 0x00}) + longest + bytes({0xc0});
    stream += bytes({0x00}) + tooLong + bytes({0xc0});
    stream += bytes({0x00, 'n', 'e', 'x', 't', 0xc0});
    const QList<Frame> frames = feedAll(deframer, {stream});
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames.at(0).bytes, longest);
    QCOMPARE(frames.at(1).bytes, QByteArray("next"));
    QCOMPARE(deframer.droppedFrames(), std::size_t(1));
}

void KissDeframerTest::resetForgetsPartialFrame()
{
    KissDeframer deframer;
    QList<Frame> frames = feedAll(deframer, {bytes({0xc0, 0x00, 'o', 'l', 'd'})});
    deframer.reset();
    // After a reconnection the stream starts anew; the old part must not
    // be glued to the new frame.
    frames = feedAll(deframer, {bytes({'x', 0xc0, 0x00, 'n', 'e', 'w', 0xc0})});
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.at(0).bytes, QByteArray("new"));
}

void KissDeframerTest::backoffDoublesToLimit()
{
    ReconnectBackoff backoff; // 1 s to 60 s
    QList<int> delays;
    for (int i = 0; i < 9; ++i)
        delays.append(backoff.nextDelayMs());
    QCOMPARE(delays, (QList<int>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));
    backoff.reset();
    QCOMPARE(backoff.nextDelayMs(), 1000);
}

NEARBELL_TEST(KissDeframerTest)
#include "KissDeframerTest.moc"
