#include "common/TestRegistry.h"

#include "monitor/RepaintThrottle.h"

#include <QListWidget>
#include <QTest>

using nearbell::RepaintThrottle;

// The station list is redrawn at most every interval while a scan fills it,
// and is always left drawable when the scan ends, however it ends.
class RepaintThrottleTest : public QObject
{
    Q_OBJECT

private slots:
    void holdsRedrawsUntilDue()
    {
        QListWidget list;
        {
            RepaintThrottle throttle(&list, 30);
            QVERIFY(!list.updatesEnabled());
            throttle.beforeYield(); // not due yet
            QVERIFY(!list.updatesEnabled());
            throttle.afterYield();
            QTest::qWait(40);
            throttle.beforeYield(); // due: one redraw goes through
            QVERIFY(list.updatesEnabled());
            throttle.afterYield();
            QVERIFY(!list.updatesEnabled());
        }
        QVERIFY(list.updatesEnabled());
    }

    void leavesAHeldListAsItWas()
    {
        QListWidget list;
        list.setUpdatesEnabled(false);
        {
            RepaintThrottle throttle(&list, 0);
            throttle.beforeYield();
            QVERIFY(!list.updatesEnabled());
            throttle.afterYield();
        }
        QVERIFY(!list.updatesEnabled());
    }

};

NEARBELL_TEST(RepaintThrottleTest)
#include "RepaintThrottleTest.moc"
