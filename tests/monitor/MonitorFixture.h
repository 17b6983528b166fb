#pragma once

#include "monitor/OptionFlags.h"
#include "platform/ProgramGlobals.h"
#include "common/RecordingMessageDisplay.h"
#include "host/HostStation.h"
#include "host/ScriptedHost.h"
#include "monitor/MonitorControls.h"
#include "platform/SoundPlayer.h"
#include "platform/WindowRaiser.h"
#include "ui/ListBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace nearbell::test {

// Records what would have been played.
class RecordingSoundPlayer : public SoundPlayer
{
public:
    void play(const QString &path) override
    {
        played.append(path);
        if (log)
            log->append(QStringLiteral("siren"));
    }
    QStringList played;
    QStringList *log = nullptr;
};

// Records each bring-to-front.
class RecordingWindowRaiser : public WindowRaiser
{
public:
    void bringToFront() override
    {
        ++raised;
        if (log)
            log->append(QStringLiteral("raise"));
    }
    int raised = 0;
    QStringList *log = nullptr;
};

// The main window's monitoring controls, as the window sets them up, and
// the things they are handed: host, station record, globals, options.
struct MonitorFixture
{
    MonitorFixture()
    {
        window = std::make_unique<QWidget>();
        auto make = [this](auto *widget) {
            widget->setParent(window.get());
            return widget;
        };
        c.lstStations = make(new ListBox(nullptr, true));
        c.lstAcked = make(new ListBox(nullptr, true));
        c.lstWatch = make(new ListBox);
        c.lstOverlayItems = make(new ListBox);
        c.txtRadius = make(new QLineEdit(QStringLiteral("25")));
        c.txtWatch = make(new QLineEdit);
        c.lblMinDist = make(new QLabel(QStringLiteral("Minimum distance observed = ")));
        c.lblOverlays = make(new QLabel(QStringLiteral("Overlay objects  in alarm")));
        c.cmdAck = make(new QPushButton(QStringLiteral(">")));
        c.cmdAckAll = make(new QPushButton(QStringLiteral(">>")));
        c.cmdRearm = make(new QPushButton(QStringLiteral("<")));
        c.cmdRearmAll = make(new QPushButton(QStringLiteral("<<")));
        c.cmdAddWatch = make(new QPushButton(QStringLiteral("Add")));
        c.cmdShowWatch = make(new QPushButton(QStringLiteral("Show")));
        c.Timer1 = new QTimer(window.get());
        c.Timer1->setInterval(10000);
        c.Timer1->setTimerType(Qt::PreciseTimer); // exact remaining times to compare
        c.Timer2 = new QTimer(window.get());
        c.Timer2->setInterval(15000);
        globals.gstrProgramTitle = QStringLiteral("Nearbell");
        globals.gstrMyCallsign = QStringLiteral("MY0CALL");
        host.setRecordCalls(true);
    }

    QStringList stationLines() const { return c.lstStations->lines(); }
    QStringList acked() const { return c.lstAcked->lines(); }

    // Adds host entries "/CALL  12:00" with the given distances.
    void addStation(const QString &callsign, float distance, const QString &star = QString())
    {
        host.appendEntry(QStringLiteral("/") + callsign + star + QStringLiteral(" 12:00:00"));
        host.setStation(callsign, distance);
    }

    void select(ListBox *list, const QString &text)
    {
        const qsizetype row = list->lines().indexOf(text);
        if (row >= 0)
            list->setSelectedRow(int(row));
    }

    std::unique_ptr<QWidget> window;
    MonitorControls c;
    ScriptedHost host;
    HostStation objStation;
    ProgramGlobals globals;
    OptionFlags options;
    RecordingMessageDisplay messages;
    RecordingSoundPlayer sound;
    RecordingWindowRaiser raiser;
};

} // namespace nearbell::test
