#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/Program.h"
#include "app/StatusBoard.h"
#include "monitor/AlertChannels.h"
#include "ui/StatusLine.h"
#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
#include "host/HostProfile.h"
#include "host/LocalHost.h"
#include "host/StationSourceFactory.h"
#include "platform/DesktopOpener.h"
#include "platform/SoundPlayer.h"
#include "platform/WindowRaiser.h"
#include "ui/DialogPresenter.h"
#include "ui/PopupMenuPresenter.h"
#include "ui/frmMain.h"
#include "ui/frmStationSetup.h"

using namespace nearbell;
using Field = HostSetup::Field;

namespace {

class Quiet : public SoundPlayer, public WindowRaiser, public DesktopOpener, public PopupMenuPresenter
{
public:
    void play(const QString &) override {}
    void bringToFront() override {}
    bool open(const QString &) override { return false; }
    void popup(QMenu *, QPoint) override {}
};

// Answers the set-up window as a user would: fills it in, then OK or Cancel.
class ScriptedDialogs : public DialogPresenter
{
public:
    bool present(QDialog &dialog) override
    {
        auto *setup = qobject_cast<frmStationSetup *>(&dialog);
        if (!setup)
            return false;
        ++presented;
        noteShown = !setup->lblCallsignNote->isHidden();
        if (!fill || !fill(*setup)) {
            setup->reject();
            return false;
        }
        noteShown = !setup->lblCallsignNote->isHidden();
        setup->buttons->button(QDialogButtonBox::Ok)->click();
        return setup->result() == QDialog::Accepted;
    }

    std::function<bool(frmStationSetup &)> fill;
    int presented = 0;
    bool noteShown = false;
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

struct Run
{
    explicit Run(const QString &folder, const QString &dataFolder = QString())
    {
        services.programFolder = folder;
        services.dataFolder = dataFolder;
        services.executableName = QStringLiteral("nearbell");
        services.messages = &messages;
        services.popups = &quiet;
        services.sound = &quiet;
        services.raiser = &quiet;
        services.opener = &quiet;
        services.dialogs = &dialogs;
        services.anotherInstanceRunning = [this] {
            events << QStringLiteral("instance check");
            return false;
        };
        // The real host, made from the profile as the program makes it.
        services.createHost = [this](const ProgramGlobals &globals) {
            const HostSettings settings = HostProfile::read(globals.gstrHostIniFile);
            auto made = std::make_unique<LocalHost>(settings, makeStationSources(settings));
            made->start();
            host = made.get();
            return std::unique_ptr<HostApplication>(std::move(made));
        };
        services.endProgram = [this](int status) { events << QStringLiteral("ended %1").arg(status); };
        program = std::make_unique<Program>(services);
    }

    test::RecordingMessageDisplay messages;
    Quiet quiet;
    ScriptedDialogs dialogs;
    ProgramServices services;
    QStringList events;
    LocalHost *host = nullptr;
    std::unique_ptr<Program> program;
};

bool fillStation(frmStationSetup &dialog, const QString &callsign)
{
    dialog.edit(Field::Callsign)->setText(callsign);
    dialog.edit(Field::Latitude)->setText(QStringLiteral("5130.00N"));
    dialog.edit(Field::Longitude)->setText(QStringLiteral("00007.50W"));
    dialog.setSource(HostSetup::Source::None);
    return true;
}

const QByteArray runningProfile = "[STATION]\r\nCALLSIGN=N0RUN\r\nLATITUDE=5212.34N\r\nLONGITUDE=00512.34E\r\n"
                                  "[HOST]\r\nSOURCE=DEMO\r\nUNITS=KM\r\n";

} // namespace

class StationSetupFlowTest : public QObject
{
    Q_OBJECT

private slots:
    void setupOffered_data()
    {
        QTest::addColumn<QByteArray>("profile"); // "-": no profile at all
        QTest::addColumn<bool>("offered");
        QTest::newRow("no profile") << QByteArray("-") << true;
        QTest::newRow("no callsign") << QByteArray("[HOST]\r\nSOURCE=DEMO\r\n") << true;
        QTest::newRow("NOCALL") << QByteArray("[STATION]\r\nCALLSIGN=NOCALL\r\n") << true;
        QTest::newRow("callsign") << runningProfile << false;
        QTest::newRow("empty callsign runs as always") << QByteArray("[STATION]\r\nCALLSIGN=\r\n") << false;
    }

    void setupOffered()
    {
        QFETCH(QByteArray, profile);
        QFETCH(bool, offered);
        QTemporaryDir dir;
        if (profile != "-")
            writeFile(dir.filePath("uiview32.ini"), profile);
        Run run(dir.path());
        run.dialogs.fill = [&run](frmStationSetup &dialog) {
            run.events << QStringLiteral("setup");
            return fillStation(dialog, QStringLiteral("n0new-5"));
        };
        QVERIFY(run.program->Form_Load());
        QCOMPARE(run.dialogs.presented, offered ? 1 : 0);
        // The set-up comes before anything of the add-on's start-up.
        QCOMPARE(run.events.first(), offered ? QStringLiteral("setup") : QStringLiteral("instance check"));
        if (offered) {
            QCOMPARE(run.program->globals().gstrMyCallsign, QStringLiteral("N0NEW-5"));
            QCOMPARE(run.host->settings().source.format(), QStringLiteral("NONE"));
            QVERIFY(run.host->settings().hasOwnPosition);
        }
        QVERIFY(run.messages.shown.isEmpty());
    }

    void cancelStopsAsBefore()
    {
        QTemporaryDir dir;
        Run run(dir.path());
        QVERIFY(!run.program->Form_Load());
        QCOMPARE(run.dialogs.presented, 1);
        QCOMPARE(run.events.last(), QStringLiteral("ended 1"));
        QCOMPARE(run.messages.shown.size(), 1);
        QVERIFY(run.messages.shown[0].text.contains("Error getting station callsign from UIView32.INI"));
        QCOMPARE(run.messages.shown[0].icon, MessageDisplay::Icon::Critical);
        QVERIFY(!QFile::exists(dir.filePath("uiview32.ini")));
        QVERIFY(!run.host);
    }

    void reopenedSetupTakesEffectAtOnce()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), runningProfile);
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        QCOMPARE(run.dialogs.presented, 0);
        frmMain *w = run.program->window();
        const QList<QAction *> items = w->mnuFile->actions();
        QCOMPARE(items.size(), 6);
        QCOMPARE(items[0], w->mnuFileStations);
        QCOMPARE(items[1], w->mnuFileRadar);
        QCOMPARE(items[2], w->mnuFileHistory);
        QCOMPARE(items[3]->text(), QStringLiteral("&Station setup..."));
        QVERIFY(items[4]->isSeparator());
        QCOMPARE(items[5], w->mnuFileExit);
        QVERIFY(run.host->source());
        QCOMPARE(run.host->settings().source.format(), QStringLiteral("DEMO"));

        // Another source, position, units and expiry, and another callsign.
        run.dialogs.fill = [](frmStationSetup &dialog) {
            dialog.cboUnits->setCurrentIndex(1);
            dialog.edit(Field::Expire)->setText(QStringLiteral("45"));
            return fillStation(dialog, QStringLiteral("N0NEW"));
        };
        QCOMPARE(run.program->alerts()->unit(), DistanceUnit::Kilometres);
        w->mnuFileSetup->trigger();
        // Every follower has the new set-up: the table's units and expiry,
        // and the alarm channels' units.
        QCOMPARE(run.host->table().unit(), DistanceUnit::Miles);
        QCOMPARE(run.host->table().expiryMinutes(), 45);
        QCOMPARE(run.program->alerts()->unit(), DistanceUnit::Miles);
        QCOMPARE(run.dialogs.presented, 1);
        QVERIFY(run.dialogs.noteShown);
        QCOMPARE(run.host->settings().source.format(), QStringLiteral("NONE"));
        QVERIFY(!run.host->source());
        QCOMPARE(run.host->statusParts().front().text,
                 QStringLiteral("No station source: no stations will be heard"));
        // Distances follow the new own position; the callsign waits for the next start.
        HostStation own;
        own.setCallsign(QStringLiteral("N0RUN"));
        QVERIFY(run.host->GetStation(own));
        QCOMPARE(own.Latitude(), float(51 * 60 + 30));
        QCOMPARE(own.Longitude(), float(-7.5));
        QCOMPARE(run.program->globals().gstrMyCallsign, QStringLiteral("N0RUN"));
        QCOMPARE(HostProfile::read(dir.filePath("uiview32.ini")).callsign, QStringLiteral("N0NEW"));

        // Cancelled: nothing changes.
        run.dialogs.fill = [](frmStationSetup &dialog) {
            dialog.setSource(HostSetup::Source::Demo);
            return false;
        };
        w->mnuFileSetup->trigger();
        QCOMPARE(run.host->settings().source.format(), QStringLiteral("NONE"));
        QVERIFY(run.messages.shown.isEmpty());
    }

    // Removing a source and adding it back in one OK, and the lines moving
    // up meanwhile, restart nothing and lose no station; no key is left
    // empty in the profile.
    void sourcesOutliveTheirPlaces()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("feed.tnc2"), "N0CALL>APRS:!5130.00N/00007.50W-\n");
        writeFile(dir.filePath("uiview32.ini"), runningProfile.left(runningProfile.indexOf("[HOST]"))
                                                   + "[HOST]\r\nSOURCE=KISS 127.0.0.1:1\r\nSOURCE2=REPLAY feed.tnc2\r\n"
                                                     "SOURCE3=NONE\r\n");
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        QCOMPARE(run.host->sourceCount(), 2);
        StationSource *radio = run.host->sourceAt(0);
        StationSource *replay = run.host->sourceAt(1);
        StationReport report;
        report.latitude = 3000;
        report.callsign = QStringLiteral("BYRADIO");
        emit radio->reportReceived(report);
        report.callsign = QStringLiteral("BYREPLAY");
        emit replay->reportReceived(report);
        run.dialogs.fill = [](frmStationSetup &dialog) {
            dialog.lstSources->setCurrentRow(0);
            dialog.cmdRemoveSource->click();
            dialog.cmdAddSource->click();
            dialog.setSource(HostSetup::Source::Kiss);
            dialog.edit(Field::KissHost)->setText(QStringLiteral("127.0.0.1"));
            dialog.edit(Field::KissPort)->setText(QStringLiteral("1"));
            return dialog.okEnabled();
        };
        run.program->window()->mnuFileSetup->trigger();
        QCOMPARE(run.dialogs.presented, 1);
        QCOMPARE(run.host->sourceCount(), 2);
        QCOMPARE(run.host->sourceAt(0), replay);
        QCOMPARE(run.host->sourceAt(1), radio);
        QVERIFY(run.host->table().find(QStringLiteral("BYRADIO")));
        QVERIFY(run.host->table().find(QStringLiteral("BYREPLAY")));
        QFile profile(dir.filePath("uiview32.ini"));
        QVERIFY(profile.open(QIODevice::ReadOnly));
        const QByteArray bytes = profile.readAll();
        QVERIFY(bytes.contains("SOURCE=REPLAY feed.tnc2\r\nSOURCE2=NONE\r\nSOURCE3=KISS 127.0.0.1:1\r\n"));
        QVERIFY(!bytes.contains("SOURCE4"));
    }

    // An empty callsign keeps the own station out of the table: the status
    // line says that no distance can be measured, and why; a SOURCE line not
    // understood is said there too.
    void emptyCallsignIsSaid()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), "[STATION]\r\nCALLSIGN=\r\nLATITUDE=5212.34N\r\nLONGITUDE=00512.34E\r\n"
                                                "[HOST]\r\nSOURCE=RADIO 7\r\n");
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        run.program->statusBoard()->refresh();
        const QString status = run.program->window()->lblStatus->plainText();
        QVERIFY2(status.contains("No own callsign: distances cannot be measured"), qPrintable(status));
        QVERIFY(status.contains("CALLSIGN is empty"));
        QVERIFY(status.contains("SOURCE: \"RADIO\" is no station source this program knows"));
    }

    void helpDocumentFromProgramThenDataFolder_data()
    {
        QTest::addColumn<bool>("inProgramFolder");
        QTest::addColumn<bool>("inDataFolder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("installed copy") << false << true << "data/nearbell.html";
        QTest::newRow("user's copy first") << true << true << "prog/nearbell.html";
        QTest::newRow("none: named in the program folder") << false << false << "prog/nearbell.html";
    }

    void helpDocumentFromProgramThenDataFolder()
    {
        QFETCH(bool, inProgramFolder);
        QFETCH(bool, inDataFolder);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("prog")) && QDir().mkpath(dir.filePath("data")));
        writeFile(dir.filePath("prog/uiview32.ini"), runningProfile);
        if (inProgramFolder)
            writeFile(dir.filePath("prog/nearbell.html"), "<p>mine</p>");
        if (inDataFolder)
            writeFile(dir.filePath("data/nearbell.html"), "<p>installed</p>");
        Run run(dir.filePath("prog"), dir.filePath("data"));
        QVERIFY(run.program->Form_Load());
        QCOMPARE(run.program->globals().gstrHelpFile, dir.filePath(expected));
        QCOMPARE(run.program->strIniFile(), dir.filePath("prog/nearbell.INI"));
    }
};

NEARBELL_TEST(StationSetupFlowTest)
#include "StationSetupFlowTest.moc"
