#include "ui/frmStationDetails.h"

#include "ui/RadarScene.h"
#include "ui/StationFormat.h"
#include "ui/SymbolIcons.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QVBoxLayout>

namespace nearbell {

namespace {

// "12:34:56 (3 min 20 s ago)"
QString heardText(const QDateTime &utc, const QDateTime &now)
{
    if (!utc.isValid())
        return QString();
    QString text = StationFormat::timeText(utc);
    if (now.isValid())
        text += QStringLiteral(" (") + StationFormat::ageText(std::max<qint64>(0, utc.msecsTo(now)))
                + QStringLiteral(" ago)");
    return text;
}

QString joined(const QStringList &parts)
{
    QStringList known;
    for (const QString &part : parts) {
        if (!part.isEmpty())
            known.append(part);
    }
    return known.join(QStringLiteral(", "));
}

} // namespace

frmStationDetails::frmStationDetails(const QString &callsign, QWidget *parent)
    : QWidget(parent, Qt::Window), m_callsign(callsign)
{
    setObjectName(QStringLiteral("frmStationDetails"));
    setWindowTitle(QStringLiteral("Nearbell: ") + RadarScene::plainText(callsign));
    setWindowIcon(QIcon(QStringLiteral(":/nearbell/nearbell.png")));

    auto *form = new QFormLayout;
    lblCallsign = addValue(form, QStringLiteral("Callsign:"), "lblCallsign");
    lblCallsign->setText(RadarScene::plainText(callsign));
    lblSymbolIcon = new QLabel(this);
    lblSymbol = new QLabel(this);
    lblSymbol->setObjectName(QStringLiteral("lblSymbol"));
    lblSymbol->setTextFormat(Qt::PlainText);
    auto *symbol = new QHBoxLayout;
    symbol->addWidget(lblSymbolIcon);
    symbol->addWidget(lblSymbol, 1);
    form->addRow(QStringLiteral("Symbol:"), symbol);
    lblPosition = addValue(form, QStringLiteral("Position:"), "lblPosition");
    lblDecimal = addValue(form, QStringLiteral("Decimal degrees:"), "lblDecimal");
    lblLocator = addValue(form, QStringLiteral("Locator:"), "lblLocator");
    lblDistance = addValue(form, QStringLiteral("Distance and bearing:"), "lblDistance");
    lblMotion = addValue(form, QStringLiteral("Course, speed, altitude:"), "lblMotion");
    lblComment = addValue(form, QStringLiteral("Comment:"), "lblComment");
    lblStatus = addValue(form, QStringLiteral("Status:"), "lblStatus");
    lblFirstHeard = addValue(form, QStringLiteral("First heard:"), "lblFirstHeard");
    lblLastHeard = addValue(form, QStringLiteral("Last heard:"), "lblLastHeard");
    lblPackets = addValue(form, QStringLiteral("Packets heard:"), "lblPackets");
    lblSource = addValue(form, QStringLiteral("Source:"), "lblSource");
    lblDirect = addValue(form, QStringLiteral("Heard direct:"), "lblDirect");
    lblPath = addValue(form, QStringLiteral("Path:"), "lblPath");

    tblTrack = new QTableWidget(0, 3, this);
    tblTrack->setObjectName(QStringLiteral("tblTrack"));
    tblTrack->setAccessibleName(QStringLiteral("Recent positions"));
    tblTrack->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblTrack->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblTrack->verticalHeader()->hide();
    tblTrack->horizontalHeader()->setStretchLastSection(true);
    tblTrack->setColumnWidth(0, 80);
    tblTrack->setColumnWidth(1, 230);

    lblState = new QLabel(this);
    lblState->setObjectName(QStringLiteral("lblState"));
    lblState->setTextFormat(Qt::PlainText);
    QFont bold = lblState->font();
    bold.setBold(true);
    lblState->setFont(bold);
    cmdAck = new QPushButton(QStringLiteral("Acknowledge"), this);
    cmdAck->setObjectName(QStringLiteral("cmdAck"));
    cmdWatch = new QPushButton(QStringLiteral("Add to watch list"), this);
    cmdWatch->setObjectName(QStringLiteral("cmdWatch"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblState, 1);
    buttons->addWidget(cmdAck);
    buttons->addWidget(cmdWatch);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("Recent positions:"), this));
    layout->addWidget(tblTrack, 1);
    layout->addLayout(buttons);
    resize(480, 620);

    connect(cmdAck, &QPushButton::clicked, this, [this] {
        if (m_offersRearm)
            emit rearmClicked();
        else
            emit acknowledgeClicked();
    });
    connect(cmdWatch, &QPushButton::clicked, this, &frmStationDetails::watchClicked);
}

QLabel *frmStationDetails::addValue(QFormLayout *form, const QString &name, const char *objectName)
{
    auto *value = new QLabel(this);
    value->setObjectName(QLatin1String(objectName));
    // Whatever a station sends is shown as it is, never as markup.
    value->setTextFormat(Qt::PlainText);
    value->setWordWrap(true);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(name, value);
    return value;
}

void frmStationDetails::setStation(const StationRow &row, const HostStation::Details &details, DistanceUnit unit,
                                   const QDateTime &now)
{
    m_gone = false;
    lblSymbolIcon->setPixmap(SymbolIcons::icon(row.symbolTable, row.symbolCode).pixmap(SymbolIcons::kListSide));
    lblSymbol->setText(row.symbolDescription);
    lblPosition->setText(StationFormat::degreesMinutes(row.latitude, row.longitude));
    lblDecimal->setText(StationFormat::decimalDegrees(row.latitude, row.longitude));
    lblLocator->setText(StationFormat::locator(row.latitude, row.longitude));
    const QString distance = StationFormat::distanceText(row.distance);
    lblDistance->setText(joined({distance.isEmpty() ? QString() : distance + u' ' + StationFormat::distanceUnit(unit),
                                 StationFormat::bearingText(row.bearing)}));
    const QString course = StationFormat::courseText(row.course);
    const QString speed = StationFormat::speedText(row.speedKmh, unit);
    const QString altitude = StationFormat::altitudeText(row.altitudeM, unit);
    QString motion = joined({course.isEmpty() ? QString() : course + QChar(0x00B0),
                             speed.isEmpty() ? QString() : speed + u' ' + StationFormat::speedUnit(unit),
                             altitude.isEmpty() ? QString() : altitude + u' ' + StationFormat::altitudeUnit(unit)});
    if (!motion.isEmpty() && details.motionAgeMs >= 0)
        motion += QStringLiteral(" (") + StationFormat::ageText(details.motionAgeMs) + QStringLiteral(" ago)");
    lblMotion->setText(motion);
    lblComment->setText(RadarScene::plainText(row.comment));
    lblStatus->setText(RadarScene::plainText(row.status));
    lblFirstHeard->setText(heardText(details.firstHeard, now));
    lblLastHeard->setText(heardText(row.lastHeard, now));
    lblPackets->setText(row.packets > 0 ? QString::number(row.packets) : QString());
    lblSource->setText(RadarScene::plainText(row.source));
    if (!details.lastHeardDirect.isValid())
        lblDirect->setText(QStringLiteral("never"));
    else
        lblDirect->setText((details.heardDirectRecently ? QStringLiteral("yes, last ") : QStringLiteral("not recently, last "))
                           + heardText(details.lastHeardDirect, now));
    lblPath->setText(StationFormat::viaText(row.path, row.heardDirect));
    // A closest approach still ahead stands beside the state.
    const QString approach = StationFormat::approachText(row, unit);
    const QString state = StationFormat::stateText(row);
    lblState->setText(approach.isEmpty() ? state : state.isEmpty() ? approach : state + QStringLiteral("; ") + approach);

    // Newest first, each with how far it lies from the one heard before it.
    const auto &track = details.track;
    tblTrack->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("Position"),
                                         QStringLiteral("Moved (%1)").arg(StationFormat::distanceUnit(unit))});
    tblTrack->setRowCount(int(track.size()));
    for (size_t i = 0; i < track.size(); ++i) {
        const HostStation::TrackPoint &point = track[track.size() - 1 - i];
        QString moved;
        if (i + 1 < track.size()) {
            const HostStation::TrackPoint &before = track[track.size() - 2 - i];
            moved = QLocale().toString(
                greatcircle::distance(before.latitude, before.longitude, point.latitude, point.longitude, unit), 'f',
                2);
        }
        const QStringList cells{StationFormat::timeText(point.heard),
                                StationFormat::degreesMinutes(point.latitude, point.longitude), moved};
        for (int c = 0; c < 3; ++c) {
            QTableWidgetItem *item = tblTrack->item(int(i), c);
            if (!item) {
                item = new QTableWidgetItem;
                tblTrack->setItem(int(i), c, item);
            }
            item->setText(cells[c]);
        }
    }
}

QString frmStationDetails::notListedText()
{
    return QStringLiteral("Only a station listed in range or watched can be acknowledged");
}

void frmStationDetails::setNoLongerHeard()
{
    m_gone = true;
    lblState->setText(QStringLiteral("No longer heard"));
    cmdAck->setEnabled(m_offersRearm);
}

void frmStationDetails::setCommands(bool acknowledged, bool canAcknowledge, bool canWatch)
{
    m_offersRearm = acknowledged;
    cmdAck->setText(acknowledged ? QStringLiteral("Re-arm") : QStringLiteral("Acknowledge"));
    cmdAck->setEnabled(acknowledged || canAcknowledge);
    cmdAck->setToolTip(cmdAck->isEnabled() ? QString() : frmStationDetails::notListedText());
    cmdWatch->setEnabled(canWatch);
}

} // namespace nearbell
