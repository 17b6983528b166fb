#include "monitor/StationMonitor.h"

#include "host/HostApplication.h"
#include "monitor/AlertFlags.h"
#include "monitor/OptionFlags.h"
#include "monitor/ScanText.h"
#include "monitor/WatchListFile.h"
#include "platform/ProgramGlobals.h"
#include "ui/ListBox.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <exception>
#include <memory>

namespace nearbell {

namespace {
const QString programTitle = QStringLiteral("Nearbell");
}

StationMonitor::StationMonitor(const MonitorControls &controls, HostStation &objStation,
                               const ProgramGlobals &globals, const OptionFlags &options,
                               MessageDisplay &messages, SoundPlayer &sound, WindowRaiser &raiser,
                               QObject *parent)
    : QObject(parent),
      m_globals(globals),
      m_lstStations(controls.lstStations),
      m_lstAcked(controls.lstAcked),
      m_lstWatch(controls.lstWatch),
      m_watchedIndex(controls.lstWatch),
      m_ackedIndex(controls.lstAcked),
      m_options(options),
      m_stationScan(controls, m_state, objStation, globals),
      m_watchList(controls, m_state, objStation, messages, programTitle),
      m_ackList(controls, messages, programTitle),
      m_cycle(controls.Timer1, m_stationScan, m_watchList, m_state, options, globals, sound, raiser),
      m_leave([this] { return m_steady(); }),
      m_extra([this] {
                  if (m_cycle.isRunning())
                      return false;
                  m_cycle.Timer1_Timer();
                  return true;
              },
              [this] { return m_steady(); })
{
    m_state.seen = &m_seen;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    setClocks([started] { return started->elapsed(); }, [] { return QDateTime::currentDateTimeUtc(); });
    m_ackList.setAckTimes(&m_ackTimes);
    m_cycle.setStationLines([this] { return stationLines(); });
    m_cycle.setMonitorHooks([this] { atCycleStart(); }, [this](bool scanned) { afterScans(scanned); });
    m_watchList.setOnChange([this] { saveKeptWatchList(); });
}

void StationMonitor::setAlertFlags(const AlertFlags *flags)
{
    m_flags = flags;
    m_stationScan.setAlertFlags(flags);
    m_cycle.setAlertFlags(flags);
}

void StationMonitor::setOwnMotion(std::function<Motion()> ownMotion)
{
    m_stationScan.setOwnMotion(std::move(ownMotion));
}

void StationMonitor::setUnit(std::function<DistanceUnit()> unit)
{
    m_stationScan.setUnit(std::move(unit));
}

void StationMonitor::setClocks(AckTimes::SteadyClock steady, AckTimes::WallClock wall)
{
    m_steady = std::move(steady);
    m_ackTimes.setClocks([this] { return m_steady(); }, std::move(wall));
}

void StationMonitor::rearm(const QString &callsign)
{
    m_ackTimes.forget(callsign);
    if (!m_lstAcked)
        return;
    const QStringList acked = m_lstAcked->lines();
    for (qsizetype row = acked.size() - 1; row >= 0; --row) {
        if (acked.at(row) == callsign)
            m_lstAcked->removeRow(int(row));
    }
}

void StationMonitor::atCycleStart()
{
    for (const QString &callsign : m_ackTimes.takeDue())
        rearm(callsign);
}

void StationMonitor::afterScans(bool scanned)
{
    // Only a cycle that looked can tell that a station stayed away.
    if (!scanned || !m_lstAcked)
        return;
    QSet<QString> near = m_state.ackedInRange;
    if (m_lstWatch) {
        for (const QString &callsign : m_lstWatch->lines())
            near.insert(callsign);
    }
    const int minutes = m_flags ? m_flags->rearmAfterMinutes : 0;
    for (const QString &callsign : m_leave.cycle(m_lstAcked->lines(), near, minutes))
        rearm(callsign);
}

void StationMonitor::onBeacon(const QString &callsign)
{
    if (!m_flags || !m_flags->atOnce || !m_options.gblnScanStations || m_extra.isPending())
        return;
    try {
        // In range, approaching or watched; heard direct waits for Timer1.
        const AlarmReason reason = m_stationScan.reasonFor(callsign);
        QString line;
        if (reason == AlarmReason::InRange)
            line = stationLine(callsign, 0);
        else if (reason == AlarmReason::Approaching)
            line = approachingLine(callsign, 0);
        const bool watched = m_watchedIndex.contains(callsign) && !m_ackedIndex.contains(callsign);
        // A station the last cycle listed for that reason has had its alarm.
        const QSet<QString> &listed = m_cycle.lastKeys();
        const bool newLine = !line.isEmpty() && !listed.contains(lineKey(line));
        const bool newWatch = watched && !listed.contains(lineKey(watchLine(callsign, 0)));
        if (newLine || newWatch)
            m_extra.request();
    } catch (const std::exception &) {
    }
}

QString StationMonitor::ackTimesPath(const ProgramGlobals &globals)
{
    return globals.programFolder + u'/' + globals.executableName + QStringLiteral(".ACKTIME");
}

QString StationMonitor::watchFilePath(const ProgramGlobals &globals)
{
    return globals.programFolder + u'/' + globals.executableName + QStringLiteral(".WATCH");
}

void StationMonitor::tellWrite(const QString &path, bool ok)
{
    if (m_writeOutcome)
        m_writeOutcome(path, ok);
}

bool StationMonitor::loadKeptWatchList()
{
    if (!m_flags || !m_flags->keepWatch || !m_lstWatch)
        return false;
    QStringList callsigns;
    const bool whole = WatchListFile::read(watchFilePath(m_globals), &callsigns, &m_readings);
    m_lstWatch->addItems(callsigns);
    return whole;
}

bool StationMonitor::saveKeptWatchList()
{
    if (!m_flags || !m_flags->keepWatch || !m_lstWatch)
        return false;
    const QString path = watchFilePath(m_globals);
    const bool ok = WatchListFile::write(path, m_lstWatch->lines());
    tellWrite(path, ok);
    return ok;
}

QStringList StationMonitor::stationLines()
{
    return m_lstStations ? m_lstStations->lines() : QStringList();
}

bool StationMonitor::selectStation(const QString &callsign)
{
    if (!m_lstStations)
        return false;
    const QStringList lines = m_lstStations->lines();
    for (qsizetype row = 0; row < lines.size(); ++row) {
        if (callsignOfLine(lines.at(row)) == callsign) {
            m_lstStations->setSelectedRow(int(row));
            return true;
        }
    }
    return false;
}

bool StationMonitor::selectListedOrAcked(const QString &callsign)
{
    if (selectStation(callsign)) {
        m_lstStations->scrollTo(m_lstStations->currentIndex());
        return true;
    }
    if (!m_lstAcked)
        return false;
    const qsizetype row = m_lstAcked->lines().indexOf(callsign);
    if (row < 0)
        return false;
    m_lstAcked->setSelectedRow(int(row));
    m_lstAcked->scrollTo(m_lstAcked->currentIndex());
    return true;
}

void StationMonitor::setHost(HostApplication *gUIV)
{
    if (m_host)
        disconnect(m_host, nullptr, this, nullptr);
    m_host = gUIV;
    if (gUIV)
        connect(gUIV, &HostApplication::NotifyBeacon, this,
                [this](const QString &callsign, float, float) { onBeacon(callsign); });
    m_stationScan.setHost(gUIV);
    m_watchList.setHost(gUIV);
}

void StationMonitor::setYield(const YieldFunction &yield, std::chrono::nanoseconds budget)
{
    m_stationScan.setYield(yield, budget);
    m_watchList.setYield(yield, budget);
    m_cycle.setYield(yield);
}

void StationMonitor::setOverlayScan(std::function<void()> scanOverlays)
{
    m_cycle.setOverlayScan(std::move(scanOverlays));
}

void StationMonitor::nameListFile()
{
    if (m_ackList.listFile().isEmpty())
        m_ackList.setListFile(listFilePath(m_globals));
}

bool StationMonitor::load_acked_list()
{
    nameListFile();
    const bool whole = m_ackList.load_acked_list();
    if (m_lstAcked)
        m_ackTimes.read(ackTimesPath(m_globals), m_lstAcked->lines(), &m_readings);
    return whole;
}

bool StationMonitor::save_acked_list()
{
    nameListFile();
    const bool saved = m_ackList.save_acked_list();
    // No file of its own until some acknowledgement has an end.
    const QString path = ackTimesPath(m_globals);
    if (!m_ackTimes.isEmpty() || QFileInfo::exists(path))
        tellWrite(path, m_ackTimes.write(path));
    return saved;
}

QString StationMonitor::listFilePath(const ProgramGlobals &globals)
{
    return globals.programFolder + u'/' + globals.executableName + QStringLiteral(".LST");
}

} // namespace nearbell
