#include "app/Program.h"

#include <QAction>
#include <QCoreApplication>
#include <QTimer>
#include <QDir>
#include <exception>
#include <QFileInfo>

#include "Version.h"
#include "app/A_Display_Message.h"
#include "platform/A_GetSetIniFile.h"
#include "app/RadarLink.h"
#include "app/StationsLink.h"
#include "app/Settings.h"
#include "app/StatusBoard.h"
#include "host/HostExtension.h"
#include "host/HostApplication.h"
#include "monitor/AlarmHistory.h"
#include "monitor/AlertChannels.h"
#include "monitor/ApproachRule.h"
#include "monitor/SirenPath.h"
#include "monitor/StationMonitor.h"
#include "overlay/HostFolder.h"
#include "overlay/OverlayScan.h"
#include "platform/DesktopNotifier.h"
#include "platform/MessageDisplay.h"
#include "platform/SoundPlayer.h"
#include "platform/Speaker.h"
#include "platform/SingleInstance.h"
#include "platform/WaveDuration.h"
#include "platform/WidgetWindowRaiser.h"
#include "host/HostProfile.h"
#include "host/HostSettingsModel.h"
#include "ui/A_HelpBrowser.h"
#include "ui/DialogPresenter.h"
#include "ui/frmAlarmHistory.h"
#include "ui/frmApproachTime.h"
#include "ui/frmStationSetup.h"
#include "ui/AboutBox.h"
#include "ui/frmAbout.h"
#include "ui/ListBox.h"
#include "ui/frmMain.h"
#include "update/UpdateChecker.h"
#include "update/frmUpdate.h"

namespace nearbell {

Program::Program(ProgramServices services, QObject *parent)
    : QObject(parent), m_services(std::move(services))
{
}

Program::~Program()
{
    // The dialogs and scans hold pointers into the window, and the status
    // board asks the host: let them go first.
    m_statusBoard.reset();
    m_historyWindow.reset();
    m_updateChecker.reset();
    m_aboutBox.reset();
    m_overlayScan.reset();
    m_stations.reset();
    m_radar.reset();
    m_alerts.reset();
    // Its last writes still tell WriteFailures, which outlives it.
    m_history.reset();
    m_monitor.reset();
    m_settings.reset();
    m_window.reset();
    m_ownRaiser.reset();
}

void Program::endNow(int status)
{
    // The first ending counts: a box closed after a stop request ended the
    // program must not end it again with another status.
    if (m_ended)
        return;
    m_ended = true;
    m_exitStatus = status;
    if (m_services.endProgram)
        m_services.endProgram(status);
}

// The host is set up before the add-on starts, as it would be in the host
// itself. Cancelling leaves the profile without a callsign, and start-up
// then stops exactly as it always has.
void Program::offerStationSetup()
{
    const QString hostIniFile = m_services.programFolder + QStringLiteral("/uiview32.ini");
    if (!m_services.dialogs
        || ReadIniString(hostIniFile, QStringLiteral("STATION"), QStringLiteral("CALLSIGN"), QStringLiteral("NOCALL"))
               != QStringLiteral("NOCALL"))
        return;
    frmStationSetup dialog(hostIniFile, QString());
    m_services.dialogs->present(dialog);
}

bool Program::Form_Load()
{
    offerStationSetup();

    // The window exists before its load runs; its scan timer runs from now.
    m_window = std::make_unique<frmMain>(*m_services.messages, *m_services.popups);

    m_globals.gstrProgramTitle = QStringLiteral("UI-View32 add-on Nearbell");
    const QString versionText = QStringLiteral("V%1.%2.%3")
                                    .arg(version::major)
                                    .arg(version::minor)
                                    .arg(version::revision);
    m_globals.gstrCaption = m_globals.gstrProgramTitle + u' ' + versionText;
    m_globals.programFolder = m_services.programFolder;
    m_globals.dataFolder = m_services.dataFolder;
    m_globals.executableName = m_services.executableName;
    const QString base = m_services.programFolder + u'/' + m_services.executableName;
    m_strIniFile = base + QStringLiteral(".INI");
    m_strListFile = base + QStringLiteral(".LST");
    // The user's own copy of the help document wins over the installed one.
    m_globals.gstrHelpFile = base + QStringLiteral(".html");
    const QString installedHelp = m_services.dataFolder + u'/' + m_services.executableName + QStringLiteral(".html");
    if (!m_services.dataFolder.isEmpty() && !QFileInfo::exists(m_globals.gstrHelpFile)
        && QFileInfo::exists(installedHelp))
        m_globals.gstrHelpFile = installedHelp;
    m_window->setWindowTitle(m_globals.gstrCaption);
    m_reporter = std::make_unique<MessageReporter>(m_globals, *m_services.messages, nullptr,
                                                   [this] { endNow(1); });

    if (m_services.anotherInstanceRunning && m_services.anotherInstanceRunning()) {
        const QString failure = m_services.instanceCheckFailure ? m_services.instanceCheckFailure() : QString();
        // A folder that cannot be checked is not a running copy: say what
        // is wrong with it, so the user can mend it.
        // The running copy's window may be kept on top: the box must not
        // open unseen behind it.
        m_services.messages->showAboveAll(m_globals.gstrCaption,
                                          failure.isEmpty() ? QStringLiteral("Another instance of this program (")
                                                                  + m_globals.gstrCaption
                                                                  + QStringLiteral(") is already running")
                                                            : SingleInstance::failureMessage(failure),
                                          MessageDisplay::Icon::Critical);
        endNow(1);
        return false;
    }

    wireWindow();
    m_settings->loadini();

    m_monitor->watchList().setShowWatchList(false);
    m_monitor->watchList().show_hide_watchlist();
    m_window->Timer2->stop();
    m_monitor->loadKeptWatchList();

    m_globals.gstrHostIniFile = m_services.programFolder + QStringLiteral("/uiview32.ini");
    m_globals.gstrMyCallsign = ReadIniString(m_globals.gstrHostIniFile, QStringLiteral("STATION"),
                                             QStringLiteral("CALLSIGN"), QStringLiteral("NOCALL"));
    if (m_globals.gstrMyCallsign == QStringLiteral("NOCALL")) {
        m_reporter->DisplayMessage(16, QStringLiteral("Error getting station callsign from UIView32.INI"));
        if (!m_ended)
            endNow(1);
        return false;
    }
    m_overlayScan->setMyCallsign(m_globals.gstrMyCallsign);

    m_window->show();
    QCoreApplication::processEvents();

    m_gUIV = m_services.createHost(m_globals);
    HostApplication *host = m_gUIV.get();
    connect(host, &HostApplication::DataAvailable, this, &Program::gUIV_DataAvailable);
    connect(host, &HostApplication::NotifyBeacon, this, &Program::gUIV_NotifyBeacon);
    connect(host, &HostApplication::NotifyDelete, this, &Program::gUIV_NotifyDelete);
    connect(host, &HostApplication::NotifyDeleteAllStations, this, &Program::gUIV_NotifyDeleteAllStations);
    connect(host, &HostApplication::UIView32IsClosing, this, &Program::gUIV_UIView32IsClosing);
    m_monitor->setHost(host);
    m_overlayScan->setHost(host);
    m_radar->setHost(host);
    m_stations->setHost(host);
    if (HostExtension *extension = dynamic_cast<HostExtension *>(host)) {
        // The set-up holds the own callsign read at start-up; the window's is that one.
        if (const HostSettingsModel *setup = extension->settingsModel(); setup && !setup->current().callsign.isEmpty()) {
            m_globals.gstrMyCallsign = setup->current().callsign;
            m_overlayScan->setMyCallsign(m_globals.gstrMyCallsign);
        }
        // The own position's state has a place of its own in the line,
        // before the sources.
        m_statusBoard->addProvider([extension] { return StatusParts{extension->positionStatus()}; },
                                   StatusBoard::Role::Position);
        m_statusBoard->addProvider(
            [extension] {
                StatusParts parts = extension->statusParts();
                parts.removeAll(extension->positionStatus());
                return parts;
            },
            StatusBoard::Role::Sources);
        // The host hears watched stations wherever they are only when told
        // which they are: on start and at every change of lstWatch (for as
        // long as the host lives).
        ListBox *watch = m_window->lstWatch;
        const auto tellWatched = [extension, watch] {
            QStringList callsigns;
            for (int i = 0; i < watch->count(); ++i)
                callsigns.append(watch->text(i));
            extension->setWatchedCallsigns(callsigns);
        };
        QAbstractItemModel *model = watch->model();
        connect(model, &QAbstractItemModel::rowsInserted, host, tellWatched);
        connect(model, &QAbstractItemModel::rowsRemoved, host, tellWatched);
        connect(model, &QAbstractItemModel::modelReset, host, tellWatched);
        connect(model, &QAbstractItemModel::layoutChanged, host, tellWatched);
        tellWatched();
        m_alerts->setUnit(extension->distanceUnit());
        m_monitor->setUnit([this] { return m_alerts->unit(); });
        m_monitor->setOwnMotion(
            [extension] { return ApproachRule::ownMotion(extension->ownCourse(), extension->ownSpeedKmh()); });
        // Notifications and speech speak in the units of the set-up in force.
        if (HostSettingsModel *setup = extension->settingsModel()) {
            connect(setup, &HostSettingsModel::changed, m_alerts.get(),
                    [this](const HostSettings &, const HostSettings &now) {
                        m_alerts->setUnit(now.unitsMiles ? DistanceUnit::Miles : DistanceUnit::Kilometres);
                    });
        }
        m_window->mnuStatusReconnect->setEnabled(true);
        connect(m_window->mnuStatusReconnect, &QAction::triggered, host, [this, extension] {
            extension->reconnectNow();
            m_statusBoard->refresh();
        });
    }
    m_statusBoard->addProvider([this]() -> StatusParts {
        // Only worth a word while the user wants notifications.
        if (!m_alertFlags.notify || !m_services.notifier)
            return {};
        const QString reason = m_services.notifier->unavailableReason();
        if (reason.isEmpty())
            return {};
        return {StatusPart{reason, false}};
    });
    m_statusBoard->addProvider([this]() -> StatusParts {
        // A desktop that keeps the window from coming forward is said once,
        // as one part, for as long as the user wants it brought to front.
        const QString reason = m_options.gblnBringToFront ? m_raiser->unavailableReason() : QString();
        if (reason.isEmpty())
            return {};
        if (m_alertFlags.notify && m_services.notifier)
            return {StatusPart{reason + QStringLiteral("; desktop notifications stand in for it"), false}};
        return {StatusPart{reason + QStringLiteral("; switch on Options, Desktop notifications to be told of "
                                                   "alarms"),
                           true}};
    });
    m_statusBoard->addProvider([this] { return m_writeFailures.statusParts(); });
    m_statusBoard->addProvider([this] { return soundParts(); });
    auto *soundCheck = new QTimer(this);
    soundCheck->setObjectName(QStringLiteral("soundCheck"));
    soundCheck->setInterval(60 * 1000);
    connect(soundCheck, &QTimer::timeout, this, &Program::checkSound);
    soundCheck->start();
    checkSound();
    m_statusBoard->refresh();
    m_statusBoard->start();
    qint32 attachOption = -1;
    host->SetAttachOption(attachOption);

    m_monitor->load_acked_list();
    // What the kept files held that could not be taken as it stood.
    for (const QString &reading : m_monitor->readings())
        qWarning("%s", qPrintable(reading));
    m_radar->reopen();
    m_started = true;
    return true;
}

void Program::wireWindow()
{
    frmMain &w = *m_window;

    SettingsControls controls;
    controls.window = &w;
    controls.txtRadius = w.txtRadius;
    controls.mnuAlarm = w.mnuAlarm;
    controls.mnuAlarmBringToFront = w.mnuAlarmBringToFront;
    controls.mnuOptionsStations = w.mnuOptionsStations;
    controls.mnuOptionsOverlays = w.mnuOptionsOverlays;
    controls.mnuOptionsNotify = w.mnuOptionsNotify;
    controls.mnuOptionsSpeak = w.mnuOptionsSpeak;
    controls.mnuOptionsDirect = w.mnuOptionsDirect;
    controls.mnuOptionsNoWeather = w.mnuOptionsNoWeather;
    controls.mnuOptionsNoInfrastructure = w.mnuOptionsNoInfrastructure;
    controls.mnuOptionsApproach = w.mnuOptionsApproach;
    controls.mnuOptionsRearm = w.mnuOptionsRearm;
    controls.mnuOptionsSirenNewOnly = w.mnuOptionsSirenNewOnly;
    controls.mnuOptionsKeepWatch = w.mnuOptionsKeepWatch;
    controls.mnuOptionsAtOnce = w.mnuOptionsAtOnce;
    controls.lstStations = w.lstStations;
    controls.cmdAck = w.cmdAck;
    controls.cmdRearm = w.cmdRearm;
    controls.cmdAckAll = w.cmdAckAll;
    controls.cmdRearmAll = w.cmdRearmAll;
    controls.lstOverlayItems = w.lstOverlayItems;
    controls.intLastLeft = &w.intLastLeft;
    controls.intLastTop = &w.intLastTop;
    controls.capturePosition = [&w] { w.Form_Resize(); };
    controls.placeWindow = [&w](QPoint framePos) { w.placeFrameAt(framePos); };
    controls.twipsPerPixel = [&w] { return w.twipsPerPixel(); };
    m_settings = std::make_unique<Settings>(m_strIniFile, controls, m_options, &m_writeFailures,
                                            &m_alertFlags);
    m_statusBoard = std::make_unique<StatusBoard>(w.lblStatus);

    MonitorControls mc;
    mc.lstStations = w.lstStations;
    mc.lstAcked = w.lstAcked;
    mc.lstWatch = w.lstWatch;
    mc.lstOverlayItems = w.lstOverlayItems;
    mc.txtRadius = w.txtRadius;
    mc.txtWatch = w.txtWatch;
    mc.lblMinDist = w.lblMinDist;
    mc.lblOverlays = w.lblOverlays;
    mc.cmdAck = w.cmdAck;
    mc.cmdAckAll = w.cmdAckAll;
    mc.cmdRearm = w.cmdRearm;
    mc.cmdRearmAll = w.cmdRearmAll;
    mc.cmdAddWatch = w.cmdAddWatch;
    mc.cmdShowWatch = w.cmdShowWatch;
    mc.Timer1 = w.Timer1;
    mc.Timer2 = w.Timer2;
    WindowRaiser *raiser = m_services.raiser;
    if (!raiser) {
        m_ownRaiser = std::make_unique<WidgetWindowRaiser>(&w);
        raiser = m_ownRaiser.get();
    }
    m_raiser = raiser;
    m_monitor = std::make_unique<StationMonitor>(mc, m_objStation, m_globals, m_options, *m_services.messages,
                                                 *m_services.sound, *raiser);

    wireAlerts(raiser);
    m_radar = std::make_unique<RadarLink>(m_strIniFile, &m_writeFailures, *m_monitor, w.txtRadius, m_globals,
                                          *m_services.messages);
    connect(w.mnuFileRadar, &QAction::triggered, this, [this] { m_radar->mnuFileRadar_Click(); });
    m_stations = std::make_unique<StationsLink>(m_strIniFile, &m_writeFailures, *m_monitor, w, m_globals,
                                                *m_services.popups);
    connect(w.mnuFileStations, &QAction::triggered, this, [this] { m_stations->mnuFileStations_Click(); });
    connect(&w, &frmMain::stationDetailsRequested, this, [this](const QString &callsign) {
        m_stations->showDetails(callsign);
    });
    m_radar->setDetailsOpener([this](const QString &callsign) { m_stations->showDetails(callsign); });

    m_overlayScan = std::make_unique<OverlayScan>(w.lstOverlayItems, w.txtRadius, w.lblOVLItem, nullptr,
                                                  m_objStation, QString(),
                                                  HostFolder(HostFolder::defaultStorePath(), m_services.programFolder));
    m_monitor->setOverlayScan([this] { m_overlayScan->scan_overlays(); });
    m_radar->setOverlayTable(&m_overlayScan->table());
    connect(w.lstOverlayItems, &ListBox::clicked, this, [this] { m_overlayScan->lstOverlayItems_Click(); });

    // Pop-up commands and the menus.
    connect(w.mnuFileExit, &QAction::triggered, this, &Program::mnuFileExit_Click);
    connect(w.mnuFileSetup, &QAction::triggered, this, &Program::mnuFileSetup_Click);
    connect(w.mnuFileHistory, &QAction::triggered, this, &Program::mnuFileHistory_Click);
    connect(w.mnuAlarm, &QAction::triggered, this, [this] { m_settings->mnuAlarm_Click(); });
    connect(w.mnuAlarmBringToFront, &QAction::triggered, this, [this] { m_settings->mnuAlarmBringToFront_Click(); });
    connect(w.mnuOptionsStations, &QAction::triggered, this, [this] { m_settings->mnuOptionsStations_Click(); });
    connect(w.mnuOptionsOverlays, &QAction::triggered, this, [this] { m_settings->mnuOptionsOverlays_Click(); });
    connect(w.mnuPopup1Ack, &QAction::triggered, this, [this] { m_monitor->ackList().mnuPopup1Ack_Click(); });
    connect(w.mnuPopup1AckHour, &QAction::triggered, this,
            [this] { m_monitor->ackList().mnuPopup1AckHour_Click(); });
    connect(w.mnuPopup2ReArm, &QAction::triggered, this, [this] { m_monitor->ackList().mnuPopup2ReArm_Click(); });
    connect(w.mnuPopu3Delete, &QAction::triggered, this, [this] { m_monitor->watchList().mnuPopu3Delete_Click(); });

    m_updateChecker = std::make_unique<UpdateChecker>(m_globals, *m_services.messages, *m_services.opener,
                                                      w.mnuHelpUpdate, &w);
    m_aboutBox = std::make_unique<AboutBox>(m_globals, *m_services.opener, *m_services.messages, &w);
    connect(w.mnuHelpUpdate, &QAction::triggered, this, [this] { m_updateChecker->mnuHelpUpdate_Click(); });
    connect(w.mnuHelpAbout, &QAction::triggered, this, [this] { m_aboutBox->mnuHelpAbout_Click(); });
    connect(w.mnuHelpHelp, &QAction::triggered, this, [this] {
        mnuHelpHelp_Click(m_globals, *m_services.opener, *m_services.messages, m_window.get());
    });

    w.onUnload = [this] { Form_Unload(); };
}

void Program::wireAlerts(WindowRaiser *raiser)
{
    frmMain &w = *m_window;
    m_alerts = std::make_unique<AlertChannels>(w.lstStations, w.lstAcked, m_alertFlags);
    m_alerts->setNotifier(m_services.notifier);
    m_alerts->setSpeaker(m_services.speaker);
    m_alerts->setRaise([raiser] { raiser->bringToFront(); });
    // Speech waits for the siren of its cycle, when one sounds.
    m_alerts->setSpeechDelay([this] {
        if (!m_options.gblnAudibleAlarm)
            return 0;
        // The cycle's scans are done: its reason names the sound to wait for.
        return qMin(waveDurationMs(sirenPath(m_globals.programFolder, m_globals.dataFolder,
                                             m_monitor->state().reason)),
                    15000);
    });
    m_monitor->cycle().setAfterStationScans([this] { m_alerts->afterStationScans(); });
    m_monitor->setAlertFlags(&m_alertFlags);
    m_monitor->setWriteOutcome([this](const QString &path, bool ok) {
        m_writeFailures.report(path, ok, ok ? QString() : WriteFailures::probeReason(path));
        if (m_statusBoard)
            m_statusBoard->refresh();
    });

    m_history = std::make_unique<AlarmHistory>(
        QDir(m_services.programFolder).filePath(AlarmHistory::fileName()), &m_writeFailures);
    m_alerts->setHistory(m_history.get());
    // Bearing and source come from the host's own record of the station.
    m_alerts->setDetails([this](AlarmLine &arrival) {
        if (m_services.alarmRaised)
            m_services.alarmRaised(arrival.callsign);
        if (!m_gUIV)
            return;
        HostStation record;
        record.setCallsign(arrival.callsign);
        try {
            if (!m_gUIV->GetStation(record))
                return;
        } catch (const std::exception &) {
            return;
        }
        if (record.details().bearing >= 0.0)
            arrival.bearing = record.details().bearing;
        arrival.source = record.details().source;
        const auto approach = m_monitor->state().approaches.constFind(arrival.callsign);
        if (arrival.approaching && approach != m_monitor->state().approaches.cend()) {
            const bool miles = m_alerts->unit() == DistanceUnit::Miles;
            arrival.cpa = miles ? approach->cpaKm / greatcircle::kKmPerMile : approach->cpaKm;
            arrival.tcpaMinutes = approach->tcpaMinutes;
        }
    });
    connect(w.mnuOptionsApproach, &QAction::triggered, this, [this] { m_settings->mnuOptionsApproach_Click(); });
    connect(w.mnuOptionsRearm, &QAction::triggered, this, [this] { m_settings->mnuOptionsRearm_Click(); });
    connect(w.mnuOptionsSirenNewOnly, &QAction::triggered, this,
            [this] { m_settings->mnuOptionsSirenNewOnly_Click(); });
    connect(w.mnuOptionsAtOnce, &QAction::triggered, this, [this] { m_settings->mnuOptionsAtOnce_Click(); });
    // Switched on, the list is kept from now; switched off, its file stays.
    connect(w.mnuOptionsKeepWatch, &QAction::triggered, this, [this] {
        m_settings->mnuOptionsKeepWatch_Click();
        m_monitor->saveKeptWatchList();
    });
    w.mnuOptionsApproachTime->setEnabled(m_services.dialogs != nullptr);
    connect(w.mnuOptionsApproachTime, &QAction::triggered, this, [this] {
        frmApproachTime dialog(m_alertFlags.approachMinutes, m_window.get());
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (m_services.dialogs && m_services.dialogs->present(dialog))
            m_settings->setApproachMinutes(dialog.minutes());
    });
    connect(w.mnuOptionsDirect, &QAction::triggered, this, [this] { m_settings->mnuOptionsDirect_Click(); });
    connect(w.mnuOptionsNoWeather, &QAction::triggered, this, [this] { m_settings->mnuOptionsNoWeather_Click(); });
    connect(w.mnuOptionsNoInfrastructure, &QAction::triggered, this,
            [this] { m_settings->mnuOptionsNoInfrastructure_Click(); });

    connect(w.mnuOptionsNotify, &QAction::triggered, this, [this] { m_settings->mnuOptionsNotify_Click(); });
    connect(w.mnuOptionsSpeak, &QAction::triggered, this, [this] { m_settings->mnuOptionsSpeak_Click(); });
    const QString speechProblem = m_services.speaker ? m_services.speaker->unavailableReason()
                                                     : QStringLiteral("no speech engine");
    if (!speechProblem.isEmpty()) {
        w.mnuOptionsSpeak->setEnabled(false);
        w.mnuOptionsSpeak->setToolTip(QStringLiteral("Speech is unavailable: ") + speechProblem);
    }
}

void Program::checkSound()
{
    m_soundProblem = m_services.sound ? m_services.sound->outputProblem() : QString();
    if (!m_window)
        return;
    const QString speechProblem = m_services.speaker ? m_services.speaker->unavailableReason() : QString();
    if (speechProblem.isEmpty() && m_services.speaker) {
        m_window->mnuOptionsSpeak->setToolTip(m_soundProblem.isEmpty()
                                                  ? QString()
                                                  : QStringLiteral("No sound device: spoken alarms cannot be heard"));
    }
    if (m_statusBoard)
        m_statusBoard->refresh();
}

StatusParts Program::soundParts() const
{
    StatusParts parts;
    if (!m_soundProblem.isEmpty() && m_options.gblnAudibleAlarm)
        parts.append({QStringLiteral("No sound device: the siren cannot be heard"), true});
    if (!m_alertFlags.speak || !m_services.speaker)
        return parts;
    if (!m_soundProblem.isEmpty())
        parts.append({QStringLiteral("No sound device: spoken alarms cannot be heard"), true});
    else if (const QString reason = m_services.speaker->unavailableReason(); !reason.isEmpty())
        parts.append({QStringLiteral("Spoken alarms cannot be heard: ") + reason, true});
    return parts;
}

void Program::mnuFileHistory_Click()
{
    if (!m_history || !m_window)
        return;
    if (!m_historyWindow)
        m_historyWindow = std::make_unique<frmAlarmHistory>(*m_history, *m_services.opener, *m_services.messages,
                                                            m_globals.gstrCaption, m_window.get());
    m_history->flush();
    m_historyWindow->reload();
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

void Program::saveAll()
{
    if (m_saved)
        return;
    m_saved = true;
    ++m_saveCount;
    m_settings->saveini();
    m_radar->save();
    m_stations->save();
    const bool listSaved = m_monitor->save_acked_list();
    m_writeFailures.report(m_strListFile, listSaved,
                           listSaved ? QString() : WriteFailures::probeReason(m_strListFile));
    if (m_statusBoard)
        m_statusBoard->refresh();
}

int Program::exitStatusAtEnd() const
{
    return m_writeFailures.isFailing(m_strListFile) ? 1 : m_exitStatus;
}

void Program::mnuFileExit_Click()
{
    saveAll();
    m_ended = true;
    if (m_services.quit)
        m_services.quit();
}

void Program::mnuFileSetup_Click()
{
    if (!m_services.dialogs || !m_window)
        return;
    frmStationSetup dialog(m_globals.gstrHostIniFile, m_globals.gstrMyCallsign, m_window.get());
    // An alarm keeps the main window on top; the modal window must not hide behind it.
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (!m_services.dialogs->present(dialog))
        return;
    if (auto *extension = dynamic_cast<HostExtension *>(m_gUIV.get()))
        extension->applySettings(HostProfile::read(m_globals.gstrHostIniFile));
}

void Program::Form_Unload()
{
    saveAll();
    m_radar->close();
    m_stations->close();
}

void Program::gUIV_UIView32IsClosing()
{
    if (m_window)
        m_window->close();
}

void Program::terminate(int signalNumber)
{
    // Before start-up has completed nothing is loaded, so nothing may be
    // saved: the list file would be cut to what little was read so far.
    if (!m_started) {
        if (!m_ended)
            endNow(128 + signalNumber);
        return;
    }
    if (m_window && m_window->isVisible())
        m_window->close();
    else if (m_window && !m_ended)
        saveAll();
    m_ended = true;
    if (m_services.quit)
        m_services.quit();
}

} // namespace nearbell
