#include <QAbstractButton>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
#include "ui/PopupMenuPresenter.h"
#include "ui/frmMain.h"

using namespace nearbell;

namespace {

// Chooses a pop-up command the way a user would, without a menu loop.
class ScriptedPopups : public PopupMenuPresenter
{
public:
    void popup(QMenu *menu, QPoint) override
    {
        shown.append(menu->objectName());
        if (!choose.isEmpty())
            for (QAction *action : menu->actions())
                if (action->objectName() == choose)
                    action->trigger();
    }
    QStringList shown;
    QString choose;
};

void pressOn(ListBox *list, Qt::MouseButton button, QPoint at)
{
    QTest::mousePress(list->viewport(), button, Qt::NoModifier, at);
    QTest::mouseRelease(list->viewport(), button, Qt::NoModifier, at);
}

QPoint firstRowCentre(ListBox *list)
{
    list->flush();
    return list->visualRect(list->model()->index(0, 0)).center();
}

QPoint belowEntries(ListBox *list)
{
    return QPoint(10, list->viewport()->height() - 5);
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    test::RecordingMessageDisplay messages;
    ScriptedPopups popups;
    std::unique_ptr<frmMain> window;

private slots:
    void init()
    {
        messages.shown.clear();
        popups.shown.clear();
        popups.choose.clear();
        window = std::make_unique<frmMain>(messages, popups);
    }
    void cleanup() { window.reset(); }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("toolTip");

        auto row = [](const char *name, const char *kind, const QString &text, QRect twips,
                      const QString &tip = QString()) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind) << text << twips
                                << tip;
        };
        row("cmdAddWatch", "QPushButton", "Add", {9000, 360, 615, 255});
        row("lstWatch", "nearbell::ListBox", "", {6480, 1560, 2895, 2985});
        row("cmdShowWatch", "QPushButton", "Show", {9000, 720, 615, 255});
        row("txtWatch", "QLineEdit", "", {7320, 360, 1695, 375});
        row("cmdAck", "QPushButton", ">", {2880, 1800, 495, 375}, "Acknowledge the selected  station");
        row("cmdRearm", "QPushButton", "<", {2880, 3000, 495, 375}, "Rearm the selected  station");
        row("lstOverlayItems", "nearbell::ListBox", "", {6480, 1560, 2895, 2985});
        row("cmdRearmAll", "QPushButton", "<<", {2880, 3600, 495, 375}, "Re-arm all  stations");
        row("cmdAckAll", "QPushButton", ">>", {2880, 2400, 495, 375}, "Acknowledge all  stations");
        row("lstAcked", "nearbell::ListBox", "", {3480, 1560, 2415, 2985},
            "Select a station and re-arm it with rightmouse button");
        row("txtRadius", "QLineEdit", "25", {1800, 120, 915, 330}, "Movements less than this are ignored");
        row("lstStations", "nearbell::ListBox", "", {120, 1560, 2655, 2985},
            "Select a station and acknowledge with rightmouse button");
        row("lblWatchlist", "QLabel", "Watch List", {7320, 0, 1575, 375});
        row("lblOVLItem", "QLabel", "", {120, 4680, 9495, 255});
        row("lblOverlays", "QLabel", "Overlay objects  in alarm", {6720, 1080, 1815, 495});
        row("lblStationsAcked", "QLabel", "Acknowledged Stations", {3720, 1080, 1935, 495});
        row("lblMinDist", "QLabel", "Minimum distance observed = ", {120, 600, 6855, 255});
        row("lblStationsAlarm", "QLabel", "Stations within alarm range", {360, 1080, 2295, 615});
        row("lblAlarmRange1", "QLabel", "Alarm range", {120, 120, 1575, 375});
        row("lblAlarmRange2", "QLabel", "Miles or kilometers (see UI-View setup)", {3000, 120, 4095, 375});
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QRect, twips);
        QFETCH(QString, toolTip);

        auto *control = window->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
        if (auto *button = qobject_cast<QAbstractButton *>(control))
            QCOMPARE(button->text(), text);
        else if (auto *edit = qobject_cast<QLineEdit *>(control))
            QCOMPARE(edit->text(), text);
        else if (auto *label = qobject_cast<QLabel *>(control))
            QCOMPARE(label->text(), text);
        QCOMPARE(control->toolTip(), toolTip);

        const double tpp = window->twipsPerPixel();
        const QRect g = control->geometry();
        QVERIFY(qAbs(g.x() * tpp - twips.x()) <= tpp);
        QVERIFY(qAbs(g.y() * tpp - twips.y()) <= tpp);
        QVERIFY(qAbs(g.width() * tpp - twips.width()) <= tpp);
        QVERIFY(qAbs(g.height() * tpp - twips.height()) <= tpp);
    }

    void clientAreaIsFixed()
    {
        const double tpp = window->twipsPerPixel();
        QWidget *client = window->centralWidget();
        QVERIFY(qAbs(client->width() * tpp - 9660) <= tpp);
        // The five bands (5085 twips) and the status line below them; the
        // status line spans the window and keeps out of the bands.
        QVERIFY(qAbs(client->height() * tpp - 5385) <= tpp);
        const QRect status = window->lblStatus->geometry();
        QCOMPARE(status.bottom(), client->rect().bottom());
        QVERIFY(qAbs(status.y() * tpp - 5085) <= tpp);
        QCOMPARE(status.width(), client->width());
        QCOMPARE(window->lblStatus->accessibleName(), QStringLiteral("Status"));
        // The whole text in a wrapping tool tip, only while it is cut off.
        window->lblStatus->setParts({{QStringLiteral("short"), false}});
        QCOMPARE(window->lblStatus->toolTip(), QString());
        const QString longText = QStringLiteral("<b>%1</b>").arg(QString(300, u'x'));
        window->lblStatus->setParts({{QStringLiteral("short"), false}, {longText, true}});
        QCOMPARE(window->lblStatus->toolTip(), "<p>short  \u00b7  " + longText.toHtmlEscaped() + "</p>");
        QCOMPARE(client->minimumSize(), client->maximumSize());
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(window->windowTitle(), QStringLiteral("UI-View32 Station Movement Alarm"));
    }

    void fontsAndColours()
    {
        QVERIFY(window->lstStations->font().fixedPitch());
        QCOMPARE(window->lstStations->font().pointSizeF(), 9.0);
        QVERIFY(window->lblMinDist->font().bold());
        QCOMPARE(window->lblMinDist->font().pointSizeF(), 9.75);
        QCOMPARE(window->txtWatch->font().pointSizeF(), 8.25);
        QVERIFY(!window->txtWatch->font().bold());
        QCOMPARE(window->lstStations->palette().color(QPalette::Base), QColor(255, 0, 0));
        QCOMPARE(window->lstAcked->palette().color(QPalette::Base), QColor(0, 192, 0));
        QVERIFY(window->lstStations->isSorted());
        QVERIFY(window->lstAcked->isSorted());
        QVERIFY(!window->lstWatch->isSorted());
        QVERIFY(!window->lstOverlayItems->isSorted());
        for (ListBox *list : {window->lstStations, window->lstAcked, window->lstWatch, window->lstOverlayItems})
            QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    }

    void focusOrder()
    {
        const QStringList expected = {"lstStations", "txtRadius", "lstAcked", "cmdAckAll",
                                      "cmdRearmAll", "lstOverlayItems", "cmdRearm", "cmdAck",
                                      "txtWatch", "cmdShowWatch", "lstWatch", "cmdAddWatch"};
        QWidget *w = window->lstStations;
        for (qsizetype i = 1; i < expected.size(); ++i) {
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || !expected.contains(w->objectName()))
                w = w->nextInFocusChain();
            QCOMPARE(w->objectName(), expected[i]);
        }
    }

    void accessibleNames()
    {
        QCOMPARE(window->txtRadius->accessibleName(), QStringLiteral("Alarm range"));
        QCOMPARE(window->lstStations->accessibleName(), QStringLiteral("Stations within alarm range"));
        QCOMPARE(window->lstAcked->accessibleName(), QStringLiteral("Acknowledged Stations"));
        QCOMPARE(window->lstOverlayItems->accessibleName(), QStringLiteral("Overlay objects in alarm"));
        QCOMPARE(window->lstWatch->accessibleName(), QStringLiteral("Watch list"));
        QCOMPARE(window->txtWatch->accessibleName(), QStringLiteral("Watch List"));
    }

    void menus()
    {
        const QList<QAction *> bar = window->menuBar()->actions();
        QStringList titles;
        for (QAction *a : bar)
            titles << a->text();
        QCOMPARE(titles, (QStringList{"&File", "&Alarm", "Options", "&Help"}));

        QCOMPARE(window->mnuFileExit->text(), QStringLiteral("E&xit"));
        QCOMPARE(window->mnuFile->actions().indexOf(window->mnuFileStations) + 1,
                 window->mnuFile->actions().indexOf(window->mnuFileRadar));
        QCOMPARE(window->mnuFileStations->text(), QStringLiteral("Stations..."));
        QVERIFY(window->mnuAlarmBringToFront->isChecked());
        QVERIFY(!window->mnuAlarm->isChecked());
        QCOMPARE(window->mnuOptionsStations->shortcut(), QKeySequence(Qt::Key_F2));
        QCOMPARE(window->mnuOptionsOverlays->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(window->mnuHelpHelp->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(window->mnusep1->isSeparator());
        QStringList help;
        for (QAction *a : window->mnuHelp->actions())
            help << a->objectName();
        QCOMPARE(help, (QStringList{"mnuHelpHelp", "mnusep1", "mnuHelpAbout", "mnuHelpUpdate"}));

        QCOMPARE(window->mnuPopup1Ack->text(), QStringLiteral("Acknowledge"));
        QCOMPARE(window->mnuPopup2ReArm->text(), QStringLiteral("Re-arm"));
        QCOMPARE(window->mnuPopu3Delete->text(), QStringLiteral("Delete from watchlist"));
        for (QMenu *popup : {window->mnuPopup1, window->mnuPopup2, window->mnuPopup3})
            QVERIFY(!bar.contains(popup->menuAction()));
    }

    void functionKeysReachTheirCommands()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        window->lstStations->setFocus();
        QSignalSpy help(window->mnuHelpHelp, &QAction::triggered);
        QSignalSpy stations(window->mnuOptionsStations, &QAction::triggered);
        QSignalSpy overlays(window->mnuOptionsOverlays, &QAction::triggered);
        QTest::keyClick(window.get(), Qt::Key_F1);
        QTest::keyClick(window.get(), Qt::Key_F2);
        QTest::keyClick(window.get(), Qt::Key_F3);
        QCOMPARE(help.count(), 1);
        QCOMPARE(stations.count(), 1);
        QCOMPARE(overlays.count(), 1);
    }

    void timersAsCreated()
    {
        QCOMPARE(window->Timer1->interval(), 10000);
        QCOMPARE(window->Timer2->interval(), 15000);
        QVERIFY(window->Timer1->isActive());
    }

    void rightPressWithSelectionOpensPopup_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("popup");
        QTest::newRow("stations") << "lstStations" << "mnuPopup1";
        QTest::newRow("acked") << "lstAcked" << "mnuPopup2";
        QTest::newRow("watch") << "lstWatch" << "mnuPopup3";
    }

    void rightPressWithSelectionOpensPopup()
    {
        QFETCH(QString, list);
        QFETCH(QString, popup);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto *box = window->findChild<ListBox *>(list);
        box->addItem(QStringLiteral("AB1CD"));
        box->addItem(QStringLiteral("ZZ9ZZ"));
        box->setSelectedRow(1);
        pressOn(box, Qt::RightButton, firstRowCentre(box));
        QCOMPARE(popups.shown, QStringList{popup});
        QVERIFY(messages.shown.isEmpty());
        // A right press never changes the selection.
        QCOMPARE(box->currentRow(), 1);
    }

    void pressWithoutSelectionShowsMessage_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("button");
        QTest::newRow("stations right") << "lstStations" << int(Qt::RightButton);
        QTest::newRow("stations left below entries") << "lstStations" << int(Qt::LeftButton);
        QTest::newRow("acked middle") << "lstAcked" << int(Qt::MiddleButton);
        QTest::newRow("watch right") << "lstWatch" << int(Qt::RightButton);
    }

    void pressWithoutSelectionShowsMessage()
    {
        QFETCH(QString, list);
        QFETCH(int, button);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto *box = window->findChild<ListBox *>(list);
        box->addItem(QStringLiteral("AB1CD"));
        pressOn(box, Qt::MouseButton(button), belowEntries(box));
        QVERIFY(popups.shown.isEmpty());
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("You should select a station first"));
        QCOMPARE(messages.shown[0].title, QStringLiteral("Nearbell"));
        QCOMPARE(messages.shown[0].icon, MessageDisplay::Icon::None);
    }

    void leftPressOnEntrySelectsItQuietly()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->lstAcked->addItem(QStringLiteral("AB1CD"));
        pressOn(window->lstAcked, Qt::LeftButton, firstRowCentre(window->lstAcked));
        QCOMPARE(window->lstAcked->currentRow(), 0);
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(popups.shown.isEmpty());
    }

    // A double click on a line of lstStations or lstAcked asks for the
    // details of the callsign before the line's first blank.
    void doubleClickAsksForDetails()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QSignalSpy asked(window.get(), &frmMain::stationDetailsRequested);
        window->lstStations->addItem(QStringLiteral("AB1CD (watch) 3.2"));
        window->lstAcked->addItem(QStringLiteral("EF2GH"));
        for (ListBox *list : {window->lstStations, window->lstAcked}) {
            // A double click comes after the press of its first click.
            QTest::mousePress(list->viewport(), Qt::LeftButton, {}, firstRowCentre(list));
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, firstRowCentre(list));
        }
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked.at(0).at(0).toString(), QStringLiteral("AB1CD"));
        QCOMPARE(asked.at(1).at(0).toString(), QStringLiteral("EF2GH"));
        QVERIFY(messages.shown.isEmpty());
    }

    void stationsPressPausesTimer1()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->lstStations->addItem(QStringLiteral("AB1CD distance 1."));
        window->lstStations->setSelectedRow(0);
        bool timerRanDuringCommand = true;
        popups.choose = QStringLiteral("mnuPopup1Ack");
        connect(window->mnuPopup1Ack, &QAction::triggered, this,
                [&] { timerRanDuringCommand = window->Timer1->isActive(); });
        QTest::qWait(50);
        pressOn(window->lstStations, Qt::RightButton, firstRowCentre(window->lstStations));
        QVERIFY(!timerRanDuringCommand);
        QVERIFY(window->Timer1->isActive());
        // Restarted: a full new interval.
        QVERIFY(window->Timer1->remainingTime() > 9900);

        // The message path restarts it too.
        window->lstStations->setSelectedRow(-1);
        bool timerRanDuringMessage = true;
        messages.onShow = [&] { timerRanDuringMessage = window->Timer1->isActive(); };
        pressOn(window->lstStations, Qt::RightButton, belowEntries(window->lstStations));
        messages.onShow = nullptr;
        QVERIFY(!timerRanDuringMessage);
        QVERIFY(window->Timer1->isActive());
    }

    void ackedPressLeavesTimer1Alone()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->lstAcked->addItem(QStringLiteral("AB1CD"));
        window->lstAcked->setSelectedRow(0);
        QTest::qWait(300);
        const int before = window->Timer1->remainingTime();
        pressOn(window->lstAcked, Qt::RightButton, firstRowCentre(window->lstAcked));
        QVERIFY(window->Timer1->remainingTime() <= before);
    }

    void positionCaptureSkipsMinimized()
    {
        window->move(150, 90);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->Form_Resize();
        const qint16 left = window->intLastLeft;
        const qint16 top = window->intLastTop;
        QCOMPARE(left, qint16(qRound(window->pos().x() * window->twipsPerPixel())));
        QCOMPARE(top, qint16(qRound(window->pos().y() * window->twipsPerPixel())));
        window->setWindowState(Qt::WindowMinimized);
        window->move(400, 300);
        window->Form_Resize();
        QCOMPARE(window->intLastLeft, left);
        QCOMPARE(window->intLastTop, top);
    }

    void unloadRunsOnceAndAlwaysProceeds()
    {
        int unloads = 0;
        window->onUnload = [&] { ++unloads; };
        window->show();
        QVERIFY(window->close());
        QVERIFY(!window->isVisible());
        window->close();
        QCOMPARE(unloads, 1);
        QVERIFY(!window->Timer1->isActive());
    }
};

NEARBELL_TEST(MainWindowTest)
#include "MainWindowTest.moc"
