#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "common/TestRegistry.h"
#include "platform/DbusNotifier.h"

using namespace nearbell;

namespace {

const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");

// The desktop's notification service, played by the test on a connection
// of its own: it records what arrives, answers as told and sends clicks.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    enum class Answer { AtOnce, Late, Error, Never };

    struct Received
    {
        QString appName;
        QString summary;
        QString body;
        QStringList actions;
        uint id = 0;
    };

    explicit FakeNotifications(QDBusConnection bus) : m_bus(std::move(bus)) {}

    bool registerOnBus()
    {
        return m_bus.registerObject(objectPath, this, QDBusConnection::ExportAllSlots)
               && m_bus.registerService(serviceName);
    }
    void unregisterFromBus()
    {
        m_bus.unregisterService(serviceName);
        m_bus.unregisterObject(objectPath);
    }

    void sendAction(uint id, const QString &action)
    {
        QDBusMessage signal = QDBusMessage::createSignal(objectPath, serviceName, QStringLiteral("ActionInvoked"));
        signal << id << action;
        m_bus.send(signal);
    }

    Answer answer = Answer::AtOnce;
    int lateMs = 5000;
    QStringList capabilities{QStringLiteral("body"), QStringLiteral("body-markup"), QStringLiteral("actions")};
    QList<Received> received;
    int capabilityCalls = 0;

public slots:
    QStringList GetCapabilities(const QDBusMessage &message)
    {
        ++capabilityCalls;
        reply(message, QVariant(capabilities));
        return {};
    }

    uint Notify(const QString &appName, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &, int, const QDBusMessage &message)
    {
        const uint id = 41 + uint(received.size());
        received.append({appName, summary, body, actions, id});
        reply(message, QVariant(id));
        return 0;
    }

private:
    void reply(const QDBusMessage &message, const QVariant &value)
    {
        message.setDelayedReply(true);
        switch (answer) {
        case Answer::AtOnce:
            m_bus.send(message.createReply(value));
            break;
        case Answer::Late:
            QTimer::singleShot(lateMs, this, [this, message, value] { m_bus.send(message.createReply(value)); });
            break;
        case Answer::Error:
            m_bus.send(message.createErrorReply(QDBusError::Failed, QStringLiteral("out of order")));
            break;
        case Answer::Never:
            break;
        }
    }

    QDBusConnection m_bus;
};

// Longest stretch the event loop went without running a 2 ms timer.
class LoopWatch
{
public:
    LoopWatch()
    {
        m_ticker.setInterval(2);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] { m_longest = qMax(m_longest, m_beat.restart()); });
        m_beat.start();
        m_ticker.start();
    }
    qint64 longest() const { return m_longest; }

private:
    QTimer m_ticker;
    QElapsedTimer m_beat;
    qint64 m_longest = 0;
};

const QString noService = QStringLiteral("Desktop notifications unavailable: no notification service");

} // namespace

// Runs on a private session bus without service folders (the test is
// started by dbus-run-session with the tests' own bus configuration).
class DbusNotifierTest : public QObject
{
    Q_OBJECT

private:
    QDBusConnection fakeBus() { return QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake"); }

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus: run this test under dbus-run-session");
        QVERIFY(fakeBus().isConnected());
    }

    // The bus starts nothing installed on the machine (a notification
    // daemon would take the service name from the test's own service).
    void busStartsNothingInstalled()
    {
        const QDBusReply<QStringList> names = QDBusConnection::sessionBus().interface()->call(
            QStringLiteral("ListActivatableNames"));
        QVERIFY(names.isValid());
        QCOMPARE(names.value(), QStringList{QStringLiteral("org.freedesktop.DBus")});
    }

    void cleanup()
    {
        fakeBus().unregisterService(serviceName);
        fakeBus().unregisterObject(objectPath);
    }

    // Texts arrive as text whatever they hold; a click reports the tag.
    void textOnlyAndClicks_data()
    {
        QTest::addColumn<bool>("markup");
        QTest::addColumn<QString>("body");

        QTest::newRow("service reads markup") << true
                                              << "&lt;i&gt;CALL&lt;/i&gt; &amp; \uFFFDx\nnext line";
        QTest::newRow("service shows text as is") << false << "<i>CALL</i> & \uFFFDx\nnext line";
    }

    void textOnlyAndClicks()
    {
        QFETCH(bool, markup);
        FakeNotifications fake(fakeBus());
        if (!markup)
            fake.capabilities = {QStringLiteral("body"), QStringLiteral("actions")};
        QVERIFY(fake.registerOnBus());
        DbusNotifier notifier;
        QTRY_COMPARE(notifier.pendingCalls(), 0);
        QCOMPARE(notifier.bodyMarkup(), markup);
        QSignalSpy clicked(&notifier, &DesktopNotifier::activated);

        notifier.notify({QStringLiteral("<b>DL1ABC</b>\x1b[31m is 3.2 km away"),
                         QStringLiteral("<i>CALL</i> & \x07x\nnext line"), QStringLiteral("DL1ABC")});
        QTRY_COMPARE(fake.received.size(), 1);
        const FakeNotifications::Received got = fake.received.first();
        QCOMPARE(got.appName, QStringLiteral("Nearbell"));
        QCOMPARE(got.summary, QStringLiteral("<b>DL1ABC</b>\uFFFD[31m is 3.2 km away"));
        QTEST(got.body, "body");
        QVERIFY(got.actions.contains(QStringLiteral("default")));
        QTRY_COMPARE(notifier.shown(), 1);
        QVERIFY(notifier.unavailableReason().isEmpty());

        fake.sendAction(got.id + 100, QStringLiteral("default")); // someone else's notification
        fake.sendAction(got.id, QStringLiteral("snooze"));         // not the click
        fake.sendAction(got.id, QStringLiteral("default"));
        QTRY_COMPARE(clicked.size(), 1);
        QTest::qWait(50);
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.first().first().toString(), QStringLiteral("DL1ABC"));
    }

    // No service is no error: nothing shown, the reason kept; a service
    // that starts later is used from then on.
    void serviceMissingThenStarted()
    {
        DbusNotifier notifier;
        QTRY_COMPARE(notifier.unavailableReason(), noService);
        notifier.notify({QStringLiteral("A1 is 1.0 km away"), QString(), QStringLiteral("A1")});
        QTRY_COMPARE(notifier.pendingCalls(), 0);
        QCOMPARE(notifier.shown(), 0);
        QCOMPARE(notifier.unavailableReason(), noService);

        FakeNotifications fake(fakeBus());
        QVERIFY(fake.registerOnBus());
        notifier.notify({QStringLiteral("A1 is 1.0 km away"), QString(), QStringLiteral("A1")});
        QTRY_COMPARE(notifier.shown(), 1);
        QVERIFY(notifier.unavailableReason().isEmpty());
    }

    void serviceFailing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("reason");

        QTest::newRow("errors") << int(FakeNotifications::Answer::Error)
                                << "Desktop notifications unavailable: the notification service failed";
        QTest::newRow("never answers") << int(FakeNotifications::Answer::Never)
                                       << "Desktop notifications unavailable: the notification service does not answer";
    }

    // A failing service costs nothing: calls return at once, unanswered
    // calls are capped, and the status says what is wrong.
    void serviceFailing()
    {
        QFETCH(int, answer);
        FakeNotifications fake(fakeBus());
        fake.answer = FakeNotifications::Answer(answer);
        QVERIFY(fake.registerOnBus());
        DbusNotifier notifier(QDBusConnection::sessionBus(), 300);
        notifier.setMaxPending(2);
        LoopWatch loop;
        QElapsedTimer calls;
        calls.start();
        for (int i = 0; i < 4; ++i)
            notifier.notify({QStringLiteral("N%1 is 1.0 km away").arg(i), QString(), QStringLiteral("N%1").arg(i)});
        QVERIFY(calls.elapsed() < 20);
        QTRY_VERIFY(notifier.pendingCalls() == 0 && !notifier.unavailableReason().isEmpty());
        QTEST(notifier.unavailableReason(), "reason");
        QCOMPARE(notifier.shown(), 0);
        QVERIFY(notifier.dropped() >= 2);
        QVERIFY2(loop.longest() < 250, qPrintable(QString::number(loop.longest())));
    }

    // A service that takes 5 s to answer: the caller and the event loop go
    // on meanwhile, and the late answer still counts.
    void slowServiceNeverStallsTheLoop()
    {
        FakeNotifications fake(fakeBus());
        fake.answer = FakeNotifications::Answer::Late;
        fake.lateMs = 5000;
        QVERIFY(fake.registerOnBus());
        DbusNotifier notifier;
        LoopWatch loop;
        QElapsedTimer call;
        call.start();
        notifier.notify({QStringLiteral("A1 is 1.0 km away"), QString(), QStringLiteral("A1")});
        const qint64 callMs = call.elapsed();
        QTRY_VERIFY_WITH_TIMEOUT(notifier.shown() == 1, 12000);
        qInfo("notify returned after %lld ms; longest event-loop gap while the service took 5 s: %lld ms", callMs,
              loop.longest());
        QVERIFY(callMs < 20);
        QVERIFY2(loop.longest() < 250, qPrintable(QString::number(loop.longest())));
        QVERIFY(notifier.unavailableReason().isEmpty());
    }

    void noBusAtAll()
    {
        DbusNotifier notifier(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "nobus"));
        QCOMPARE(notifier.unavailableReason(), QStringLiteral("Desktop notifications unavailable: no session bus"));
        notifier.notify({QStringLiteral("A1 is 1.0 km away"), QString(), QStringLiteral("A1")});
        QCOMPARE(notifier.pendingCalls(), 0);
        QCOMPARE(notifier.shown(), 0);
    }
};

NEARBELL_TEST(DbusNotifierTest)
#include "DbusNotifierTest.moc"
