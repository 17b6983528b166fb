#include "platform/ProgramGlobals.h"
#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
#include "ui/RecordingDesktopOpener.h"
#include "ui/URLLink.h"
#include "update/LocalHttpServer.h"
#include "update/UpdateChecker.h"
#include "update/frmUpdate.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace nearbell;

namespace {
const QByteArray kPage = "<p>Nearbell authors</p> UI-View32 add-on Nearbell Version V";
const QByteArray kFile = " UpdateFile_UI-View32 add-on Nearbell=nearbell060.zip </p>";
const QString kPath = QStringLiteral("/nearbell");

// One check's surroundings: the server, the menu item and the recorders.
struct Rig
{
    Rig()
    {
        globals.gstrProgramTitle = QStringLiteral("UI-View32 add-on Nearbell");
        globals.gstrCaption = QStringLiteral("UI-View32 add-on Nearbell V0.5.4");
        checker = std::make_unique<UpdateChecker>(globals, messages, opener, &mnuHelpUpdate, nullptr);
        setAddress(server.url(kPath).toString());
    }
    ~Rig() { delete checker->dialog(); }

    void setAddress(const QString &address, int timeoutMs = 15000)
    {
        checker->setSettings({address, QStringLiteral("Nearbell authors"), {0, 5, 4}, timeoutMs});
    }
    QString address() const { return checker->settings().pageAddress; }
    frmUpdate *dialog() const { return checker->dialog(); }

    // Everything a finished check gives back to the user.
    bool idle() const
    {
        return !checker->gblnUpdateBusy() && mnuHelpUpdate.isEnabled() && dialog() && dialog()->Command1->isEnabled()
            && dialog()->Command2->isEnabled();
    }
    bool linkShown() const { return dialog()->URLLink1->isVisibleTo(dialog()); }

    // Makes the page address redirect count times in a row; returns the last path.
    QString redirectChain(int count)
    {
        QString from = kPath;
        for (int i = 1; i <= count; ++i) {
            const QString to = QStringLiteral("/moved/%1.html").arg(i);
            server.setRedirect(from, to);
            from = to;
        }
        return from;
    }

    ProgramGlobals globals;
    test::RecordingMessageDisplay messages;
    test::RecordingDesktopOpener opener;
    QAction mnuHelpUpdate{QStringLiteral("&Check for update")};
    test::LocalHttpServer server;
    std::unique_ptr<UpdateChecker> checker;
};
} // namespace

class UpdateCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("status"); // a trailing "at " is followed by the page address
        QTest::addColumn<QColor>("colour");

        const QColor green(0, 128, 0), red(255, 0, 0);
        const QString upToDate = QStringLiteral("Your current version is up to date");
        const QString proxy = QStringLiteral("Can not contact webserver, maybe behind proxy ");
        QTest::newRow("newer with update file") << kPage + "0.6.0 " + kFile
                                                << "There is a newer version of this program at " << green;
        QTest::newRow("newer without update file") << kPage + "0.6.0 </p>"
                                                   << "The update file information is not found or invalid" << red;
        QTest::newRow("older") << kPage + "0.5.3 " + kFile << upToDate << green;
        QTest::newRow("equal") << kPage + "0.5.4 " + kFile << upToDate << green;
        QTest::newRow("no identity text") << QByteArray("Proxy login UI-View32 add-on Nearbell Version V0.6.0 ")
                                          << proxy << red;
        QTest::newRow("empty reply") << QByteArray() << proxy << red;
    }

    void outcomes()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, status);
        QFETCH(QColor, colour);

        Rig rig;
        rig.server.setPage(kPath, body);
        rig.checker->mnuHelpUpdate_Click();

        QVERIFY(rig.idle());
        QCOMPARE(rig.dialog()->windowTitle(), QStringLiteral("UI-View32 add-on Nearbell V0.5.4, checking for update."));
        QCOMPARE(rig.dialog()->status(), status.endsWith(u"at ") ? status + rig.address() : status);
        QCOMPARE(rig.dialog()->statusColour(), colour);
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.server.requestedPaths, QStringList{kPath});
        const bool newer = status.endsWith(u"at ");
        QCOMPARE(rig.linkShown(), newer);
        if (!newer)
            return;

        // The link opens the update file beside the page.
        URLLink *link = rig.dialog()->URLLink1;
        QCOMPARE(link->Text(), QStringLiteral("Download the update nearbell060.zip"));
        QCOMPARE(link->toolTip(), QStringLiteral("Download update nearbell060.zip from ") + rig.address());
        QTest::mouseClick(link->lblURL(), Qt::LeftButton);
        QCOMPARE(rig.opener.opened, QStringList{rig.address() + QStringLiteral("/nearbell060.zip")});
    }

    void transferFailures_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("message"); // start of the box's text; empty: no box

        QTest::newRow("time-out") << "silent" << "error Operation timed out";
        QTest::newRow("connection refused") << "refused" << "";
        QTest::newRow("page not found") << "missing" << "error Error transferring";
        QTest::newRow("reply over 1 MiB") << "huge" << "error Reply larger than 1048576 bytes";
        QTest::newRow("six redirects") << "redirects" << "error ";
    }

    void transferFailures()
    {
        QFETCH(QString, situation);
        QFETCH(QString, message);

        Rig rig;
        if (situation == u"silent") {
            rig.server.setPage(kPath, kPage + "0.6.0 " + kFile, -1);
            rig.setAddress(rig.address(), 1000);
        } else if (situation == u"refused") {
            rig.setAddress(QStringLiteral("http://127.0.0.1:%1/nearbell").arg(test::closedPort()));
        } else if (situation == u"huge") {
            rig.server.setPage(kPath, "Nearbell authors " + QByteArray(1024 * 1024, 'x'));
        } else if (situation == u"redirects") {
            rig.server.setPage(rig.redirectChain(6), kPage + "0.6.0 " + kFile);
        }

        QElapsedTimer clock;
        clock.start();
        rig.checker->CheckForUpdate();

        QVERIFY(rig.idle());
        QCOMPARE(rig.dialog()->status(), QStringLiteral("Failed to connect to ") + rig.address());
        QCOMPARE(rig.dialog()->statusColour(), QColor(255, 0, 0));
        QVERIFY(!rig.linkShown());
        QCOMPARE(rig.messages.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(rig.messages.shown[0].title, QStringLiteral("Nearbell"));
            QVERIFY2(rig.messages.shown[0].text.startsWith(message), qPrintable(rig.messages.shown[0].text));
        }
        if (situation == u"silent")
            QVERIFY2(clock.elapsed() >= 900 && clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        // The request and the five redirects followed. Counted as distinct
        // paths: the network layer may resend a request whose connection the
        // server closed under it.
        if (situation == u"redirects")
            QCOMPARE(QSet<QString>(rig.server.requestedPaths.begin(), rig.server.requestedPaths.end()).size(), 6);
    }

    void redirectsAreFollowed_data()
    {
        QTest::addColumn<int>("redirects");
        QTest::newRow("one") << 1;
        QTest::newRow("five") << 5;
    }

    void redirectsAreFollowed()
    {
        QFETCH(int, redirects);
        Rig rig;
        rig.server.setPage(rig.redirectChain(redirects), kPage + "0.6.0 " + kFile);
        rig.checker->CheckForUpdate();

        QCOMPARE(QSet<QString>(rig.server.requestedPaths.begin(), rig.server.requestedPaths.end()).size(),
                 redirects + 1);
        QVERIFY(rig.messages.shown.isEmpty());
        // The download stays beside the configured page address.
        QCOMPARE(rig.dialog()->URLLink1->URL(), rig.address() + QStringLiteral("/nearbell060.zip"));
    }

    void closeIsRefusedWhileTheRequestIsOut()
    {
        Rig rig;
        rig.server.setPage(kPath, kPage + "0.5.4 ", 300);
        int scanTicks = 0;
        QTimer scanTimer; // stands for the main window's scan timer
        connect(&scanTimer, &QTimer::timeout, this, [&] { ++scanTicks; });
        scanTimer.start(20);

        bool busy = false, stillOpen = false, anyEnabled = true;
        QString status;
        QColor colour;
        rig.server.onRequest = [&] {
            frmUpdate *dialog = rig.dialog();
            busy = rig.checker->gblnUpdateBusy();
            status = dialog->status();
            colour = dialog->statusColour();
            anyEnabled = dialog->Command1->isEnabled() || dialog->Command2->isEnabled() || rig.mnuHelpUpdate.isEnabled();
            dialog->close();
            stillOpen = dialog->isVisible();
        };
        rig.checker->mnuHelpUpdate_Click();

        QVERIFY(busy);
        QVERIFY(stillOpen);
        QCOMPARE(status, QStringLiteral("Contacting webserver ") + rig.address());
        QCOMPARE(colour, QColor(255, 255, 0));
        QVERIFY(!anyEnabled);
        QVERIFY2(scanTicks >= 5, qPrintable(QString::number(scanTicks))); // the window kept running
        QVERIFY(rig.idle());

        // Once the check has ended "Close" unloads it; the next check loads it afresh.
        QPointer<frmUpdate> first = rig.dialog();
        QTest::mouseClick(first->Command1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        rig.server.onRequest = nullptr;
        rig.checker->CheckForUpdate();
        QVERIFY(rig.dialog() && rig.dialog()->isVisible());
        QCOMPARE(rig.dialog()->status(), QStringLiteral("Your current version is up to date"));
    }

    void retryRunsTheWholeCheckAgain()
    {
        Rig rig;
        rig.server.setPage(kPath, kPage + "0.6.0 " + kFile);
        rig.checker->CheckForUpdate();
        frmUpdate *first = rig.dialog();
        QVERIFY(rig.linkShown());

        rig.server.setPage(kPath, kPage + "0.5.4 ");
        bool retryEnabled = true, menuEnabled = true, linkShown = true;
        rig.server.onRequest = [&] {
            retryEnabled = rig.dialog()->Command2->isEnabled();
            menuEnabled = rig.mnuHelpUpdate.isEnabled();
            linkShown = rig.linkShown();
        };
        QTest::mouseClick(first->Command2, Qt::LeftButton);

        QCOMPARE(rig.server.requestedPaths.size(), 2);
        QVERIFY(!retryEnabled);
        QVERIFY(!menuEnabled);
        QVERIFY(!linkShown);
        QCOMPARE(rig.dialog(), first);
        QVERIFY(rig.idle());
        QVERIFY(!rig.linkShown());
        QCOMPARE(first->status(), QStringLiteral("Your current version is up to date"));
    }
};

NEARBELL_TEST(UpdateCheckTest)
#include "UpdateCheckTest.moc"
