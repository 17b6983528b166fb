#include "app/ProgramGlobals.h"
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
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace nearbell;
using nearbell::test::LocalHttpServer;

namespace {
const QByteArray kPagePrefix = "<html><body><p>Nearbell authors</p> UI-View32 add-on Nearbell Version V";
const QByteArray kFileRecord = " UpdateFile_UI-View32 add-on Nearbell=nearbell060.zip </body></html>";

// One check's surroundings: the server, the menu item and the recorders.
struct Rig
{
    Rig()
    {
        globals.gstrProgramTitle = QStringLiteral("UI-View32 add-on Nearbell");
        globals.gstrCaption = QStringLiteral("UI-View32 add-on Nearbell V0.5.4");
        checker = std::make_unique<UpdateChecker>(globals, messages, opener, &mnuHelpUpdate, nullptr);
        UpdateChecker::Settings settings;
        settings.pageAddress = address();
        settings.makerIdentity = QStringLiteral("Nearbell authors");
        settings.ownVersion = {0, 5, 4};
        checker->setSettings(settings);
    }
    ~Rig()
    {
        if (frmUpdate *dialog = checker->dialog())
            delete dialog;
    }
    QString address() const { return server.url(QStringLiteral("/nearbell")).toString(); }
    void setTimeoutMs(int ms)
    {
        UpdateChecker::Settings settings = checker->settings();
        settings.timeoutMs = ms;
        checker->setSettings(settings);
    }

    ProgramGlobals globals;
    nearbell::test::RecordingMessageDisplay messages;
    nearbell::test::RecordingDesktopOpener opener;
    QAction mnuHelpUpdate{QStringLiteral("&Check for update")};
    LocalHttpServer server;
    std::unique_ptr<UpdateChecker> checker;
};

void pressOn(QWidget *widget, Qt::MouseButton button)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)), button,
                      button, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

// Makes the page address redirect count times in a row, each time to
// another path below /moved; returns the last path.
QString redirectChain(Rig &rig, int count)
{
    QString from = QStringLiteral("/nearbell");
    for (int i = 1; i <= count; ++i) {
        const QString to = QStringLiteral("/moved/%1.html").arg(i);
        rig.server.setAnswer(from, LocalHttpServer::redirect(to));
        from = to;
    }
    return from;
}

// Everything a finished check must have given back to the user.
void verifyIdle(Rig &rig)
{
    QVERIFY(!rig.checker->gblnUpdateBusy());
    QVERIFY(rig.mnuHelpUpdate.isEnabled());
    QVERIFY(rig.checker->dialog());
    QVERIFY(rig.checker->dialog()->Command1->isEnabled());
    QVERIFY(rig.checker->dialog()->Command2->isEnabled());
}
} // namespace

class UpdateCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("status"); // "%1" stands for the page address
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("linkText");

        const QColor green(0, 128, 0);
        const QColor red(255, 0, 0);
        QTest::newRow("newer with update file")
            << kPagePrefix + "0.6.0 " + kFileRecord << "There is a newer version of this program at %1" << green
            << "Download the update nearbell060.zip";
        QTest::newRow("newer without update file")
            << kPagePrefix + "0.6.0 </body></html>" << "The update file information is not found or invalid"
            << red << "";
        QTest::newRow("older") << kPagePrefix + "0.5.3 " + kFileRecord << "Your current version is up to date"
                               << green << "";
        QTest::newRow("equal") << kPagePrefix + "0.5.4 " + kFileRecord << "Your current version is up to date"
                               << green << "";
        QTest::newRow("no identity text")
            << QByteArray("<html>Proxy login UI-View32 add-on Nearbell Version V0.6.0 </html>")
            << "Can not contact webserver, maybe behind proxy " << red << "";
        QTest::newRow("empty reply") << QByteArray() << "Can not contact webserver, maybe behind proxy " << red
                                     << "";
    }

    void outcomes()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, status);
        QFETCH(QColor, colour);
        QFETCH(QString, linkText);

        Rig rig;
        rig.server.setAnswer(QStringLiteral("/nearbell"), LocalHttpServer::page(body));
        rig.checker->mnuHelpUpdate_Click();

        verifyIdle(rig);
        frmUpdate *dialog = rig.checker->dialog();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("UI-View32 add-on Nearbell V0.5.4, checking for update."));
        QCOMPARE(dialog->status(), QString(status).replace(QStringLiteral("%1"), rig.address()));
        QCOMPARE(dialog->statusColour(), colour);
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.server.requestedPaths, QStringList{QStringLiteral("/nearbell")});
        QCOMPARE(dialog->URLLink1->isVisibleTo(dialog), !linkText.isEmpty());
        if (linkText.isEmpty())
            return;

        QCOMPARE(dialog->URLLink1->Text(), linkText);
        const QString target = rig.address() + QStringLiteral("/nearbell060.zip");
        QCOMPARE(dialog->URLLink1->URL(), target);
        QCOMPARE(dialog->URLLink1->toolTip(), QStringLiteral("Download update nearbell060.zip from ") + rig.address());
        pressOn(dialog->URLLink1->lblURL(), Qt::LeftButton);
        QCOMPARE(rig.opener.opened, QStringList{target});
    }

    void transferFailures_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("messageBox");
        QTest::addColumn<QString>("messageStart");

        QTest::newRow("time-out") << "silent" << true << "error Operation timed out";
        QTest::newRow("connection refused") << "refused" << false << "";
        QTest::newRow("page not found") << "missing" << true << "error ";
        QTest::newRow("reply over 1 MiB") << "huge" << true << "error Reply larger than 1048576 bytes";
        QTest::newRow("six redirects") << "loop" << true << "error ";
    }

    void transferFailures()
    {
        QFETCH(QString, situation);
        QFETCH(bool, messageBox);
        QFETCH(QString, messageStart);

        Rig rig;
        QString address = rig.address();
        if (situation == u"silent") {
            LocalHttpServer::Answer never;
            never.never = true;
            rig.server.setAnswer(QStringLiteral("/nearbell"), never);
            rig.setTimeoutMs(1000);
        } else if (situation == u"refused") {
            address = QStringLiteral("http://127.0.0.1:%1/nearbell").arg(nearbell::test::closedPort());
            UpdateChecker::Settings settings = rig.checker->settings();
            settings.pageAddress = address;
            rig.checker->setSettings(settings);
        } else if (situation == u"huge") {
            rig.server.setAnswer(QStringLiteral("/nearbell"),
                                 LocalHttpServer::page("Nearbell authors " + QByteArray(1024 * 1024, 'x')));
        } else if (situation == u"loop") {
            redirectChain(rig, 6);
        }

        QElapsedTimer clock;
        clock.start();
        rig.checker->CheckForUpdate();
        const qint64 elapsed = clock.elapsed();

        verifyIdle(rig);
        frmUpdate *dialog = rig.checker->dialog();
        QCOMPARE(dialog->status(), QStringLiteral("Failed to connect to ") + address);
        QCOMPARE(dialog->statusColour(), QColor(255, 0, 0));
        QVERIFY(!dialog->URLLink1->isVisibleTo(dialog));
        QCOMPARE(rig.messages.shown.size(), messageBox ? 1 : 0);
        if (messageBox) {
            QCOMPARE(rig.messages.shown[0].title, QStringLiteral("Nearbell"));
            QVERIFY2(rig.messages.shown[0].text.startsWith(messageStart), qPrintable(rig.messages.shown[0].text));
            QVERIFY(rig.messages.shown[0].text.size() > 6);
        }
        if (situation == u"silent")
            QVERIFY2(elapsed >= 900 && elapsed < 10000, qPrintable(QString::number(elapsed)));
        if (situation == u"loop")
            QCOMPARE(rig.server.requestedPaths.size(), 6); // the request and the 5 redirects followed
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
        const QString last = redirectChain(rig, redirects);
        rig.server.setAnswer(last, LocalHttpServer::page(kPagePrefix + "0.6.0 " + kFileRecord));
        rig.checker->CheckForUpdate();

        QCOMPARE(rig.server.requestedPaths.size(), redirects + 1);
        QCOMPARE(rig.server.requestedPaths.last(), last);
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.checker->dialog()->status(),
                 QStringLiteral("There is a newer version of this program at ") + rig.address());
        // The download stays beside the configured page address.
        QCOMPARE(rig.checker->dialog()->URLLink1->URL(), rig.address() + QStringLiteral("/nearbell060.zip"));
    }

    void closeIsRefusedWhileTheRequestIsOut()
    {
        Rig rig;
        LocalHttpServer::Answer answer = LocalHttpServer::page(kPagePrefix + "0.5.4 ");
        answer.delayMs = 200;
        rig.server.setAnswer(QStringLiteral("/nearbell"), answer);

        bool busy = false, stillOpen = false, closeEnabled = true, retryEnabled = true, menuEnabled = true;
        QString status;
        QColor colour;
        rig.server.onRequest = [&](const QString &) {
            frmUpdate *dialog = rig.checker->dialog();
            busy = rig.checker->gblnUpdateBusy();
            status = dialog->status();
            colour = dialog->statusColour();
            closeEnabled = dialog->Command1->isEnabled();
            retryEnabled = dialog->Command2->isEnabled();
            menuEnabled = rig.mnuHelpUpdate.isEnabled();
            dialog->close();
            stillOpen = dialog->isVisible();
        };
        rig.checker->mnuHelpUpdate_Click();

        QVERIFY(busy);
        QVERIFY(stillOpen);
        QCOMPARE(status, QStringLiteral("Contacting webserver ") + rig.address());
        QCOMPARE(colour, QColor(255, 255, 0));
        QVERIFY(!closeEnabled);
        QVERIFY(!retryEnabled);
        QVERIFY(!menuEnabled);
        verifyIdle(rig);
        QCOMPARE(rig.checker->dialog()->status(), QStringLiteral("Your current version is up to date"));

        // Once the check has ended, "Close" closes it for good.
        QTest::mouseClick(rig.checker->dialog()->Command1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!rig.checker->dialog());
    }

    void windowsKeepRunningDuringTheRequest()
    {
        Rig rig;
        LocalHttpServer::Answer answer = LocalHttpServer::page(kPagePrefix + "0.5.4 ");
        answer.delayMs = 400;
        rig.server.setAnswer(QStringLiteral("/nearbell"), answer);
        int ticks = 0;
        QTimer scanTimer;
        QObject::connect(&scanTimer, &QTimer::timeout, [&] { ++ticks; });
        scanTimer.start(20);
        rig.checker->CheckForUpdate();
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }

    void retryRunsTheWholeCheckAgain()
    {
        Rig rig;
        rig.server.setAnswer(QStringLiteral("/nearbell"), LocalHttpServer::page(kPagePrefix + "0.5.4 "));
        rig.checker->CheckForUpdate();
        frmUpdate *first = rig.checker->dialog();
        QCOMPARE(first->status(), QStringLiteral("Your current version is up to date"));

        rig.server.setAnswer(QStringLiteral("/nearbell"), LocalHttpServer::page(kPagePrefix + "0.6.0 " + kFileRecord));
        bool retryEnabled = true, menuEnabled = true, linkVisible = true;
        rig.server.onRequest = [&](const QString &) {
            retryEnabled = rig.checker->dialog()->Command2->isEnabled();
            menuEnabled = rig.mnuHelpUpdate.isEnabled();
            linkVisible = rig.checker->dialog()->URLLink1->isVisibleTo(rig.checker->dialog());
        };
        QTest::mouseClick(first->Command2, Qt::LeftButton);

        QCOMPARE(rig.server.requestedPaths.size(), 2);
        QVERIFY(!retryEnabled);
        QVERIFY(!menuEnabled);
        QVERIFY(!linkVisible);
        QCOMPARE(rig.checker->dialog(), first);
        verifyIdle(rig);
        QVERIFY(first->URLLink1->isVisibleTo(first));

        // A third check hides the link again when the page is no longer newer.
        rig.server.onRequest = nullptr;
        rig.server.setAnswer(QStringLiteral("/nearbell"), LocalHttpServer::page(kPagePrefix + "0.5.4 "));
        rig.checker->CheckForUpdate();
        QVERIFY(!first->URLLink1->isVisibleTo(first));
    }

    void closedDialogIsCreatedAfresh()
    {
        Rig rig;
        rig.server.setAnswer(QStringLiteral("/nearbell"), LocalHttpServer::page(kPagePrefix + "0.5.4 "));
        rig.checker->CheckForUpdate();
        QPointer<frmUpdate> first = rig.checker->dialog();
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());

        rig.checker->CheckForUpdate();
        QVERIFY(rig.checker->dialog());
        QVERIFY(rig.checker->dialog()->isVisible());
        QCOMPARE(rig.checker->dialog()->status(), QStringLiteral("Your current version is up to date"));
    }
};

NEARBELL_TEST(UpdateCheckTest)
#include "tst_update_check.moc"
