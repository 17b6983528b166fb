#include "app/RadarLink.h"

#include <QLineEdit>

#include "host/HostApplication.h"
#include "host/HostError.h"
#include "host/HostExtension.h"
#include "monitor/StationMonitor.h"
#include "platform/LeadingNumber.h"
#include "platform/MessageDisplay.h"
#include "platform/ProgramGlobals.h"
#include "ui/frmRadar.h"

namespace nearbell {

namespace {
const QString programTitle = QStringLiteral("Nearbell");
}

RadarLink::RadarLink(const QString &iniFile, WriteFailures *failures, StationMonitor &monitor, QLineEdit *txtRadius,
                     const ProgramGlobals &globals, MessageDisplay &messages, QObject *parent)
    : QObject(parent),
      m_settings(iniFile, failures),
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
    if (!m_window) {
        m_window = std::make_unique<frmRadar>();
        // Only the main window's closing ends the program.
        m_window->setAttribute(Qt::WA_QuitOnClose, false);
        m_window->setCourseUp(m_settings.courseUp());
        if (const auto place = m_settings.place()) {
            m_window->resize(place->size);
            m_window->move(place->position);
        }
        connect(m_window.get(), &frmRadar::courseUpChanged, this, [this](bool courseUp) {
            m_settings.saveCourseUp(courseUp);
            refresh();
        });
        connect(m_window.get(), &frmRadar::closed, this, &RadarLink::save);
        connect(m_window->view, &RadarView::stationClicked, this, &RadarLink::stationClicked);
        connect(m_window->view, &RadarView::stationActivated, this, &RadarLink::stationActivated);
    }
    refresh();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void RadarLink::save()
{
    if (!m_window || !m_window->isVisible())
        return;
    m_settings.savePlace({m_window->frameGeometry().topLeft(), m_window->size()});
}

void RadarLink::close()
{
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
    return in;
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
