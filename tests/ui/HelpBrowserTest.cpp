#include "platform/ProgramGlobals.h"
#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
#include "platform/DesktopServicesOpener.h"
#include "ui/A_HelpBrowser.h"
#include "ui/RecordingDesktopOpener.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QMessageBox>
#include <QTest>

using namespace nearbell;

class HelpBrowserTest : public QObject
{
    Q_OBJECT

    static bool anyMessageBoxOpen()
    {
        const auto windows = QApplication::topLevelWidgets();
        return std::any_of(windows.begin(), windows.end(),
                           [](QWidget *w) { return qobject_cast<QMessageBox *>(w) && w->isVisible(); });
    }

private slots:
    // F1: the document is handed to the desktop; when the desktop cannot
    // show it, a box names the document so the user can open it by hand.
    void f1SaysWhenTheDesktopCannotShowIt_data()
    {
        QTest::addColumn<int>("desktop"); // 0 takes it, 1 declines, 2 raises an error
        QTest::addColumn<QString>("reason");
        QTest::newRow("desktop takes it") << 0 << QString();
        QTest::newRow("no program to show it") << 1 << "no web browser or other program to show it was found";
        QTest::newRow("desktop raises an error") << 2 << "no";
    }

    void f1SaysWhenTheDesktopCannotShowIt()
    {
        QFETCH(int, desktop);
        QFETCH(QString, reason);
        ProgramGlobals globals;
        globals.gstrHelpFile = QStringLiteral("/nonexistent-folder/nearbell.html");
        globals.gstrCaption = QStringLiteral("Nearbell");
        test::RecordingDesktopOpener opener;
        opener.answer = desktop != 1;
        if (desktop == 2)
            opener.failure = DesktopOpenError(DesktopOpenError::MalformedAddress, QStringLiteral("no"));
        test::RecordingMessageDisplay messages;

        mnuHelpHelp_Click(globals, opener, messages);
        QCOMPARE(opener.opened, QStringList{globals.gstrHelpFile});
        QVERIFY(!anyMessageBoxOpen());
        QCOMPARE(messages.shown.size(), reason.isEmpty() ? 0 : 1);
        if (!reason.isEmpty()) {
            QCOMPARE(messages.shown[0].title, QStringLiteral("Nearbell"));
            QCOMPARE(messages.shown[0].text, "The help document cannot be opened: " + reason
                                                 + ".\n\nOpen it by hand in a web browser:\n"
                                                 + globals.gstrHelpFile);
            QCOMPARE(messages.shown[0].icon, MessageDisplay::Icon::Warning);
        }
    }

    // The real desktop with no web browser: with no launcher on the path
    // the reason comes at once; a launcher that finds no program for the
    // file says so when it ends, and the box shows its words.
    void realDesktopWithoutBrowser_data()
    {
        QTest::addColumn<bool>("launcher");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nothing on the path") << false << "no web browser or other program to show it was found";
        QTest::newRow("xdg-open finds nothing") << true << "xdg-open: no method available for opening it";
    }

    void realDesktopWithoutBrowser()
    {
        QFETCH(bool, launcher);
        QFETCH(QString, reason);
        QTemporaryDir bin;
        QFile script(bin.filePath("xdg-open"));
        if (launcher) {
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho 'xdg-open: no method available for opening it' >&2\nexit 3\n");
            script.close();
            QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()));
        qunsetenv("BROWSER");
        ProgramGlobals globals;
        globals.gstrHelpFile = QStringLiteral("/nonexistent-folder/nearbell.html");
        test::RecordingMessageDisplay messages;
        DesktopServicesOpener opener;
        mnuHelpHelp_Click(globals, opener, messages);
        QTRY_COMPARE(messages.shown.size(), 1);
        qputenv("PATH", path);
        QVERIFY(messages.shown[0].text.startsWith("The help document cannot be opened: " + reason + "."));
        QCOMPARE(OpenInBrowser(QString()), QStringLiteral("No address given"));
        QVERIFY(!anyMessageBoxOpen());
    }
};

NEARBELL_TEST(HelpBrowserTest)
#include "HelpBrowserTest.moc"
