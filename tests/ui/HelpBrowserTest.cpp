#include "platform/ProgramGlobals.h"
#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
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

    // The real desktop with no web browser anywhere on the path: the reason
    // comes back instead of being lost; no box of its own.
    void realDesktopWithoutBrowser()
    {
        QTemporaryDir empty;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(empty.path()));
        qunsetenv("BROWSER");
        qunsetenv("DEFAULT_BROWSER");
        const QString failure = OpenInBrowser(QStringLiteral("/nonexistent-folder/nearbell.html"));
        const QString noAddress = OpenInBrowser(QString());
        qputenv("PATH", path);
        QVERIFY(!anyMessageBoxOpen());
        QCOMPARE(failure, QStringLiteral("no web browser or other program to show it was found"));
        QCOMPARE(noAddress, QStringLiteral("No address given"));
    }
};

NEARBELL_TEST(HelpBrowserTest)
#include "HelpBrowserTest.moc"
