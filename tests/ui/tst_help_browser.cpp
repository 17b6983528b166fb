#include "app/ProgramGlobals.h"
#include "common/TestRegistry.h"
#include "ui/A_HelpBrowser.h"
#include "ui/RecordingDesktopOpener.h"

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

using namespace nearbell;

namespace {
bool anyMessageBoxOpen()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox *>(widget) && widget->isVisible())
            return true;
    return false;
}
} // namespace

class HelpBrowserTest : public QObject
{
    Q_OBJECT

private slots:
    void f1OpensTheHelpDocumentQuietly_data()
    {
        QTest::addColumn<bool>("desktopFails");
        QTest::newRow("desktop takes it") << false;
        QTest::newRow("desktop refuses") << true;
    }

    void f1OpensTheHelpDocumentQuietly()
    {
        QFETCH(bool, desktopFails);
        QTemporaryDir folder;
        ProgramGlobals globals;
        globals.gstrHelpFile = folder.filePath(QStringLiteral("nearbell.html")); // not there
        nearbell::test::RecordingDesktopOpener opener;
        if (desktopFails)
            opener.failure = DesktopOpenError(DesktopOpenError::MalformedAddress, QStringLiteral("no"));

        mnuHelpHelp_Click(globals, opener);

        QCOMPARE(opener.opened, QStringList{globals.gstrHelpFile});
        QVERIFY(!anyMessageBoxOpen());
    }

    void realDesktopWithMissingDocumentStaysQuiet_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("missing document") << QStringLiteral("/nonexistent-folder/nearbell.html");
        QTest::newRow("no path at all") << QString();
    }

    void realDesktopWithMissingDocumentStaysQuiet()
    {
        QFETCH(QString, file);
        OpenInBrowser(file); // must neither throw nor ask anything
        QVERIFY(!anyMessageBoxOpen());
    }
};

NEARBELL_TEST(HelpBrowserTest)
#include "tst_help_browser.moc"
