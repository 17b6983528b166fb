#pragma once

#include "monitor/MonitorControls.h"
#include "ui/ListBox.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QTimer;

namespace nearbell {

class AckTimes;
class MessageDisplay;

// Acknowledging and re-arming stations, and the permanent acknowledged list.
//
// Responsibilities:
//  - the four buttons and the two pop-up commands: move a line's callsign
//    from lstStations into lstAcked (never twice), take callsigns out of
//    lstAcked again; the commands that must not see a new cycle empty
//    lstStations under them switch Timer1 off while they work, and switching
//    it on again starts a full new interval;
//  - "You should select a station first" when a button finds no selection;
//    after a line is taken out of a list, no line of it is selected;
//  - "Acknowledge for an hour": acknowledge as "Acknowledge" does, with an
//    end in AckTimes; "Acknowledge" and every re-arm take the end away;
//  - save lstAcked to the list file and load it back.
class AckList : public QObject
{
    Q_OBJECT
public:
    // Connects cmdAck, cmdAckAll, cmdRearm and cmdRearmAll. title is the
    // program's title for the message box.
    AckList(const MonitorControls &controls, MessageDisplay &messages, const QString &title,
            QObject *parent = nullptr);

    void setListFile(const QString &path) { m_listFile = path; }
    // Where acknowledgements for a time keep their ends; none: not offered.
    void setAckTimes(AckTimes *times) { m_times = times; }
    QString listFile() const { return m_listFile; }

    void cmdAck_Click();          // ">"
    void mnuPopup1Ack_Click();    // "Acknowledge" (pop-up of lstStations)
    void mnuPopup1AckHour_Click(); // "Acknowledge for an hour"
    void cmdAckAll_Click();       // ">>"
    void cmdRearm_Click();        // "<"
    void mnuPopup2ReArm_Click();  // "Re-arm" (pop-up of lstAcked)
    void cmdRearmAll_Click();     // "<<"

    // True when the list file now holds lstAcked.
    bool save_acked_list();
    // Adds the lines of the list file to lstAcked; false when the file could
    // not be read whole (the lines before the failure stay).
    bool load_acked_list();

private:
    bool isAcked(const QString &callsign) const;
    void selectFirstMessage();
    void stopTimer1();
    void startTimer1();
    // Acknowledges the selected line; the end (ms), when there is one.
    void acknowledgeSelected(qint64 forMs);

    QPointer<ListBox> m_lstStations;
    QPointer<ListBox> m_lstAcked;
    QPointer<QTimer> m_timer1;
    MessageDisplay &m_messages;
    QString m_title;
    QString m_listFile;
    AckTimes *m_times = nullptr;
};

} // namespace nearbell
