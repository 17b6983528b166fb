#include "app/RadarLink.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

#include "host/HostApplication.h"
#include "host/HostError.h"
#include "host/HostExtension.h"
#include "host/LocalHost.h"
#include "map/TileService.h"
#include "overlay/OverlayTable.h"
#include "ui/DialogPresenter.h"
#include "ui/frmMapSource.h"
#include "monitor/StationMonitor.h"
#include "platform/LeadingNumber.h"
#include "platform/MessageDisplay.h"
#include "platform/ProgramGlobals.h"
#include "ui/frmRadar.h"

#include <QSet>

namespace nearbell {

namespace {
const QString programTitle = QStringLiteral("Nearbell");
}

RadarLink::RadarLink(const QString &iniFile, WriteFailures *failures, StationMonitor &monitor, QLineEdit *txtRadius,
                     const ProgramGlobals &globals, MessageDisplay &messages, QObject *parent)
    : QObject(parent),
      m_settings(iniFile, failures),
      m_mapSettings(iniFile, failures),
      m_monitor(monitor),
      m_txtRadius(txtRadius),
      m_globals(globals),
      m_messages(messages)
{
    // The drawing changes once per cycle, never per packet heard.
    connect(&m_monitor.cycle(), &ScanCycle::cycleFinished, this, [this] {
        if (m_window && m_window->isVisible())
            refresh();
    });
}

RadarLink::~RadarLink() = default;

void RadarLink::mnuFileRadar_Click()
{
    open(true);
}

void RadarLink::reopen()
{
    if (m_settings.wasOpen())
        open(false);
}

void RadarLink::open(bool takeFocus)
{
    if (!m_window) {
        m_window = std::make_unique<frmRadar>();
        // Only the main window's closing ends the program.
        m_window->setAttribute(Qt::WA_QuitOnClose, false);
        m_window->setCourseUp(m_settings.courseUp());
        connect(m_window.get(), &frmRadar::courseUpChanged, this, [this](bool courseUp) {
            m_settings.saveCourseUp(courseUp);
            refresh();
        });
        connect(m_window.get(), &frmRadar::closed, this, &RadarLink::windowClosed);
        connect(m_window->view, &RadarView::stationClicked, this, &RadarLink::stationClicked);
        connect(m_window->view, &RadarView::stationActivated, this, &RadarLink::stationActivated);
        m_tiles = std::make_unique<TileService>();
        m_tiles->setSource(m_mapSettings.source());
        m_window->view->setTileService(m_tiles.get());
        const bool map = m_mapSettings.shown();
        m_window->chkMap->setChecked(map);
        m_window->view->setMapShown(map);
        connect(m_window->chkMap, &QCheckBox::toggled, this, [this](bool shown) {
            m_mapSettings.saveShown(shown);
            m_window->view->setMapShown(shown);
        });
        connect(m_window->cmdMapSource, &QPushButton::clicked, this, &RadarLink::chooseMapSource);
    }
    if (!m_window->isVisible()) {
        // A place saved on a screen that is gone, or larger than this one,
        // would open the window where nobody sees it.
        QList<QRect> screens;
        if (const QScreen *primary = QGuiApplication::primaryScreen())
            screens.append(primary->availableGeometry());
        for (const QScreen *screen : QGuiApplication::screens()) {
            if (screen != QGuiApplication::primaryScreen())
                screens.append(screen->availableGeometry());
        }
        const RadarSettings::Place place =
            RadarSettings::fitted(m_settings.position(), m_settings.size(), screens, m_window->size());
        m_window->resize(place.size);
        m_window->move(place.position);
    }
    refresh();
    // Opened again at start-up, it leaves the focus with the main window.
    m_window->setAttribute(Qt::WA_ShowWithoutActivating, !takeFocus);
    m_window->show();
    if (!takeFocus)
        return;
    m_window->raise();
    m_window->activateWindow();
}

void RadarLink::save()
{
    if (!m_window || !m_window->isVisible())
        return;
    m_settings.savePlace({m_window->frameGeometry().topLeft(), m_window->size()});
    m_settings.saveOpen(true);
}

void RadarLink::windowClosed()
{
    if (m_programCloses)
        return;
    if (m_window)
        m_settings.savePlace({m_window->frameGeometry().topLeft(), m_window->size()});
    m_settings.saveOpen(false);
}

void RadarLink::close()
{
    m_programCloses = true;
    if (m_window && m_window->isVisible())
        m_window->close();
}

RadarInput RadarLink::input()
{
    RadarInput in;
    in.stations = m_monitor.seen().stations();
    in.range = m_txtRadius ? leadingNumber(m_txtRadius->text()) : 0.0;
    auto *extension = dynamic_cast<HostExtension *>(m_host.data());
    in.unit = extension && extension->distanceUnit() == DistanceUnit::Miles ? QStringLiteral("mi")
                                                                            : QStringLiteral("km");
    // The own station is in the host's list like any other: its record
    // carries the own position.
    if (m_host) {
        m_own.setCallsign(m_globals.gstrMyCallsign);
        try {
            in.hasOwnPosition = m_host->GetStation(m_own);
        } catch (const HostError &) {
            in.hasOwnPosition = false;
        }
        in.ownLatitude = m_own.Latitude();
        in.ownLongitude = m_own.Longitude();
    }
    if (!in.hasOwnPosition) {
        in.noPosition = extension ? extension->positionStatus().text : QString();
        if (in.noPosition.isEmpty())
            in.noPosition = QStringLiteral("Own position unknown: distances cannot be measured");
    }

    QString note;
    if (m_window && m_window->courseUp()) {
        const std::optional<double> course = extension ? extension->ownCourse() : std::nullopt;
        if (course) {
            in.upDegrees = *course;
            note = QStringLiteral("Course %1%2").arg(qRound(*course) % 360).arg(QChar(0x00B0));
        } else {
            note = QStringLiteral("No course known: north is up");
        }
    }
    if (m_window)
        m_window->lblNote->setText(note);
    addLooks(in);
    return in;
}

void RadarLink::chooseMapSource()
{
    if (!m_window)
        return;
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<QtDialogPresenter>();
        m_dialogs = m_ownDialogs.get();
    }
    frmMapSource dialog(m_window.get());
    const MapSource current = m_tiles->source();
    dialog.setSource(current);
    if (!m_dialogs->present(dialog))
        return;
    const MapSource chosen = dialog.source();
    if (chosen == current)
        return;
    m_mapSettings.saveSource(chosen);
    m_tiles->setSource(chosen);
    m_window->view->setTileService(m_tiles.get());
}

void RadarLink::addLooks(RadarInput &in)
{
    if (m_overlays) {
        for (int slot = 1; slot <= m_overlays->gintOverlayCount(); ++slot) {
            const OverlayItem &item = m_overlays->gOverlayItems(slot);
            in.objects.append({item.strName.trimmed(), item.sngLatitude, item.sngLongitude});
        }
    }
    auto *local = dynamic_cast<LocalHost *>(m_host.data());
    if (!local || !in.hasOwnPosition)
        return;
    const StationTable &table = local->table();
    QSet<QString> listed;
    listed.reserve(in.stations.size());
    in.looks.reserve(in.stations.size());
    for (const SeenStation &seen : std::as_const(in.stations)) {
        listed.insert(seen.callsign);
        RadarLook look;
        if (const StationTable::Station *station = table.find(seen.callsign)) {
            look.symbolTable = station->symbolTable;
            look.symbolCode = station->symbolCode;
            look.course = station->course;
            look.speedKmh = station->speedKmh;
            look.track.reserve(station->track.size());
            for (const HostStation::TrackPoint &point : station->track)
                look.track.emplace_back(point.latitude, point.longitude);
        }
        in.looks.append(look);
    }
    // The rest of the table near the view: drawn faintly. The view shows
    // about one and a half ranges at zoom 1.
    const double zoom = m_window ? m_window->view->zoom() : 1.0;
    const double reach = in.range * 1.5 / zoom;
    for (const StationTable::Station *station : table.takenList()) {
        if (station->removed || station->own || listed.contains(station->callsign))
            continue;
        if (table.distanceOf(*station) < reach)
            in.others.append({station->latitude, station->longitude, station->symbolTable, station->symbolCode});
    }
}

void RadarLink::refresh()
{
    if (m_window)
        m_window->view->setInput(input());
}

void RadarLink::stationClicked(const QString &callsign)
{
    m_monitor.selectListedOrAcked(callsign);
}

void RadarLink::stationActivated(const QString &callsign)
{
    if (m_openDetails) {
        m_openDetails(callsign);
        return;
    }
    if (!m_window)
        return;
    const RadarScene &scene = m_window->view->scene();
    const int mark = scene.markOf(callsign);
    if (mark >= 0)
        m_messages.show(m_window.get(), programTitle, scene.detailsText(mark), MessageDisplay::Icon::Information);
}

} // namespace nearbell
