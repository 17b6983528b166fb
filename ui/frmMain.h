#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <optional>

#include "ui/ListBox.h"
#include "ui/StatusLine.h"

namespace nearbell {

class MessageDisplay;
class PopupMenuPresenter;

// The program's one main window.
//
// Responsibilities:
//  - create every control with its name, text, geometry (twips), font,
//    colours, tool tip and focus order, the menu bar and the three pop-up
//    menus; the controls are the program's state and are public so that
//    the subsystems can be handed the ones they use;
//  - the right-button wiring of lstStations, lstAcked and lstWatch;
//  - remember the window's position while it is not minimized
//    (intLastLeft / intLastTop, twips);
//  - tell its owner when it unloads (close box or host closing).
// What the buttons and commands do lives with their subsystems; the owner
// connects them.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    frmMain(MessageDisplay &messages, PopupMenuPresenter &popups, QWidget *parent = nullptr);
    ~frmMain() override;

    // Twips per pixel on this window's screen (15 at 96 dpi).
    double twipsPerPixel() const;

    // Position capture: the window's left/top in twips while not minimized.
    void Form_Resize();
    // Puts the outer window (with the window manager's frame) at framePos,
    // in pixels: LEFT/TOP are saved as the frame's position, so they are
    // restored as one too. Before the frame is known the window system may
    // place the inner area there instead; once the frame is known (the
    // window shown) the position is corrected.
    void placeFrameAt(QPoint framePos);
    qint16 intLastLeft = 0;
    qint16 intLastTop = 0;

    // Runs when the window unloads (close box, or the host closing);
    // the unload always proceeds.
    std::function<void()> onUnload;

    // Timers: Timer1 drives the scan cycle (10 s), Timer2 hides the watch
    // list again (15 s). Both run from creation.
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;

    QPushButton *cmdAddWatch = nullptr;
    ListBox *lstWatch = nullptr;
    QPushButton *cmdShowWatch = nullptr;
    QLineEdit *txtWatch = nullptr;
    QPushButton *cmdAck = nullptr;
    QPushButton *cmdRearm = nullptr;
    ListBox *lstOverlayItems = nullptr;
    QPushButton *cmdRearmAll = nullptr;
    QPushButton *cmdAckAll = nullptr;
    ListBox *lstAcked = nullptr;
    QLineEdit *txtRadius = nullptr;
    ListBox *lstStations = nullptr;
    QLabel *lblWatchlist = nullptr;
    QLabel *lblOVLItem = nullptr;
    QLabel *lblOverlays = nullptr;
    QLabel *lblStationsAcked = nullptr;
    QLabel *lblMinDist = nullptr;
    QLabel *lblStationsAlarm = nullptr;
    QLabel *lblAlarmRange1 = nullptr;
    QLabel *lblAlarmRange2 = nullptr;
    // Below the five bands: what the alarm depends on (source, own
    // position, files that could not be written).
    StatusLine *lblStatus = nullptr;

    QMenu *mnuFile = nullptr;
    QAction *mnuFileStations = nullptr; // "Stations...": every station heard
    QAction *mnuFileRadar = nullptr;  // the radar window
    QAction *mnuFileHistory = nullptr; // "Alarm history..."
    QAction *mnuFileSetup = nullptr;  // the host's "Station setup" window
    QAction *mnuFileExit = nullptr;
    QMenu *mnuSetup = nullptr;
    QAction *mnuAlarmBringToFront = nullptr;
    QAction *mnuAlarm = nullptr;
    QMenu *mnuOptions = nullptr;
    QAction *mnuOptionsStations = nullptr;
    QAction *mnuOptionsOverlays = nullptr;
    QAction *mnuOptionsNotify = nullptr; // "Desktop notifications"
    QAction *mnuOptionsSpeak = nullptr;  // "Speak alarms"; greyed without a speech engine
    QAction *mnuOptionsDirect = nullptr;
    QAction *mnuOptionsNoWeather = nullptr;
    QAction *mnuOptionsNoInfrastructure = nullptr;
    QAction *mnuOptionsApproach = nullptr;     // "Alarm for stations approaching"
    QAction *mnuOptionsApproachTime = nullptr; // "Approach warning time..."
    QAction *mnuOptionsRearm = nullptr;        // "Re-arm after leaving for 30 minutes"
    QAction *mnuOptionsSirenNewOnly = nullptr;
    QAction *mnuOptionsKeepWatch = nullptr;
    QAction *mnuOptionsAtOnce = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuHelpHelp = nullptr;
    QAction *mnusep1 = nullptr;
    QAction *mnuHelpAbout = nullptr;
    QAction *mnuHelpUpdate = nullptr;

    QMenu *mnuPopup1 = nullptr;
    QAction *mnuPopup1Ack = nullptr;
    QAction *mnuPopup1AckHour = nullptr; // "Acknowledge for an hour"
    QMenu *mnuPopup2 = nullptr;
    QAction *mnuPopup2ReArm = nullptr;
    // The status line's pop-up: "Reconnect now".
    QMenu *mnuStatusPopup = nullptr;
    QAction *mnuStatusReconnect = nullptr;
    QMenu *mnuPopup3 = nullptr;
    QAction *mnuPopu3Delete = nullptr;

    // Pop-up wiring of the three lists (button: 1 left, 2 right, 4 middle).
    void lstStations_MouseDown(int button, QPoint globalPos);
    void lstAcked_MouseDown(int button, QPoint globalPos);
    void lstWatch_MouseDown(int button, QPoint globalPos);

signals:
    // A double click on a line of lstStations or lstAcked: the callsign is
    // the text before the first blank.
    void stationDetailsRequested(const QString &callsign);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void createControls();
    void createMenus();
    void place(QWidget *control, int left, int top, int width, int height);
    void listMouseDown(ListBox *list, QMenu *popup, int button, QPoint globalPos);

    MessageDisplay &m_messages;
    PopupMenuPresenter &m_popups;
    QWidget *m_client = nullptr;
    bool m_unloaded = false;
    void correctFramePosition();
    std::optional<QPoint> m_wantedFrame;
    int m_frameCorrections = 0;
    int m_frameChecks = 0;
    QTimer m_frameWatch;
    QElapsedTimer m_frameMoveSent;
};

} // namespace nearbell
