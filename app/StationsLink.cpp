#include "app/StationsLink.h"

#include <QHeaderView>

#include "monitor/ScanText.h"
#include "monitor/StationMonitor.h"
#include "ui/frmMain.h"
#include "ui/frmStationDetails.h"
#include "ui/frmStations.h"

namespace nearbell {

StationsLink::StationsLink(const QString &iniFile, WriteFailures *failures, StationMonitor &monitor, frmMain &main,
                           const ProgramGlobals &globals, PopupMenuPresenter &popups, QObject *parent)
    : QObject(parent),
      m_settings(iniFile, failures, StationTableModel::ColumnCount),
      m_monitor(monitor),
      m_main(main),
      m_popups(popups),
      m_collector(globals)
{
    m_collector.setLists(main.lstStations, main.lstAcked, main.lstWatch);
    m_collector.setAcknowledgedUntil([this](const QString &callsign) { return m_monitor.acknowledgedUntil(callsign); });
    // Once per cycle, never per packet heard.
    connect(&m_monitor.cycle(), &ScanCycle::cycleFinished, this, [this] {
        if (m_window && m_window->isVisible())
            refresh();
        refreshDetails();
    });
}

StationsLink::~StationsLink() = default;

void StationsLink::mnuFileStations_Click()
{
    if (!m_window) {
        m_window = std::make_unique<frmStations>(m_popups);
        // Only the main window's closing ends the program.
        m_window->setAttribute(Qt::WA_QuitOnClose, false);
        restoreLayout();
        connect(m_window.get(), &frmStations::closed, this, &StationsLink::save);
        connect(m_window.get(), &frmStations::detailsRequested, this, &StationsLink::showDetails);
        connect(m_window.get(), &frmStations::menuAbout, this, &StationsLink::prepareMenu);
        connect(m_window->mnuStationsAck, &QAction::triggered, this, [this] { acknowledge(m_menuCallsign); });
        connect(m_window->mnuStationsRearm, &QAction::triggered, this, [this] { rearm(m_menuCallsign); });
        connect(m_window->mnuStationsWatch, &QAction::triggered, this, [this] { addToWatchList(m_menuCallsign); });
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    refresh();
}

void StationsLink::restoreLayout()
{
    if (const auto place = m_settings.place()) {
        m_window->resize(place->size);
        m_window->move(place->position);
    }
    QHeaderView *header = m_window->tblStations->horizontalHeader();
    if (const auto columns = m_settings.columns()) {
        for (int visual = 0; visual < columns->size(); ++visual) {
            const StationsSettings::Column &column = columns->at(visual);
            header->moveSection(header->visualIndex(column.column), visual);
            header->resizeSection(column.column, column.width);
        }
    }
    if (const auto sort = m_settings.sort())
        m_window->tblStations->sortByColumn(sort->column, sort->descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void StationsLink::save()
{
    if (!m_window || !m_window->isVisible())
        return;
    const QHeaderView *header = m_window->tblStations->horizontalHeader();
    QList<StationsSettings::Column> columns;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        columns.append({column, header->sectionSize(column)});
    }
    const StationTableModel &model = m_window->model();
    m_settings.save({m_window->frameGeometry().topLeft(), m_window->size()}, columns,
                    {model.sortColumn(), model.sortOrder() == Qt::DescendingOrder});
}

void StationsLink::close()
{
    if (m_window && m_window->isVisible())
        m_window->close();
    for (auto &[callsign, window] : m_details)
        window->close();
}

void StationsLink::refresh()
{
    // A walk yields; a second one may not start inside it.
    if (!m_window || m_walking)
        return;
    m_walking = true;
    const QPointer<StationsLink> self(this);
    std::optional<std::vector<StationRow>> rows = m_collector.collect(m_yield, [&self] { return !self.isNull(); });
    if (!self)
        return;
    m_walking = false;
    if (!rows || !m_window)
        return;
    m_window->model().setUnit(m_collector.unit());
    m_window->setRows(std::move(*rows), QDateTime::currentDateTimeUtc());
}

frmStationDetails *StationsLink::details(const QString &callsign) const
{
    const auto found = m_details.find(callsign);
    return found == m_details.end() ? nullptr : found->second.get();
}

void StationsLink::showDetails(const QString &callsign)
{
    if (callsign.isEmpty())
        return;
    std::unique_ptr<frmStationDetails> &window = m_details[callsign];
    if (!window) {
        window = std::make_unique<frmStationDetails>(callsign);
        window->setAttribute(Qt::WA_QuitOnClose, false);
        frmStationDetails *w = window.get();
        connect(w, &frmStationDetails::acknowledgeClicked, this, [this, callsign] { acknowledge(callsign); });
        connect(w, &frmStationDetails::rearmClicked, this, [this, callsign] { rearm(callsign); });
        connect(w, &frmStationDetails::watchClicked, this, [this, callsign] { addToWatchList(callsign); });
    }
    refreshDetails(*window);
    window->show();
    window->raise();
    window->activateWindow();
}

void StationsLink::refreshDetails()
{
    // Closed windows go now, between commands, never from their own signals.
    for (auto it = m_details.begin(); it != m_details.end();) {
        if (!it->second->isVisible())
            it = m_details.erase(it);
        else
            refreshDetails(*(it++)->second);
    }
}

void StationsLink::refreshDetails(frmStationDetails &window)
{
    StationRow row;
    HostStation::Details details;
    const QString callsign = window.callsign();
    switch (m_collector.lookUp(callsign, row, details)) {
    case StationRowCollector::LookUp::Found:
        window.setStation(row, details, m_collector.unit(), QDateTime::currentDateTimeUtc());
        break;
    case StationRowCollector::LookUp::Gone:
        window.setNoLongerHeard();
        break;
    case StationRowCollector::LookUp::Failed:
        return; // the host failed: the window keeps what it showed
    }
    window.setCommands(isAcked(callsign), isListed(callsign), !isWatched(callsign));
}

void StationsLink::prepareMenu(const QString &callsign)
{
    m_menuCallsign = callsign;
    const bool acked = isAcked(callsign);
    m_window->mnuStationsAck->setEnabled(!acked && isListed(callsign));
    m_window->mnuStationsAck->setToolTip(m_window->mnuStationsAck->isEnabled() ? QString()
                                                                              : frmStationDetails::notListedText());
    m_window->mnuStationsRearm->setEnabled(acked);
    m_window->mnuStationsWatch->setEnabled(!isWatched(callsign));
}

bool StationsLink::isListed(const QString &callsign) const
{
    for (const QString &line : m_main.lstStations->lines()) {
        if (callsignOfLine(line) == callsign)
            return true;
    }
    return false;
}

bool StationsLink::isAcked(const QString &callsign) const
{
    return m_main.lstAcked->lines().contains(callsign);
}

bool StationsLink::isWatched(const QString &callsign) const
{
    return m_main.lstWatch->lines().contains(callsign);
}

void StationsLink::acknowledge(const QString &callsign)
{
    if (isAcked(callsign) || !m_monitor.selectStation(callsign))
        return;
    m_monitor.ackList().mnuPopup1Ack_Click();
    commandDone();
}

void StationsLink::rearm(const QString &callsign)
{
    const qsizetype row = m_main.lstAcked->lines().indexOf(callsign);
    if (row < 0)
        return;
    m_main.lstAcked->setSelectedRow(int(row));
    m_monitor.ackList().mnuPopup2ReArm_Click();
    commandDone();
}

void StationsLink::addToWatchList(const QString &callsign)
{
    if (callsign.isEmpty() || isWatched(callsign))
        return;
    // The command takes the callsign from the entry box; what the user was
    // typing there is put back.
    const QString typed = m_main.txtWatch->text();
    m_main.txtWatch->setText(callsign);
    m_monitor.watchList().cmdAddWatch_Click();
    m_main.txtWatch->setText(typed);
    commandDone();
}

void StationsLink::commandDone()
{
    // The states change at once, not only at the next cycle.
    if (m_window && m_window->isVisible())
        refresh();
    refreshDetails();
}

} // namespace nearbell
