#include "app/StationRowCollector.h"

#include "host/HostApplication.h"
#include "host/HostExtension.h"
#include "host/aprs/AprsSymbols.h"
#include "monitor/ScanText.h"
#include "monitor/StationListWalk.h"
#include "platform/ProgramGlobals.h"
#include "ui/ListBox.h"

#include <exception>

namespace nearbell {

namespace {

int weight(StationState state)
{
    switch (state) {
    case StationState::Acknowledged:
        return 3;
    case StationState::InRange:
        return 2;
    case StationState::Watched:
        return 1;
    case StationState::None:
        break;
    }
    return 0;
}

void note(QHash<QString, StationState> &states, const QString &callsign, StationState state)
{
    StationState &known = states[callsign];
    if (weight(state) > weight(known))
        known = state;
}

} // namespace

StationRowCollector::StationRowCollector(const ProgramGlobals &globals) : m_globals(globals)
{
}

void StationRowCollector::setLists(ListBox *lstStations, ListBox *lstAcked, ListBox *lstWatch)
{
    m_lstStations = lstStations;
    m_lstAcked = lstAcked;
    m_lstWatch = lstWatch;
}

DistanceUnit StationRowCollector::unit() const
{
    const auto *extension = dynamic_cast<const HostExtension *>(m_host.data());
    return extension ? extension->distanceUnit() : DistanceUnit::Kilometres;
}

void StationRowCollector::prepare(HostApplication &host)
{
    m_states.clear();
    if (m_lstWatch) {
        for (const QString &line : m_lstWatch->lines())
            note(m_states, line, StationState::Watched);
    }
    if (m_lstStations) {
        const QString watchMark = QStringLiteral(" (watch) ");
        for (const QString &line : m_lstStations->lines())
            note(m_states, callsignOfLine(line),
                 line.contains(watchMark) ? StationState::Watched : StationState::InRange);
    }
    if (m_lstAcked) {
        for (const QString &line : m_lstAcked->lines())
            note(m_states, line, StationState::Acknowledged);
    }

    m_record.setCallsign(m_globals.gstrMyCallsign);
    m_ownKnown = !m_globals.gstrMyCallsign.isEmpty() && host.GetStation(m_record);
    m_ownLatitude = m_record.Latitude();
    m_ownLongitude = m_record.Longitude();
    m_ownMotion = Motion::standing();
    if (const auto *extension = dynamic_cast<const HostExtension *>(&host)) {
        const std::optional<double> speed = extension->ownSpeedKmh();
        const std::optional<double> course = extension->ownCourse();
        if (speed && (course || *speed == 0.0))
            m_ownMotion = Motion{course.value_or(0.0), *speed};
    }
}

StationRow StationRowCollector::rowFor(const QString &callsign, const HostStation &record) const
{
    const HostStation::Details &details = record.details();
    StationRow row;
    row.callsign = callsign;
    row.own = callsign == m_globals.gstrMyCallsign;
    row.symbolTable = details.symbolTable;
    row.symbolCode = details.symbolCode;
    row.symbolDescription = symbolDescription(details.symbolTable, details.symbolCode);
    row.latitude = record.Latitude();
    row.longitude = record.Longitude();
    if (m_ownKnown) {
        row.distance = row.own ? 0.0 : double(record.Distance());
        if (!row.own) {
            row.bearing = std::isfinite(details.bearing)
                              ? details.bearing
                              : greatcircle::bearing(m_ownLatitude, m_ownLongitude, row.latitude, row.longitude);
            const Motion motion{details.course, details.speedKmh};
            if (motion.known()) {
                const Approach approach = closestApproach(m_ownLatitude, m_ownLongitude, m_ownMotion,
                                                          row.latitude, row.longitude, motion);
                row.closingKmh = approach.closingKmh;
                row.cpaKm = approach.cpaKm;
                row.tcpaMinutes = approach.tcpaMinutes;
            }
        }
    }
    row.course = details.course;
    row.speedKmh = details.speedKmh;
    row.altitudeM = details.altitudeM;
    row.lastHeard = details.lastHeard;
    row.packets = details.packets;
    row.source = details.source;
    row.path = details.path;
    row.heardDirect = details.heardDirectRecently;
    row.comment = details.comment;
    row.status = details.status;
    if (!row.own)
        row.state = m_states.value(callsign, StationState::None);
    if (row.state == StationState::Acknowledged && m_acknowledgedUntil)
        row.acknowledgedUntil = m_acknowledgedUntil(callsign).value_or(QDateTime());
    return row;
}

std::optional<std::vector<StationRow>> StationRowCollector::collect(const YieldFunction &yield,
                                                                    const std::function<bool()> &alive,
                                                                    std::chrono::nanoseconds budget)
{
    if (!m_host)
        return std::nullopt;
    std::vector<StationRow> rows;
    bool ownListed = false;
    try {
        prepare(*m_host);
        const HostStation own = m_record;
        ScanPacer pacer(yield, budget);
        const QPointer<HostApplication> host = m_host;
        const bool walked = StationListWalk::run(
            host, pacer,
            [&](HostApplication &h, const QString &entry) {
                const std::optional<QString> callsign = callsignOfEntry(entry);
                if (!callsign)
                    return;
                m_record.setCallsign(*callsign);
                if (!h.GetStation(m_record))
                    return;
                rows.push_back(rowFor(*callsign, m_record));
                if (rows.back().own) {
                    ownListed = true;
                    std::swap(rows.front(), rows.back());
                }
            },
            [&host, &alive] { return !host.isNull() && alive(); });
        if (!walked)
            return std::nullopt;
        // A host that lists no own station still knows where it is.
        if (!ownListed && m_ownKnown) {
            rows.insert(rows.begin(), rowFor(m_globals.gstrMyCallsign, own));
        }
    } catch (const std::exception &) {
        return std::nullopt;
    }
    return rows;
}

StationRowCollector::LookUp StationRowCollector::lookUp(const QString &callsign, StationRow &row,
                                                        HostStation::Details &details)
{
    if (!m_host)
        return LookUp::Failed;
    try {
        prepare(*m_host);
        m_record.setCallsign(callsign);
        if (!m_host->GetStation(m_record))
            return LookUp::Gone;
        row = rowFor(callsign, m_record);
        details = m_record.details();
        return LookUp::Found;
    } catch (const std::exception &) {
        return LookUp::Failed;
    }
}

} // namespace nearbell
