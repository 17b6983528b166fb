#include "monitor/StationScan.h"

#include "platform/ProgramGlobals.h"
#include "host/HostApplication.h"
#include "host/HostStation.h"
#include "monitor/CycleSnapshot.h"
#include "host/aprs/AprsSymbols.h"
#include "monitor/AlertFlags.h"
#include "monitor/ApproachRule.h"
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
        findOwnPlace(m_host);
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

void StationScan::findOwnPlace(HostApplication *host)
{
    m_ownPlace.reset();
    if (!host || !m_flags || !m_flags->approach)
        return;
    // Read once per scan: a lost own position ends the predictions with it.
    HostStation own;
    own.setCallsign(m_globals.gstrMyCallsign);
    if (!host->GetStation(own))
        return;
    m_ownPlace = std::make_pair(double(own.Latitude()), double(own.Longitude()));
    m_own = m_ownMotion ? m_ownMotion() : Motion::standing();
}

std::optional<Approach> StationScan::approachOf(const HostStation &record, double range) const
{
    if (!m_ownPlace)
        return std::nullopt;
    const bool miles = m_unit && m_unit() == DistanceUnit::Miles;
    const std::optional<Approach> approach
        = ApproachRule::predict(m_ownPlace->first, m_ownPlace->second, m_own, record.Latitude(),
                                record.Longitude(), record.details());
    if (!approach
        || !ApproachRule::warns(*approach, miles ? range * greatcircle::kKmPerMile : range,
                                m_flags->approachMinutes))
        return std::nullopt;
    return approach;
}

bool StationScan::leftOut(const HostStation &record) const
{
    if (!m_flags)
        return false;
    const HostStation::Details &details = record.details();
    const StationKind kind = AprsSymbols::kindOf(details.symbolTable, details.symbolCode);
    return (kind == StationKind::Weather && m_flags->noWeather)
           || (kind == StationKind::Infrastructure && m_flags->noInfrastructure);
}

AlarmReason StationScan::reasonFor(const QString &callsign)
{
    if (!m_host || !m_txtRadius || callsign == m_globals.gstrMyCallsign || m_acked.contains(callsign))
        return AlarmReason::None;
    HostStation record;
    record.setCallsign(callsign);
    if (!m_host->GetStation(record) || leftOut(record))
        return AlarmReason::None;
    const double range = leadingNumber(m_txtRadius->text());
    if (range > record.Distance())
        return AlarmReason::InRange;
    findOwnPlace(m_host);
    if (approachOf(record, range))
        return AlarmReason::Approaching;
    if (m_flags && m_flags->direct && record.details().heardDirectRecently)
        return AlarmReason::Direct;
    return AlarmReason::None;
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
    const std::optional<Approach> approach = inRange ? std::nullopt : approachOf(m_station, range);
    if ((!inRange && !direct && !approach) || leftOut(m_station))
        return;
    const bool acked = m_acked.contains(*callsign);
    if (m_state.seen)
        m_state.seen->add(*callsign, entry, m_station, distance,
                          acked ? SeenStation::Kind::Acked : SeenStation::Kind::Listed);
    if (acked) {
        if (inRange)
            m_state.ackedInRange.insert(*callsign);
        return;
    }

    if (distance < m_state.dblMinDist)
        m_state.dblMinDist = distance;
    if (inRange) {
        m_state.raise(AlarmReason::InRange);
        m_lstStations->addItem(stationLine(*callsign, distance));
    } else if (approach) {
        m_state.raise(AlarmReason::Approaching);
        m_state.approaches.insert(*callsign, *approach);
        m_lstStations->addItem(approachingLine(*callsign, distance));
    } else {
        m_state.raise(AlarmReason::Direct);
        m_lstStations->addItem(directLine(*callsign, distance));
    }
}

} // namespace nearbell
