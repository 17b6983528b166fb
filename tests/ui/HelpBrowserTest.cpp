#include "platform/ProgramGlobals.h"
#include "common/TestRegistry.h"
#include "ui/A_HelpBrowser.h"
#include "ui/RecordingDesktopOpener.h"

#include <QApplication>
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
    // F1 with no help document: the document is handed over, nothing is shown.
    void f1WithoutDocumentStaysQuiet_data()
    {
        QTest::addColumn<bool>("desktopFails");
        QTest::newRow("desktop takes it") << false;
        QTest::newRow("desktop raises an error") << true;
    }

    void f1WithoutDocumentStaysQuiet()
    {
        QFETCH(bool, desktopFails);
        ProgramGlobals globals;
        globals.gstrHelpFile = QStringLiteral("/nonexistent-folder/nearbell.html");
        test::RecordingDesktopOpener opener;
        if (desktopFails)
            opener.failure = DesktopOpenError(DesktopOpenError::MalformedAddress, QStringLiteral("no"));

        mnuHelpHelp_Click(globals, opener);
        QCOMPARE(opener.opened, QStringList{globals.gstrHelpFile});
        QVERIFY(!anyMessageBoxOpen());
    }

    void realDesktopStaysQuiet()
    {
        OpenInBrowser(QStringLiteral("/nonexistent-folder/nearbell.html"));
        OpenInBrowser(QString()); // no address at all
        QVERIFY(!anyMessageBoxOpen());
    }
};

NEARBELL_TEST(HelpBrowserTest)
#include "HelpBrowserTest.moc"
