#pragma once

#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>

#include "host/GreatCircle.h"
#include "host/HostStation.h"
#include "ui/StationRow.h"

class QFormLayout;

namespace nearbell {

// The details of one station: a modeless window titled "Nearbell: " and
// the callsign.
//
// Responsibilities:
//  - show what is known of the station: symbol, position (degrees and
//    minutes, decimal degrees, locator), distance and bearing, course,
//    speed and altitude with the age of that report, comment, status,
//    first and last heard, packets, source, heard direct, the path and the
//    recent positions with the distance between them;
//  - once the station has left the table, say "No longer heard" and keep
//    the values last shown;
//  - "Acknowledge" or "Re-arm", whichever applies, and "Add to watch list",
//    each greyed when it cannot act; the owner carries them out.
// Every text is shown as plain text.
class frmStationDetails : public QWidget
{
    Q_OBJECT
public:
    explicit frmStationDetails(const QString &callsign, QWidget *parent = nullptr);

    QString callsign() const { return m_callsign; }
    void setStation(const StationRow &row, const HostStation::Details &details, DistanceUnit unit,
                    const QDateTime &now);
    void setNoLongerHeard();
    bool noLongerHeard() const { return m_gone; }
    // acknowledged: the button offers "Re-arm", else "Acknowledge".
    void setCommands(bool acknowledged, bool canAcknowledge, bool canWatch);
    bool offersRearm() const { return m_offersRearm; }
    // Why "Acknowledge" is greyed.
    static QString notListedText();

    QLabel *lblCallsign = nullptr;
    QLabel *lblSymbolIcon = nullptr;
    QLabel *lblSymbol = nullptr;
    QLabel *lblPosition = nullptr;
    QLabel *lblDecimal = nullptr;
    QLabel *lblLocator = nullptr;
    QLabel *lblDistance = nullptr;
    QLabel *lblMotion = nullptr;
    QLabel *lblComment = nullptr;
    QLabel *lblStatus = nullptr;
    QLabel *lblFirstHeard = nullptr;
    QLabel *lblLastHeard = nullptr;
    QLabel *lblPackets = nullptr;
    QLabel *lblSource = nullptr;
    QLabel *lblDirect = nullptr;
    QLabel *lblPath = nullptr;
    QLabel *lblState = nullptr; // "No longer heard", else the state
    QTableWidget *tblTrack = nullptr;
    QPushButton *cmdAck = nullptr;  // "Acknowledge" or "Re-arm"
    QPushButton *cmdWatch = nullptr;

signals:
    void acknowledgeClicked();
    void rearmClicked();
    void watchClicked();

private:
    QLabel *addValue(QFormLayout *form, const QString &name, const char *objectName);

    QString m_callsign;
    bool m_gone = false;
    bool m_offersRearm = false;
};

} // namespace nearbell
