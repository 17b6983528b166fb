#include "common/TestRegistry.h"

#include "platform/WidgetWindowRaiser.h"

#include <QGuiApplication>
#include <QTest>
#include <QWidget>

using namespace nearbell;

// Runs offscreen and, through xvfb-run and a headless weston, against a
// real X server and a real Wayland compositor.
class WindowRaiserTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qInfo("platform: %s", qPrintable(QGuiApplication::platformName())); }

    // Only under Wayland does the desktop keep the window back, and only
    // there is that said.
    void saysWhetherItCanRaise()
    {
        QWidget window;
        WidgetWindowRaiser raiser(&window);
        const bool wayland = QGuiApplication::platformName().startsWith(u"wayland");
        QCOMPARE(raiser.unavailableReason().contains("Wayland"), wayland);
        QCOMPARE(raiser.unavailableReason().isEmpty(), !wayland);
        raiser.bringToFront(); // still shown, whatever the desktop does with it
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    void raisesIntoTopBandWithoutMovingOrResizing()
    {
        if (QGuiApplication::platformName().startsWith(u"wayland"))
            QSKIP("under Wayland the compositor places the window");
        QWidget window;
        window.setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint);
        window.setFixedSize(644, 339);
        window.move(130, 90);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(100);
        const QRect before = window.geometry();

        WidgetWindowRaiser raiser(&window);
        raiser.bringToFront();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(100);
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.isVisible());
        QCOMPARE(window.geometry(), before);

        // Later alarms keep it where it is.
        raiser.bringToFront();
        QTest::qWait(50);
        QCOMPARE(window.geometry(), before);
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void restoresMinimizedWindow()
    {
        // On X, minimizing and restoring are the window manager's work;
        // under Wayland a program cannot see whether it is minimized.
        if (QGuiApplication::platformName() == u"xcb"
            && qEnvironmentVariableIsEmpty("NEARBELL_X_WINDOW_MANAGER"))
            QSKIP("X session without a window manager");
        if (QGuiApplication::platformName().startsWith(u"wayland"))
            QSKIP("under Wayland the compositor keeps the minimized state");
        QWidget window;
        window.resize(300, 200);
        window.move(200, 150);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize size = window.size();
        window.showMinimized();
        QTest::qWait(100);
        QVERIFY(window.isMinimized());

        WidgetWindowRaiser raiser(&window);
        raiser.bringToFront();
        QTest::qWait(100);
        QVERIFY(!window.isMinimized());
        QVERIFY(window.isVisible());
        QCOMPARE(window.size(), size);
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void hiddenWindowIsShown()
    {
        QWidget window;
        window.resize(300, 200);
        WidgetWindowRaiser raiser(&window);
        raiser.bringToFront();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
};

NEARBELL_TEST(WindowRaiserTest)
#include "WindowRaiserTest.moc"
