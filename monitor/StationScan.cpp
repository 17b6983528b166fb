#include "monitor/StationScan.h"

#include "platform/ProgramGlobals.h"
#include "host/HostApplication.h"
#include "host/HostStation.h"
#include "monitor/CycleSnapshot.h"
#include "host/aprs/AprsSymbols.h"
#include "monitor/AlertFlags.h"
#include "monitor/ScanText.h"
#include "monitor/StationListWalk.h"
#include "platform/LeadingNumber.h"

#include <QLabel>
#include <QLineEdit>

#include <exception>

namespace nearbell {

StationScan::StationScan(const MonitorControls &controls, ScanState &state,
                         HostStation &objStation, const ProgramGlobals &globals, QObject *parent)
    : QObject(parent),
      m_lstStations(controls.lstStations),
      m_lstAcked(controls.lstAcked),
      m_txtRadius(controls.txtRadius),
      m_lblMinDist(controls.lblMinDist),
      m_acked(controls.lstAcked),
      m_state(state),
      m_station(objStation),
      m_globals(globals)
{
}

bool StationScan::controlsAlive() const
{
    return m_lstStations && m_lstAcked && m_txtRadius && m_lblMinDist;
}

void StationScan::scan_stations()
{
    if (!controlsAlive())
        return;
    m_lstStations->clear();
    m_state.dblMinDist = 99999.0;

    // Whatever goes wrong from here on ends the scan quietly; the lines
    // listed so far stay and the caption keeps its old text.
    const QPointer<StationScan> self(this);
    const quint64 cycle = m_state.cycle;
    const auto alive = [&self, cycle] { return self && self->controlsAlive() && self->m_state.cycle == cycle; };
    ScanPacer pacer(m_yield, m_yieldBudget);
    try {
        const bool walked = StationListWalk::run(
            m_host, pacer,
            [this](HostApplication &host, const QString &entry) { examine(host, entry); }, alive);
        if (!walked)
            return;
        pacer.yieldNow();
        if (!alive())
            return;
        m_lblMinDist->setText(minDistCaption(m_lstStations->count(), m_state.dblMinDist));
    } catch (const std::exception &) {
    }
}

void StationScan::examine(HostApplication &host, const QString &entry)
{
    // An entry without a blank after its first character carries no
    // callsign; it is passed over so that the stations behind it still alarm.
    const std::optional<QString> callsign = callsignOfEntry(entry);
    if (!callsign || *callsign == m_globals.gstrMyCallsign)
        return;

    m_station.setCallsign(*callsign);
    if (!host.GetStation(m_station))
        return;
    const double distance = m_station.Distance();

    const double range = leadingNumber(m_txtRadius->text());
    const bool inRange = range > distance;
    const HostStation::Details &details = m_station.details();
    const bool direct = m_flags && m_flags->direct && details.heardDirectRecently;
    if (!inRange && !direct)
        return;
    if (m_flags) {
        const StationKind kind = AprsSymbols::kindOf(details.symbolTable, details.symbolCode);
        if ((kind == StationKind::Weather && m_flags->noWeather)
            || (kind == StationKind::Infrastructure && m_flags->noInfrastructure))
            return;
    }
    const bool acked = m_acked.contains(*callsign);
    if (m_state.seen)
        m_state.seen->add(*callsign, entry, m_station, distance,
                          acked ? SeenStation::Kind::Acked : SeenStation::Kind::Listed);
    if (acked)
        return;

    m_state.blnAlarm = true;
    if (distance < m_state.dblMinDist)
        m_state.dblMinDist = distance;
    m_lstStations->addItem(inRange ? stationLine(*callsign, distance) : directLine(*callsign, distance));
}

} // namespace nearbell
