#include "monitor/StationMonitor.h"

#include "monitor/ScanText.h"
#include "platform/ProgramGlobals.h"
#include "ui/ListBox.h"

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
      m_stationScan(controls, m_state, objStation, globals),
      m_watchList(controls, m_state, objStation, messages, programTitle),
      m_ackList(controls, messages, programTitle),
      m_cycle(controls.Timer1, m_stationScan, m_watchList, m_state, options, globals, sound, raiser)
{
    m_state.seen = &m_seen;
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
    return m_ackList.load_acked_list();
}

bool StationMonitor::save_acked_list()
{
    nameListFile();
    return m_ackList.save_acked_list();
}

QString StationMonitor::listFilePath(const ProgramGlobals &globals)
{
    return globals.programFolder + u'/' + globals.executableName + QStringLiteral(".LST");
}

} // namespace nearbell
