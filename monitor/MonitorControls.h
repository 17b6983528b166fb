#pragma once

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace nearbell {

class ListBox;

// The main window's controls that station monitoring reads and writes. The
// window owns them; it fills this once and hands it to the monitor classes,
// each of which keeps only the ones it uses.
struct MonitorControls
{
    ListBox *lstStations = nullptr;     // sorted: alarm lines
    ListBox *lstAcked = nullptr;        // sorted: acknowledged callsigns
    ListBox *lstWatch = nullptr;        // insertion order: watched callsigns
    ListBox *lstOverlayItems = nullptr; // shares its place with lstWatch
    QLineEdit *txtRadius = nullptr;         // alarm range
    QLineEdit *txtWatch = nullptr;          // entry of a watched callsign
    QLabel *lblMinDist = nullptr;
    QLabel *lblOverlays = nullptr;
    QPushButton *cmdAck = nullptr;          // ">"
    QPushButton *cmdAckAll = nullptr;       // ">>"
    QPushButton *cmdRearm = nullptr;        // "<"
    QPushButton *cmdRearmAll = nullptr;     // "<<"
    QPushButton *cmdAddWatch = nullptr;     // "Add"
    QPushButton *cmdShowWatch = nullptr;    // "Show" / "Hide"
    QTimer *Timer1 = nullptr;               // scan cycle, 10000 ms
    QTimer *Timer2 = nullptr;               // hides the watch list, 15000 ms
};

} // namespace nearbell
