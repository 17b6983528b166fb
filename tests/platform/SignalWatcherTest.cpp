#include "common/TestRegistry.h"
#include "platform/SignalWatcher.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <memory>

using nearbell::SignalWatcher;

namespace {
volatile sig_atomic_t g_previousHandlerRan = 0;
extern "C" void previousHandler(int) { g_previousHandlerRan = 1; }
volatile sig_atomic_t g_endStatus = 0;
void recordEnd(int status) { g_endStatus = status; }
} // namespace

class SignalWatcherTest : public QObject
{
    Q_OBJECT

private slots:
    void signalArrivesAsQtSignal_data();
    void signalArrivesAsQtSignal();
    void everySignalCounts();
    void previousHandlerComesBack();
    void onlyOneWatcherAtATime();
    void startingEndsAtOnce_data();
    void startingEndsAtOnce();
};

void SignalWatcherTest::signalArrivesAsQtSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void SignalWatcherTest::signalArrivesAsQtSignal()
{
    QFETCH(int, signalNumber);
    SignalWatcher watcher;
    QVERIFY(watcher.isActive());
    QSignalSpy spy(&watcher, &SignalWatcher::terminationRequested);
    QCOMPARE(std::raise(signalNumber), 0);
    // Nothing happens inside the handler itself; the event loop delivers it.
    QCOMPARE(spy.count(), 0);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), signalNumber);
}

void SignalWatcherTest::everySignalCounts()
{
    SignalWatcher watcher;
    QSignalSpy spy(&watcher, &SignalWatcher::terminationRequested);
    std::raise(SIGTERM);
    std::raise(SIGHUP);
    std::raise(SIGTERM);
    QTRY_COMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0).at(0).toInt(), int(SIGTERM));
    QCOMPARE(spy.at(1).at(0).toInt(), int(SIGHUP));
    QCOMPARE(spy.at(2).at(0).toInt(), int(SIGTERM));
}

void SignalWatcherTest::previousHandlerComesBack()
{
    struct sigaction own = {};
    own.sa_handler = previousHandler;
    sigemptyset(&own.sa_mask);
    struct sigaction saved = {};
    QCOMPARE(::sigaction(SIGHUP, &own, &saved), 0);

    {
        SignalWatcher watcher;
        QSignalSpy spy(&watcher, &SignalWatcher::terminationRequested);
        std::raise(SIGHUP);
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(int(g_previousHandlerRan), 0);
    }
    std::raise(SIGHUP);
    const bool ran = g_previousHandlerRan == 1;
    ::sigaction(SIGHUP, &saved, nullptr);
    QVERIFY(ran);
}

void SignalWatcherTest::onlyOneWatcherAtATime()
{
    auto first = std::make_unique<SignalWatcher>();
    QVERIFY(first->isActive());
    {
        SignalWatcher second;
        QVERIFY(!second.isActive());
        QSignalSpy firstSpy(first.get(), &SignalWatcher::terminationRequested);
        QSignalSpy secondSpy(&second, &SignalWatcher::terminationRequested);
        std::raise(SIGINT);
        QTRY_COMPARE(firstSpy.count(), 1);
        QCOMPARE(secondSpy.count(), 0);
    }
    // The inactive one must not have taken the handlers down with it.
    QSignalSpy spy(first.get(), &SignalWatcher::terminationRequested);
    std::raise(SIGTERM);
    QTRY_COMPARE(spy.count(), 1);
    first.reset();
    SignalWatcher third;
    QVERIFY(third.isActive());
}

// While starting, a stop request ends the process from the handler (here
// recorded) with 128 + its number; inside a write it waits for the write's
// end; once started, it is delivered as before.
void SignalWatcherTest::startingEndsAtOnce_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("inWrite");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT inside a write") << int(SIGINT) << true;
    QTest::newRow("SIGHUP inside a write") << int(SIGHUP) << true;
}

void SignalWatcherTest::startingEndsAtOnce()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, inWrite);
    SignalWatcher::setProcessEnder(recordEnd);
    g_endStatus = 0;
    SignalWatcher watcher;
    QSignalSpy spy(&watcher, &SignalWatcher::terminationRequested);
    SignalWatcher::setStarting(true);
    QVERIFY(SignalWatcher::isStarting());
    {
        auto guard = inWrite ? std::make_unique<SignalWatcher::WriteGuard>() : nullptr;
        {
            SignalWatcher::WriteGuard nested; // only the outermost guard's end counts
        }
        std::raise(signalNumber);
        QCOMPARE(int(g_endStatus), inWrite ? 0 : 128 + signalNumber);
    }
    QCOMPARE(int(g_endStatus), 128 + signalNumber);

    SignalWatcher::setStarting(false);
    SignalWatcher::setProcessEnder(nullptr);
    g_endStatus = 0;
    std::raise(signalNumber);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(int(g_endStatus), 0);
}

NEARBELL_TEST(SignalWatcherTest)
#include "SignalWatcherTest.moc"
