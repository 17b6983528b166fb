#include "ui/frmMain.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMoveEvent>
#include <QScreen>
#include <cmath>

#include "monitor/ScanText.h"
#include "platform/MessageDisplay.h"
#include "ui/LegacyFonts.h"
#include "ui/PopupMenuPresenter.h"
#include "ui/Twips.h"

namespace nearbell {

namespace {

// Client area of the window, twips: the five bands, and the status line
// below them.
constexpr int clientWidthTwips = 9660;
constexpr int bandsHeightTwips = 5085;
constexpr int statusHeightTwips = 300;
constexpr int clientHeightTwips = bandsHeightTwips + statusHeightTwips;

const QString selectFirstText = QStringLiteral("You should select a station first");
const QString programTitle = QStringLiteral("Nearbell");

void setListColour(QListView *list, const QColor &background)
{
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, list->palette().color(QPalette::WindowText));
    list->setPalette(palette);
    list->setAutoFillBackground(true);
}

} // namespace

frmMain::frmMain(MessageDisplay &messages, PopupMenuPresenter &popups, QWidget *parent)
    : QMainWindow(parent), m_messages(messages), m_popups(popups)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("UI-View32 Station Movement Alarm"));
    setWindowIcon(QIcon(QStringLiteral(":/nearbell/nearbell.png")));
    setFont(LegacyFonts::msSansSerif(8.25));

    m_frameWatch.setInterval(50);
    connect(&m_frameWatch, &QTimer::timeout, this, &frmMain::correctFramePosition);

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    createControls();
    createMenus();

    const double tpp = twipsPerPixel();
    m_client->setFixedSize(int(std::lround(clientWidthTwips / tpp)),
                           int(std::lround(clientHeightTwips / tpp)));
    // Fixed single border: minimize, no maximize, never laid out again.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // Both timers run from creation; start-up stops Timer2.
    Timer1->start();
    Timer2->start();
}

frmMain::~frmMain() = default;

double frmMain::twipsPerPixel() const
{
    return nearbell::twipsPerPixel(logicalDpiX());
}

void frmMain::place(QWidget *control, int left, int top, int width, int height)
{
    control->setGeometry(twipsRect(left, top, width, height, logicalDpiX()));
}

void frmMain::createControls()
{
    const QFont fixedsys = LegacyFonts::fixedsys(9);
    const QFont boldSans = LegacyFonts::msSansSerif(9.75, true);

    auto makeButton = [this](const char *name, const QString &text) {
        auto *button = new QPushButton(text, m_client);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        return button;
    };
    auto makeList = [this](const char *name, bool sorted = false) {
        auto *list = new ListBox(m_client, sorted);
        list->setObjectName(QString::fromLatin1(name));
        // Long lines are cut at the border; the full overlay line shows in
        // the status line when clicked.
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setTextElideMode(Qt::ElideNone);
        return list;
    };
    auto makeLabel = [this](const char *name, const QString &text, const QFont *font) {
        auto *label = new QLabel(text, m_client);
        label->setObjectName(QString::fromLatin1(name));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (font)
            label->setFont(*font);
        return label;
    };

    // In the window's creation order.
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(15000);
    Timer2->setTimerType(Qt::PreciseTimer);

    cmdAddWatch = makeButton("cmdAddWatch", QStringLiteral("Add"));
    cmdAddWatch->setFont(fixedsys);
    place(cmdAddWatch, 9000, 360, 615, 255);

    lstWatch = makeList("lstWatch");
    lstWatch->setFont(fixedsys);
    place(lstWatch, 6480, 1560, 2895, 2985);

    cmdShowWatch = makeButton("cmdShowWatch", QStringLiteral("Show"));
    cmdShowWatch->setFont(fixedsys);
    place(cmdShowWatch, 9000, 720, 615, 255);

    txtWatch = new QLineEdit(m_client);
    txtWatch->setObjectName(QStringLiteral("txtWatch"));
    place(txtWatch, 7320, 360, 1695, 375);

    cmdAck = makeButton("cmdAck", QStringLiteral(">"));
    cmdAck->setToolTip(QStringLiteral("Acknowledge the selected  station"));
    place(cmdAck, 2880, 1800, 495, 375);

    cmdRearm = makeButton("cmdRearm", QStringLiteral("<"));
    cmdRearm->setToolTip(QStringLiteral("Rearm the selected  station"));
    place(cmdRearm, 2880, 3000, 495, 375);

    lstOverlayItems = makeList("lstOverlayItems");
    lstOverlayItems->setFont(fixedsys);
    place(lstOverlayItems, 6480, 1560, 2895, 2985);

    cmdRearmAll = makeButton("cmdRearmAll", QStringLiteral("<<"));
    cmdRearmAll->setToolTip(QStringLiteral("Re-arm all  stations"));
    place(cmdRearmAll, 2880, 3600, 495, 375);

    cmdAckAll = makeButton("cmdAckAll", QStringLiteral(">>"));
    cmdAckAll->setToolTip(QStringLiteral("Acknowledge all  stations"));
    place(cmdAckAll, 2880, 2400, 495, 375);

    lstAcked = makeList("lstAcked", true);
    lstAcked->setFont(fixedsys);
    lstAcked->setToolTip(QStringLiteral("Select a station and re-arm it with rightmouse button"));
    setListColour(lstAcked, QColor(0, 192, 0));
    place(lstAcked, 3480, 1560, 2415, 2985);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(10000);
    // A coarse timer may drift by 5 %: keep the cycle on its 10 s beat.
    Timer1->setTimerType(Qt::PreciseTimer);

    txtRadius = new QLineEdit(QStringLiteral("25"), m_client);
    txtRadius->setObjectName(QStringLiteral("txtRadius"));
    txtRadius->setFont(fixedsys);
    txtRadius->setToolTip(QStringLiteral("Movements less than this are ignored"));
    place(txtRadius, 1800, 120, 915, 330);

    lstStations = makeList("lstStations", true);
    lstStations->setFont(fixedsys);
    lstStations->setToolTip(QStringLiteral("Select a station and acknowledge with rightmouse button"));
    setListColour(lstStations, QColor(255, 0, 0));
    place(lstStations, 120, 1560, 2655, 2985);

    lblWatchlist = makeLabel("lblWatchlist", QStringLiteral("Watch List"), &boldSans);
    place(lblWatchlist, 7320, 0, 1575, 375);

    lblOVLItem = makeLabel("lblOVLItem", QString(), nullptr);
    place(lblOVLItem, 120, 4680, 9495, 255);

    lblOverlays = makeLabel("lblOverlays", QStringLiteral("Overlay objects  in alarm"), &boldSans);
    place(lblOverlays, 6720, 1080, 1815, 495);

    lblStationsAcked = makeLabel("lblStationsAcked", QStringLiteral("Acknowledged Stations"), &boldSans);
    place(lblStationsAcked, 3720, 1080, 1935, 495);

    lblMinDist = makeLabel("lblMinDist", QStringLiteral("Minimum distance observed = "), &boldSans);
    place(lblMinDist, 120, 600, 6855, 255);

    lblStationsAlarm = makeLabel("lblStationsAlarm", QStringLiteral("Stations within alarm range"), &boldSans);
    place(lblStationsAlarm, 360, 1080, 2295, 615);

    lblAlarmRange1 = makeLabel("lblAlarmRange1", QStringLiteral("Alarm range"), &boldSans);
    place(lblAlarmRange1, 120, 120, 1575, 375);

    lblAlarmRange2 = makeLabel("lblAlarmRange2", QStringLiteral("Miles or kilometers (see UI-View setup)"),
                               &boldSans);
    place(lblAlarmRange2, 3000, 120, 4095, 375);

    lblStatus = new StatusLine(m_client);
    place(lblStatus, 0, bandsHeightTwips, clientWidthTwips, statusHeightTwips);

    // Labels sit behind the lists and buttons they head, as created first
    // in the original order; keep the interactive controls on top.
    for (QLabel *label : {lblWatchlist, lblOVLItem, lblOverlays, lblStationsAcked, lblMinDist,
                          lblStationsAlarm, lblAlarmRange1, lblAlarmRange2})
        label->lower();

    // Names for screen readers where a control has no text of its own.
    txtRadius->setAccessibleName(QStringLiteral("Alarm range"));
    lstStations->setAccessibleName(QStringLiteral("Stations within alarm range"));
    lstAcked->setAccessibleName(QStringLiteral("Acknowledged Stations"));
    lstOverlayItems->setAccessibleName(QStringLiteral("Overlay objects in alarm"));
    lstWatch->setAccessibleName(QStringLiteral("Watch list"));
    txtWatch->setAccessibleName(QStringLiteral("Watch List"));

    // Focus order of the controls that take focus.
    const QList<QWidget *> focusOrder = {lstStations, txtRadius,   lstAcked, cmdAckAll,
                                         cmdRearmAll, lstOverlayItems, cmdRearm, cmdAck,
                                         txtWatch,    cmdShowWatch, lstWatch, cmdAddWatch};
    for (qsizetype i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1], focusOrder[i]);

    connect(lstStations, &ListBox::mouseDown, this,
            [this](int button, Qt::KeyboardModifiers, QPoint pos) { lstStations_MouseDown(button, pos); });
    connect(lstAcked, &ListBox::mouseDown, this,
            [this](int button, Qt::KeyboardModifiers, QPoint pos) { lstAcked_MouseDown(button, pos); });
    connect(lstWatch, &ListBox::mouseDown, this,
            [this](int button, Qt::KeyboardModifiers, QPoint pos) { lstWatch_MouseDown(button, pos); });
    for (ListBox *list : {lstStations, lstAcked}) {
        connect(list, &QAbstractItemView::doubleClicked, this, [this, list](const QModelIndex &index) {
            emit stationDetailsRequested(callsignOfLine(list->text(index.row())));
        });
    }
}

void frmMain::createMenus()
{
    auto makeAction = [this](QMenu *menu, const char *name, const QString &text) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };

    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileStations = makeAction(mnuFile, "mnuFileStations", QStringLiteral("Stations..."));
    mnuFileRadar = makeAction(mnuFile, "mnuFileRadar", QStringLiteral("&Radar..."));
    mnuFileHistory = makeAction(mnuFile, "mnuFileHistory", QStringLiteral("Alarm &history..."));
    mnuFileSetup = makeAction(mnuFile, "mnuFileSetup", QStringLiteral("&Station setup..."));
    mnuFile->addSeparator();
    mnuFileExit = makeAction(mnuFile, "mnuFileExit", QStringLiteral("E&xit"));

    mnuSetup = menuBar()->addMenu(QStringLiteral("&Alarm"));
    mnuSetup->setObjectName(QStringLiteral("mnuSetup"));
    mnuAlarmBringToFront = makeAction(mnuSetup, "mnuAlarmBringToFront", QStringLiteral("Bring to front on alarm"));
    mnuAlarmBringToFront->setCheckable(true);
    mnuAlarmBringToFront->setChecked(true);
    mnuAlarm = makeAction(mnuSetup, "mnuAlarm", QStringLiteral("&Audible alarm"));
    mnuAlarm->setCheckable(true);
    mnuAlarm->setChecked(false);

    mnuOptions = menuBar()->addMenu(QStringLiteral("Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    mnuOptionsStations = makeAction(mnuOptions, "mnuOptionsStations", QStringLiteral("Stations"));
    mnuOptionsStations->setCheckable(true);
    mnuOptionsStations->setChecked(true);
    mnuOptionsStations->setShortcut(QKeySequence(Qt::Key_F2));
    mnuOptionsOverlays = makeAction(mnuOptions, "mnuOptionsOverlays", QStringLiteral("Overlay Items"));
    mnuOptionsOverlays->setCheckable(true);
    mnuOptionsOverlays->setChecked(true);
    mnuOptionsOverlays->setShortcut(QKeySequence(Qt::Key_F3));
    mnuOptionsNotify = makeAction(mnuOptions, "mnuOptionsNotify", QStringLiteral("Desktop notifications"));
    mnuOptionsNotify->setCheckable(true);
    mnuOptionsNotify->setChecked(true);
    mnuOptionsSpeak = makeAction(mnuOptions, "mnuOptionsSpeak", QStringLiteral("Speak alarms"));
    mnuOptionsSpeak->setCheckable(true);
    mnuOptionsSpeak->setChecked(false);
    mnuOptions->addSeparator();
    const auto makeCheck = [&](const char *name, const char *text) {
        QAction *action = makeAction(mnuOptions, name, QString::fromLatin1(text));
        action->setCheckable(true);
        return action;
    };
    mnuOptionsDirect = makeCheck("mnuOptionsDirect", "Alarm for stations heard direct");
    mnuOptionsNoWeather = makeCheck("mnuOptionsNoWeather", "Leave out weather stations");
    mnuOptionsNoInfrastructure = makeCheck("mnuOptionsNoInfrastructure", "Leave out digipeaters and gateways");
    mnuOptionsApproach = makeCheck("mnuOptionsApproach", "Alarm for stations approaching");
    mnuOptionsApproachTime = makeAction(mnuOptions, "mnuOptionsApproachTime", QStringLiteral("Approach warning time..."));
    mnuOptionsRearm = makeCheck("mnuOptionsRearm", "Re-arm after leaving for 30 minutes");
    mnuOptionsSirenNewOnly = makeCheck("mnuOptionsSirenNewOnly", "Siren for new stations only");
    mnuOptionsKeepWatch = makeCheck("mnuOptionsKeepWatch", "Keep the watch list");
    mnuOptionsAtOnce = makeCheck("mnuOptionsAtOnce", "Alarm at once");
    // A greyed item tells why in its tool tip.
    mnuOptions->setToolTipsVisible(true);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpHelp = makeAction(mnuHelp, "mnuHelpHelp", QStringLiteral("&Help"));
    mnuHelpHelp->setShortcut(QKeySequence(Qt::Key_F1));
    mnusep1 = mnuHelp->addSeparator();
    mnusep1->setObjectName(QStringLiteral("mnusep1"));
    mnuHelpAbout = makeAction(mnuHelp, "mnuHelpAbout", QStringLiteral("&About"));
    mnuHelpUpdate = makeAction(mnuHelp, "mnuHelpUpdate", QStringLiteral("&Check for update"));

    // Shortcuts work without opening a menu, also while focus is in a list.
    for (QAction *action : {mnuOptionsStations, mnuOptionsOverlays, mnuHelpHelp})
        action->setShortcutContext(Qt::WindowShortcut);

    // Pop-ups never appear in the menu bar.
    mnuPopup1 = new QMenu(QStringLiteral("Popup1"), this);
    mnuPopup1->setObjectName(QStringLiteral("mnuPopup1"));
    mnuPopup1Ack = makeAction(mnuPopup1, "mnuPopup1Ack", QStringLiteral("Acknowledge"));
    mnuPopup1AckHour = makeAction(mnuPopup1, "mnuPopup1AckHour", QStringLiteral("Acknowledge for an hour"));
    mnuPopup2 = new QMenu(QStringLiteral("Popup2"), this);
    mnuPopup2->setObjectName(QStringLiteral("mnuPopup2"));
    mnuPopup2ReArm = makeAction(mnuPopup2, "mnuPopup2ReArm", QStringLiteral("Re-arm"));
    mnuPopup3 = new QMenu(QStringLiteral("Popup3"), this);
    mnuPopup3->setObjectName(QStringLiteral("mnuPopup3"));
    mnuPopu3Delete = makeAction(mnuPopup3, "mnuPopu3Delete", QStringLiteral("Delete from watchlist"));
    mnuStatusPopup = new QMenu(QStringLiteral("StatusPopup"), this);
    mnuStatusPopup->setObjectName(QStringLiteral("mnuStatusPopup"));
    mnuStatusReconnect = makeAction(mnuStatusPopup, "mnuStatusReconnect", QStringLiteral("Reconnect now"));
    mnuStatusReconnect->setEnabled(false); // until a host with sources is attached
    lblStatus->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lblStatus, &QWidget::customContextMenuRequested, this,
            [this](QPoint pos) { m_popups.popup(mnuStatusPopup, lblStatus->mapToGlobal(pos)); });
}

void frmMain::listMouseDown(ListBox *list, QMenu *popup, int button, QPoint globalPos)
{
    if (list->selectedRow() < 0) {
        m_messages.show(this, programTitle, selectFirstText, MessageDisplay::Icon::None);
        return;
    }
    if (button == 2)
        m_popups.popup(popup, globalPos);
}

void frmMain::lstStations_MouseDown(int button, QPoint globalPos)
{
    // No scan may clear the list between the user's choice and its command.
    Timer1->stop();
    listMouseDown(lstStations, mnuPopup1, button, globalPos);
    Timer1->start();
}

void frmMain::lstAcked_MouseDown(int button, QPoint globalPos)
{
    listMouseDown(lstAcked, mnuPopup2, button, globalPos);
}

void frmMain::lstWatch_MouseDown(int button, QPoint globalPos)
{
    listMouseDown(lstWatch, mnuPopup3, button, globalPos);
}

void frmMain::Form_Resize()
{
    if (windowState() & Qt::WindowMinimized)
        return;
    const double tpp = twipsPerPixel();
    const QPoint topLeft = pos();
    intLastLeft = toTwips16(topLeft.x() * tpp);
    intLastTop = toTwips16(topLeft.y() * tpp);
}

void frmMain::placeFrameAt(QPoint framePos)
{
    m_wantedFrame = framePos;
    m_frameCorrections = 0;
    m_frameChecks = 0;
    m_frameMoveSent.invalidate();
    move(framePos);
    correctFramePosition();
}

void frmMain::correctFramePosition()
{
    if (!m_wantedFrame) {
        m_frameWatch.stop();
        return;
    }
    if (!isVisible() || (windowState() & Qt::WindowMinimized))
        return;
    // The frame arrives without any event of its own (the inner area does
    // not move): it is looked for a few times after the window is shown.
    if (!m_frameWatch.isActive() && m_frameChecks == 0)
        m_frameWatch.start();
    if (++m_frameChecks > 40) {
        m_wantedFrame.reset();
        m_frameWatch.stop();
        return;
    }
    // Without a known frame there is nothing to correct yet; a window
    // system that draws none has its frame where the window is.
    // Watched for the whole time, also once in place: the window manager
    // may still place the inner area where the frame was asked for.
    const bool frameKnown = frameGeometry() != geometry();
    if (frameGeometry().topLeft() == *m_wantedFrame || !frameKnown)
        return;
    // One move at a time: the window manager answers it a moment later.
    if (m_frameMoveSent.isValid() && !m_frameMoveSent.hasExpired(500))
        return;
    // A window manager that keeps the window elsewhere is not fought for ever.
    if (++m_frameCorrections > 5) {
        m_wantedFrame.reset();
        return;
    }
    m_frameMoveSent.start();
    move(*m_wantedFrame);
}

void frmMain::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    m_frameMoveSent.invalidate();
    correctFramePosition();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    correctFramePosition();
    Form_Resize();
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // The unload always proceeds; its work runs once.
    if (!m_unloaded) {
        m_unloaded = true;
        Timer1->stop();
        Timer2->stop();
        if (onUnload)
            onUnload();
    }
    event->accept();
}

} // namespace nearbell
