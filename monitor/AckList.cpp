#include "monitor/AckList.h"

#include "monitor/AckListFile.h"
#include "monitor/AckTimes.h"
#include "monitor/ScanText.h"
#include "platform/MessageDisplay.h"

#include "ui/ListBox.h"

#include <QPushButton>
#include <QSet>
#include <QTimer>

namespace nearbell {

namespace {

int selectedRow(ListBox *list)
{
    return list ? list->selectedRow() : -1;
}

} // namespace

AckList::AckList(const MonitorControls &controls, MessageDisplay &messages, const QString &title,
                 QObject *parent)
    : QObject(parent),
      m_lstStations(controls.lstStations),
      m_lstAcked(controls.lstAcked),
      m_timer1(controls.Timer1),
      m_messages(messages),
      m_title(title)
{
    if (controls.cmdAck)
        connect(controls.cmdAck, &QPushButton::clicked, this, &AckList::cmdAck_Click);
    if (controls.cmdAckAll)
        connect(controls.cmdAckAll, &QPushButton::clicked, this, &AckList::cmdAckAll_Click);
    if (controls.cmdRearm)
        connect(controls.cmdRearm, &QPushButton::clicked, this, &AckList::cmdRearm_Click);
    if (controls.cmdRearmAll)
        connect(controls.cmdRearmAll, &QPushButton::clicked, this, &AckList::cmdRearmAll_Click);
}

bool AckList::isAcked(const QString &callsign) const
{
    return m_lstAcked->lines().contains(callsign);
}

void AckList::selectFirstMessage()
{
    QWidget *parent = m_lstStations ? m_lstStations->window() : nullptr;
    m_messages.show(parent, m_title, QStringLiteral("You should select a station first"),
                    MessageDisplay::Icon::None);
}

void AckList::stopTimer1()
{
    if (m_timer1)
        m_timer1->stop();
}

void AckList::startTimer1()
{
    if (m_timer1)
        m_timer1->start();
}

void AckList::cmdAck_Click()
{
    stopTimer1();
    if (selectedRow(m_lstStations) < 0) {
        selectFirstMessage();
        startTimer1();
        return;
    }
    mnuPopup1Ack_Click();
}

void AckList::mnuPopup1Ack_Click()
{
    acknowledgeSelected(0);
}

void AckList::mnuPopup1AckHour_Click()
{
    acknowledgeSelected(m_times ? AckTimes::kHourMs : 0);
}

void AckList::acknowledgeSelected(qint64 forMs)
{
    stopTimer1();
    const int row = selectedRow(m_lstStations);
    if (row >= 0 && m_lstAcked) {
        const QString callsign = callsignOfLine(m_lstStations->text(row));
        if (!isAcked(callsign)) {
            m_lstAcked->addItem(callsign);
            m_lstStations->removeRow(row);
            if (m_times && forMs > 0)
                m_times->set(callsign, forMs);
        }
        // "Acknowledge" makes an acknowledgement for a time a lasting one.
        if (m_times && forMs == 0)
            m_times->forget(callsign);
    }
    startTimer1();
}

void AckList::cmdAckAll_Click()
{
    stopTimer1();
    if (m_lstStations && m_lstAcked) {
        // One pass over each list: a set of what is acknowledged, and the new
        // callsigns handed to lstAcked in one batch.
        const QStringList ackedBefore = m_lstAcked->lines();
        QSet<QString> acked(ackedBefore.cbegin(), ackedBefore.cend());
        QStringList added;
        for (const QString &line : m_lstStations->lines()) {
            QString callsign = callsignOfLine(line);
            if (!acked.contains(callsign)) {
                acked.insert(callsign);
                added.append(std::move(callsign));
            }
        }
        m_lstAcked->addItems(added);
        m_lstStations->clear();
    }
    startTimer1();
}

void AckList::cmdRearm_Click()
{
    stopTimer1();
    if (selectedRow(m_lstAcked) < 0)
        selectFirstMessage();
    else
        mnuPopup2ReArm_Click();
    startTimer1();
}

void AckList::mnuPopup2ReArm_Click()
{
    const int row = selectedRow(m_lstAcked);
    if (row < 0)
        return;
    if (m_times)
        m_times->forget(m_lstAcked->text(row));
    m_lstAcked->removeRow(row);
}

void AckList::cmdRearmAll_Click()
{
    if (m_lstAcked)
        m_lstAcked->clear();
    if (m_times)
        m_times->clear();
}

bool AckList::save_acked_list()
{
    if (!m_lstAcked || m_listFile.isEmpty())
        return false;
    return AckListFile::write(m_listFile, m_lstAcked->lines());
}

bool AckList::load_acked_list()
{
    if (!m_lstAcked || m_listFile.isEmpty())
        return false;
    QPointer<ListBox> acked = m_lstAcked;
    return AckListFile::read(m_listFile, [acked](const QString &line) {
        if (acked)
            acked->addItem(line);
    });
}

} // namespace nearbell
