#include "common/TestRegistry.h"
#include "platform/SignalWatcher.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

using nearbell::SignalWatcher;

namespace {
volatile sig_atomic_t g_previousHandlerRan = 0;
extern "C" void previousHandler(int) { g_previousHandlerRan = 1; }
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

NEARBELL_TEST(SignalWatcherTest)
#include "SignalWatcherTest.moc"
