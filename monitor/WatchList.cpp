#include "monitor/WatchList.h"

#include "platform/A_GetSetIniFile.h"
#include "host/HostApplication.h"
#include "host/HostStation.h"
#include "monitor/CycleSnapshot.h"
#include "monitor/ScanText.h"
#include "monitor/StationListWalk.h"
#include "platform/BlankTrim.h"
#include "platform/MessageDisplay.h"
#include "platform/Windows1252.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <exception>

namespace nearbell {

WatchList::WatchList(const MonitorControls &controls, ScanState &state, HostStation &objStation,
                     MessageDisplay &messages, const QString &title, QObject *parent)
    : QObject(parent),
      m_lstWatch(controls.lstWatch),
      m_txtWatch(controls.txtWatch),
      m_cmdShowWatch(controls.cmdShowWatch),
      m_lblOverlays(controls.lblOverlays),
      m_lstOverlayItems(controls.lstOverlayItems),
      m_timer2(controls.Timer2),
      m_lstStations(controls.lstStations),
      m_lblMinDist(controls.lblMinDist),
      m_watched(controls.lstWatch),
      m_acked(controls.lstAcked),
      m_state(state),
      m_station(objStation),
      m_messages(messages),
      m_title(title)
{
    if (controls.cmdAddWatch)
        connect(controls.cmdAddWatch, &QPushButton::clicked, this, &WatchList::cmdAddWatch_Click);
    if (controls.cmdShowWatch)
        connect(controls.cmdShowWatch, &QPushButton::clicked, this, &WatchList::cmdShowWatch_Click);
    if (controls.Timer2)
        connect(controls.Timer2, &QTimer::timeout, this, &WatchList::Timer2_Timer);
    if (controls.txtWatch)
        controls.txtWatch->installEventFilter(this);
}

bool WatchList::scanControlsAlive() const
{
    return m_lstWatch && m_lstStations && m_lblMinDist;
}

void WatchList::scan_watchlist()
{
    if (!scanControlsAlive())
        return;
    // Neither lstStations nor dblMinDist start afresh here: both go on from
    // the station scan of the same cycle. A failure keeps what was done and
    // leaves the caption as the station scan set it.
    const QPointer<WatchList> self(this);
    const quint64 cycle = m_state.cycle;
    const auto alive = [&self, cycle] { return self && self->scanControlsAlive() && self->m_state.cycle == cycle; };
    ScanPacer pacer(m_yield, m_yieldBudget);
    try {
        const bool walked = StationListWalk::run(
            m_host, pacer,
            [this](HostApplication &host, const QString &entry) { examine(host, entry); }, alive);
        if (!walked)
            return;
        if (pacer.finish() && !alive())
            return;
        m_lblMinDist->setText(minDistCaption(m_lstStations->count(), m_state.dblMinDist));
    } catch (const std::exception &) {
    }
}

void WatchList::examine(HostApplication &host, const QString &entry)
{
    const std::optional<QString> callsign = callsignOfEntry(entry);
    if (!callsign || !m_watched.contains(*callsign) || m_acked.contains(*callsign))
        return;

    // The alarm stands even when the host cannot give the station's record.
    m_state.raise(AlarmReason::Watched);
    m_station.setCallsign(*callsign);
    if (!host.GetStation(m_station))
        return;
    const double distance = m_station.Distance();
    if (m_state.seen)
        m_state.seen->add(*callsign, entry, m_station, distance, SeenStation::Kind::Watched);
    if (distance < m_state.dblMinDist)
        m_state.dblMinDist = distance;
    m_lstStations->addItem(watchLine(*callsign, distance));
}

void WatchList::cmdAddWatch_Click()
{
    if (!m_txtWatch || !m_lstWatch)
        return;
    const QString callsign = trimBlanks(m_txtWatch->text());
    if (callsign.isEmpty()) {
        m_messages.show(m_txtWatch->window(), m_title,
                        QStringLiteral("You're supposed to put a callsign in the box!"),
                        MessageDisplay::Icon::Critical);
    } else {
        m_lstWatch->addItem(callsign);
        m_txtWatch->clear();
        if (m_onChange)
            m_onChange();
    }
    if (m_txtWatch)
        m_txtWatch->setFocus();
}

void WatchList::cmdShowWatch_Click()
{
    m_showWatchList = !m_showWatchList;
    show_hide_watchlist();
    if (m_txtWatch)
        m_txtWatch->setFocus();
}

void WatchList::Timer2_Timer()
{
    m_showWatchList = false;
    show_hide_watchlist();
    if (m_timer2)
        m_timer2->stop();
}

void WatchList::mnuPopu3Delete_Click()
{
    if (!m_lstWatch)
        return;
    const int selected = m_lstWatch->selectedRow();
    if (selected < 0)
        return;
    m_lstWatch->removeRow(selected);
    if (m_onChange)
        m_onChange();
}

void WatchList::show_hide_watchlist()
{
    if (!m_lstWatch || !m_lstOverlayItems || !m_cmdShowWatch || !m_lblOverlays)
        return;
    if (m_showWatchList) {
        m_lstOverlayItems->setVisible(false);
        m_lstWatch->setVisible(true);
        m_cmdShowWatch->setText(QStringLiteral("Hide"));
        m_lblOverlays->setText(QStringLiteral("Watch list"));
        if (m_timer2)
            m_timer2->start();
    } else {
        m_lstOverlayItems->setVisible(true);
        m_lstWatch->setVisible(false);
        m_cmdShowWatch->setText(QStringLiteral("Show"));
        m_lblOverlays->setText(QStringLiteral("Overlay objects in alarm"));
    }
}

bool WatchList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_txtWatch || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);

    // Every typed character goes through the upper-casing filter; keys that
    // type nothing (arrows, shift, ...) and control codes pass as they are,
    // so editing keys and the paste shortcut keep working.
    auto *key = static_cast<QKeyEvent *>(event);
    const QString typed = key->text();
    if (typed.size() != 1)
        return false;
    // The filter works on the 8-bit codes of the program's code page; a
    // character outside it has no such code and goes in unchanged.
    const int ansi = windows1252Code(typed.at(0));
    if (ansi < 0)
        return false;
    const qint16 code = UpperCaseKey(qint16(ansi));
    if (code == 32)
        return true; // blanks cannot be typed
    if (code == 13) {
        cmdAddWatch_Click();
        return true;
    }
    const QChar filtered = windows1252Char(static_cast<unsigned char>(code));
    if (filtered == typed.at(0))
        return false;
    m_txtWatch->insert(QString(filtered));
    return true;
}

} // namespace nearbell
