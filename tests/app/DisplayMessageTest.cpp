#include "app/A_Display_Message.h"
#include "platform/ProgramGlobals.h"
#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"

#include <QTest>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace nearbell;
using nearbell::test::RecordingMessageDisplay;

namespace {

ProgramGlobals sampleGlobals()
{
    ProgramGlobals globals;
    globals.gstrCaption = "UI-View32 add-on Nearbell V0.5.4";
    globals.gstrHelpFile = "/opt/uiview/nearbell.html";
    return globals;
}

} // namespace

class DisplayMessageTest : public QObject
{
    Q_OBJECT

private slots:
    void composesTheBox_data();
    void composesTheBox();
    void otherKindsShowNothing_data();
    void otherKindsShowNothing();
    void criticalEndsAfterTheBoxCloses();
    void readsGlobalsWhenShown();
    void defaultEndStopsTheProcessWithFailure();
};

void DisplayMessageTest::composesTheBox_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shownText");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("ends");

    QTest::newRow("informational")
        << 64 << "Update found" << "UI-View32 add-on Nearbell V0.5.4 Informational message"
        << "\r\n\r\nUpdate found" << int(MessageDisplay::Icon::Information) << 0;
    QTest::newRow("error")
        << 48 << "Cannot read the list"
        << "UI-View32 add-on Nearbell V0.5.4 Error message"
        << "The following error has ocurred, you may want to read the online help file "
           "(/opt/uiview/nearbell.html) on this :\r\n\r\nCannot read the list"
        << int(MessageDisplay::Icon::Warning) << 0;
    QTest::newRow("critical")
        << 16 << "Error getting station callsign from UIView32.INI"
        << "UI-View32 add-on Nearbell V0.5.4 Error message"
        << "The following critical error has ocurred, you may want to read the online help "
           "file (/opt/uiview/nearbell.html) on this :\r\n\r\nError getting station callsign "
           "from UIView32.INI\r\n\r\nThe program will be stopped"
        << int(MessageDisplay::Icon::Critical) << 1;
    QTest::newRow("empty text informational")
        << 64 << "" << "UI-View32 add-on Nearbell V0.5.4 Informational message" << "\r\n\r\n"
        << int(MessageDisplay::Icon::Information) << 0;
}

void DisplayMessageTest::composesTheBox()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, shownText);
    QFETCH(int, icon);
    QFETCH(int, ends);

    const ProgramGlobals globals = sampleGlobals();
    RecordingMessageDisplay display;
    int endCount = 0;
    MessageReporter reporter(globals, display, nullptr, [&] { ++endCount; });
    reporter.DisplayMessage(qint16(kind), text);

    QCOMPARE(display.shown.size(), 1);
    QCOMPARE(display.shown[0].title, title);
    QCOMPARE(display.shown[0].text, shownText);
    QCOMPARE(int(display.shown[0].icon), icon);
    QCOMPARE(endCount, ends);
}

void DisplayMessageTest::otherKindsShowNothing_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("0") << 0;
    QTest::newRow("32 (question)") << 32;
    QTest::newRow("17") << 17;
    QTest::newRow("-16") << -16;
    QTest::newRow("65") << 65;
}

void DisplayMessageTest::otherKindsShowNothing()
{
    QFETCH(int, kind);
    const ProgramGlobals globals = sampleGlobals();
    RecordingMessageDisplay display;
    bool ended = false;
    MessageReporter reporter(globals, display, nullptr, [&] { ended = true; });
    reporter.DisplayMessage(qint16(kind), "anything");
    QVERIFY(display.shown.isEmpty());
    QVERIFY(!ended);
}

void DisplayMessageTest::criticalEndsAfterTheBoxCloses()
{
    const ProgramGlobals globals = sampleGlobals();
    RecordingMessageDisplay display;
    QStringList events;
    display.onShow = [&] { events << "box open"; };
    MessageReporter reporter(globals, display, nullptr, [&] { events << "end"; });
    reporter.DisplayMessage(MessageReporter::Critical, "x");
    QCOMPARE(events, (QStringList{"box open", "end"}));
}

void DisplayMessageTest::readsGlobalsWhenShown()
{
    ProgramGlobals globals;
    RecordingMessageDisplay display;
    MessageReporter reporter(globals, display, nullptr, [] {});
    globals.gstrCaption = "Later caption";
    globals.gstrHelpFile = "/later/help.html";
    reporter.DisplayMessage(MessageReporter::Error, "x");
    QCOMPARE(display.shown.size(), 1);
    QCOMPARE(display.shown[0].title, QString("Later caption Error message"));
    QVERIFY(display.shown[0].text.contains("(/later/help.html)"));
}

void DisplayMessageTest::defaultEndStopsTheProcessWithFailure()
{
    // Runs in a child process, which the critical message must end with a
    // failure status right after its box, before reaching the code after it.
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const ProgramGlobals globals = sampleGlobals();
        RecordingMessageDisplay display;
        MessageReporter reporter(globals, display);
        reporter.DisplayMessage(MessageReporter::Critical, "stop");
        ::_exit(display.shown.size() == 1 ? 42 : 43);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), EXIT_FAILURE);
}

NEARBELL_TEST(DisplayMessageTest)
#include "DisplayMessageTest.moc"
