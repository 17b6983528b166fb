#include "common/TestRegistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "platform/LatencyLog.h"

using namespace nearbell;

namespace {

// The largest value written under `what` (and the figure after it, if
// any), and how many lines carry it.
struct Worst
{
    double value = -1;
    int lines = 0;
    double next = -1;
};

Worst worst(const QString &path, const QByteArray &what)
{
    QFile file(path);
    Worst out;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return out;
    while (!file.atEnd()) {
        const QList<QByteArray> words = file.readLine().trimmed().split(' ');
        if (words.size() >= 3 && words[1] == what) {
            ++out.lines;
            if (words[2].toDouble() > out.value) {
                out.value = words[2].toDouble();
                out.next = words.size() > 3 ? words[3].toDouble() : -1;
            }
        }
    }
    return out;
}

} // namespace

class LatencyLogTest : public QObject
{
    Q_OBJECT

private slots:
    void onlyWhenAsked()
    {
        qunsetenv("NEARBELL_LATENCY_LOG");
        QVERIFY(!LatencyLog::fromEnvironment());
        qputenv("NEARBELL_LATENCY_LOG", "/nonexistent-folder/latency.log");
        QVERIFY(!LatencyLog::fromEnvironment());
        qunsetenv("NEARBELL_LATENCY_LOG");
    }

    // A loop blocked for 60 ms shows as a wait of about that (asleep: with
    // next to no processor time of its own); a cycle that yields for 80 ms
    // shows as one cycle of its whole length and no wait; figures come with
    // every report.
    void waitsCyclesAndFigures()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("latency.log"));
        LatencyLog log(path, 100);
        QVERIFY(log.isOpen());
        qint64 counted = 7;
        log.addFigure("stations", [&counted] { return counted; });

        QTimer cycle;
        cycle.setInterval(20);
        int runs = 0;
        QObject::connect(&cycle, &QTimer::timeout, [&runs] {
            if (++runs > 1)
                return; // later ticks: a cycle already ran
            QElapsedTimer running;
            running.start();
            while (running.elapsed() < 80)
                QCoreApplication::processEvents(); // the log's own ticks run in here
        });
        log.watchCycle(&cycle);
        cycle.start();
        QTest::qWait(150);
        cycle.stop();
        QThread::msleep(60);
        counted = 32767;
        QTest::qWait(250);

        const Worst wait = worst(path, "wait");
        QVERIFY2(wait.value >= 50 && wait.value < 1000, qPrintable(QString::number(wait.value)));
        QVERIFY2(wait.next >= 0 && wait.next < 30, qPrintable(QString::number(wait.next)));
        QVERIFY(wait.lines >= 3);
        const Worst cycles = worst(path, "cycle");
        QVERIFY2(cycles.value >= 80 && cycles.value < 1000, qPrintable(QString::number(cycles.value)));
        QVERIFY(cycles.lines >= 1 && cycles.lines <= runs);
        QCOMPARE(worst(path, "stations").value, 32767.0);
    }
};

NEARBELL_TEST(LatencyLogTest)
#include "LatencyLogTest.moc"
