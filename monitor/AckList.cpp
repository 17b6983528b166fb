#include "monitor/AckList.h"

#include "monitor/AckListFile.h"
#include "monitor/ScanText.h"
#include "platform/MessageDisplay.h"

#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace nearbell {

namespace {

QListWidgetItem *selectedItem(QListWidget *list)
{
    if (!list)
        return nullptr;
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
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
    for (int i = 0, n = m_lstAcked->count(); i < n; ++i) {
        if (m_lstAcked->item(i)->text() == callsign)
            return true;
    }
    return false;
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
    if (!selectedItem(m_lstStations)) {
        selectFirstMessage();
        startTimer1();
        return;
    }
    mnuPopup1Ack_Click();
}

void AckList::mnuPopup1Ack_Click()
{
    stopTimer1();
    QListWidgetItem *line = selectedItem(m_lstStations);
    if (line && m_lstAcked) {
        const QString callsign = callsignOfLine(line->text());
        if (!isAcked(callsign)) {
            m_lstAcked->addItem(callsign);
            delete m_lstStations->takeItem(m_lstStations->row(line));
        }
    }
    startTimer1();
}

void AckList::cmdAckAll_Click()
{
    stopTimer1();
    if (m_lstStations && m_lstAcked) {
        for (int i = 0, n = m_lstStations->count(); i < n; ++i) {
            const QString callsign = callsignOfLine(m_lstStations->item(i)->text());
            if (!isAcked(callsign))
                m_lstAcked->addItem(callsign);
        }
        m_lstStations->clear();
    }
    startTimer1();
}

void AckList::cmdRearm_Click()
{
    stopTimer1();
    if (!selectedItem(m_lstAcked))
        selectFirstMessage();
    else
        mnuPopup2ReArm_Click();
    startTimer1();
}

void AckList::mnuPopup2ReArm_Click()
{
    if (QListWidgetItem *entry = selectedItem(m_lstAcked))
        delete m_lstAcked->takeItem(m_lstAcked->row(entry));
}

void AckList::cmdRearmAll_Click()
{
    if (m_lstAcked)
        m_lstAcked->clear();
}

bool AckList::save_acked_list()
{
    if (!m_lstAcked || m_listFile.isEmpty())
        return false;
    QStringList lines;
    lines.reserve(m_lstAcked->count());
    for (int i = 0, n = m_lstAcked->count(); i < n; ++i)
        lines.append(m_lstAcked->item(i)->text());
    return AckListFile::write(m_listFile, lines);
}

bool AckList::load_acked_list()
{
    if (!m_lstAcked || m_listFile.isEmpty())
        return false;
    QPointer<QListWidget> acked = m_lstAcked;
    return AckListFile::read(m_listFile, [acked](const QString &line) {
        if (acked)
            acked->addItem(line);
    });
}

} // namespace nearbell
