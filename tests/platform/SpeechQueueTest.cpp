#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "common/TestRegistry.h"
#include "platform/QtSpeechVoice.h"
#include "platform/SpeechQueue.h"
#include "platform/SpeechVoice.h"

using namespace nearbell;

namespace {

// A voice whose end of each text the test decides: by hand, at once from
// inside say(), by failing part-way, or never.
class ScriptedVoice : public SpeechVoice
{
public:
    enum class Mode { Manual, FinishInsideSay, FailMidSentence, Hang };

    void say(const QString &text) override
    {
        said << text;
        if (mode == Mode::FinishInsideSay)
            emit finished();
        else if (mode == Mode::FailMidSentence)
            QTimer::singleShot(5, this, [this] { emit failed(QStringLiteral("audio device lost")); });
    }
    void stop() override { ++stops; }
    QString unavailableReason() const override { return reason; }
    void finish() { emit finished(); }

    Mode mode = Mode::Manual;
    QStringList said;
    int stops = 0;
    QString reason;
};

} // namespace

class SpeechQueueTest : public QObject
{
    Q_OBJECT

private slots:
    void oneTextAtATimeInOrder()
    {
        ScriptedVoice voice;
        SpeechQueue queue(&voice);
        queue.speak({"one", "two"});
        queue.speak({"three", "  "}); // a later cycle queues behind, blanks are dropped
        QCOMPARE(voice.said, QStringList{"one"});
        voice.finish();
        voice.finish(); // a second end for the same text changes nothing
        QTRY_COMPARE(voice.said, (QStringList{"one", "two"}));
        voice.finish();
        QTRY_COMPARE(voice.said, (QStringList{"one", "two", "three"}));
        voice.finish();
        QTRY_VERIFY(!queue.isSpeaking());
        QCOMPARE(voice.stops, 0); // nothing was ever cut off
    }

    // However the engine ends (or does not end) its texts, every text gets
    // its turn, nothing recurses and nothing waits for good.
    void everyEndingLetsTheNextTextGo_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("overdue");

        QTest::newRow("ends inside say") << int(ScriptedVoice::Mode::FinishInsideSay) << 0 << 0;
        QTest::newRow("fails mid-sentence") << int(ScriptedVoice::Mode::FailMidSentence) << 3 << 0;
        QTest::newRow("never ends") << int(ScriptedVoice::Mode::Hang) << 3 << 3;
    }

    void everyEndingLetsTheNextTextGo()
    {
        QFETCH(int, mode);
        ScriptedVoice voice;
        voice.mode = ScriptedVoice::Mode(mode);
        SpeechQueue queue(&voice);
        queue.setTimeouts(50, 1);
        QElapsedTimer call;
        call.start();
        queue.speak({"a", "b", "c"});
        QVERIFY(call.elapsed() < 20);
        QTRY_VERIFY_WITH_TIMEOUT(!queue.isSpeaking() && queue.pending().isEmpty(), 5000);
        QCOMPARE(voice.said, (QStringList{"a", "b", "c"}));
        QTEST(queue.failures(), "failures");
        QTEST(queue.overdue(), "overdue");
        QCOMPARE(voice.stops, queue.overdue());
    }

    void longBacklogKeepsTheNewest()
    {
        ScriptedVoice voice;
        SpeechQueue queue(&voice);
        queue.setMaxPending(2);
        queue.speak({"1", "2", "3", "4", "5"});
        QCOMPARE(queue.current(), QStringLiteral("1"));
        QCOMPARE(queue.pending(), (QStringList{"4", "5"}));
    }

    // A voice without an engine is asked for nothing and says why.
    void brokenVoiceSaysNothing()
    {
        ScriptedVoice voice;
        voice.reason = QStringLiteral("no speech engine is installed");
        SpeechQueue queue(&voice);
        queue.speak({"a"});
        QVERIFY(voice.said.isEmpty());
        QCOMPARE(queue.unavailableReason(), voice.reason);
        QtSpeechVoice unknown({QStringLiteral("no-such-engine")});
        QVERIFY(unknown.unavailableReason().startsWith(QStringLiteral("the speech engine no-such-engine")));
        QSignalSpy failed(&unknown, &SpeechVoice::failed);
        unknown.say(QStringLiteral("x"));
        QCOMPARE(failed.size(), 1);
    }

    // A real engine, where one is installed: a sentence ends one way or the
    // other (a machine without sound output fails it), without a hang and
    // without holding up the event loop.
    void realEngineEndsItsSentence()
    {
        QtSpeechVoice voice;
        if (!voice.unavailableReason().isEmpty())
            QSKIP(qPrintable(QStringLiteral("no speech engine here: ") + voice.unavailableReason()));
        SpeechQueue queue(&voice);
        QElapsedTimer beat;
        qint64 longestGap = 0;
        QTimer ticker;
        ticker.setInterval(2);
        connect(&ticker, &QTimer::timeout, this, [&] {
            longestGap = qMax(longestGap, beat.restart());
        });
        beat.start();
        ticker.start();
        QElapsedTimer whole;
        whole.start();
        queue.speak({QStringLiteral("D L 1 A B C, 3.2 kilometres"), QStringLiteral("W 1 A W, 1 mile")});
        QTRY_VERIFY_WITH_TIMEOUT(!queue.isSpeaking() && queue.pending().isEmpty(), 60000);
        ticker.stop();
        qInfo("engine %s: two sentences ended after %lld ms, %d failed, longest event-loop gap %lld ms",
              qPrintable(voice.engine()), whole.elapsed(), queue.failures(), longestGap);
        QCOMPARE(queue.overdue(), 0);
        QVERIFY2(longestGap < 100, "the engine held up the event loop");
    }
};

NEARBELL_TEST(SpeechQueueTest)
#include "SpeechQueueTest.moc"
