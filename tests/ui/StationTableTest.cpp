#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLocale>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "common/TestRegistry.h"
#include "ui/PopupMenuPresenter.h"
#include "ui/StationFormat.h"
#include "ui/StationTableModel.h"
#include "ui/frmStationDetails.h"
#include "ui/frmStations.h"

using namespace nearbell;

namespace {

constexpr double kmPerKnot = 1.852;
constexpr double metresPerFoot = 0.3048;
const QDateTime noon = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);

StationRow station(const QString &callsign, double distance, StationState state = StationState::None)
{
    StationRow row;
    row.callsign = callsign;
    row.distance = distance;
    row.state = state;
    row.lastHeard = noon.addSecs(-200);
    row.heardDirect = true;
    return row;
}

// Own station, one in range, one acknowledged, a watched weather station
// whose distance is unknown and only status texts, a car with markup.
std::vector<StationRow> fiveStations()
{
    StationRow own = station("N0DEMO", 0.0);
    own.own = true;
    StationRow wx = station("WX9", std::nan(""), StationState::Watched);
    wx.status = "rain later";
    wx.symbolDescription = "weather station";
    StationRow car = station("<b>X\n", 7.0);
    car.comment = "<i>hi</i>";
    car.symbolDescription = "car";
    return {station("EF2GH", 12.0, StationState::Acknowledged), wx, own, car,
            station("AB1CD", 3.2, StationState::InRange)};
}

QStringList column(const StationTableModel &model, int column)
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts.append(model.index(r, column).data().toString());
    return texts;
}

class RecordingPopups : public PopupMenuPresenter
{
public:
    void popup(QMenu *menu, QPoint) override { shown.append(menu); }
    QList<QMenu *> shown;
};

} // namespace

class StationTableTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // Each value as a cell shows it, in km or mi; what cannot be a real
    // value stays empty rather than becoming a wrong number.
    void values_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("miles");
        QTest::addColumn<QString>("shown");
        const double nan = std::nan("");
        QTest::newRow("bearing NE") << "bearing" << 45.0 << false << "45\u00B0 NE";
        QTest::newRow("bearing rounds to north") << "bearing" << 359.6 << false << "0\u00B0 N";
        QTest::newRow("bearing negative") << "bearing" << -90.0 << false << "270\u00B0 W";
        QTest::newRow("bearing unknown") << "bearing" << nan << false << "";
        QTest::newRow("course 0 is north") << "course" << 0.0 << false << "360";
        QTest::newRow("course 360") << "course" << 360.0 << false << "360";
        QTest::newRow("course 999") << "course" << 999.0 << false << "";
        QTest::newRow("course unknown") << "course" << nan << false << "";
        QTest::newRow("speed 0") << "speed" << 0.0 << false << "0";
        QTest::newRow("speed 1500 kn") << "speed" << 1500 * kmPerKnot << false << "2778";
        QTest::newRow("speed 1500 kn in mph") << "speed" << 1500 * kmPerKnot << true << "1726";
        QTest::newRow("speed negative") << "speed" << -1.0 << false << "";
        QTest::newRow("altitude -1000 ft") << "altitude" << -1000 * metresPerFoot << false << "-305";
        QTest::newRow("altitude -1000 ft in ft") << "altitude" << -1000 * metresPerFoot << true << "-1000";
        QTest::newRow("altitude 999999 ft in ft") << "altitude" << 999999 * metresPerFoot << true << "999999";
        QTest::newRow("altitude absurd") << "altitude" << 1e300 << false << "";
        QTest::newRow("closing while it grows") << "closing" << -12.4 << false << "-12";
        QTest::newRow("closing in mph") << "closing" << 30.0 << true << "19";
        QTest::newRow("closing unknown") << "closing" << nan << false << "";
        QTest::newRow("distance") << "distance" << 3.14159 << false << "3.1";
        QTest::newRow("distance unknown") << "distance" << nan << false << "";
    }
    void values()
    {
        QFETCH(QString, kind);
        QFETCH(double, value);
        QFETCH(bool, miles);
        const DistanceUnit unit = miles ? DistanceUnit::Miles : DistanceUnit::Kilometres;
        QString text;
        if (kind == "bearing")
            text = StationFormat::bearingText(value);
        else if (kind == "course")
            text = StationFormat::courseText(value);
        else if (kind == "speed")
            text = StationFormat::speedText(value, unit);
        else if (kind == "altitude")
            text = StationFormat::altitudeText(value, unit);
        else if (kind == "closing")
            text = StationFormat::closingText(value, unit);
        else
            text = StationFormat::distanceText(value);
        QTEST(text, "shown");
    }

    void texts()
    {
        QCOMPARE(StationFormat::viaText({}, true), QStringLiteral("direct"));
        QCOMPARE(StationFormat::viaText({}, false), QString());
        const QStringList eight{"D1*", "D2*", "D3*", "D4*", "D5*", "D6*", "D7*", "WIDE2-1"};
        QCOMPARE(StationFormat::viaText(eight, false), QStringLiteral("D1*,D2*,D3*,D4*,D5*,D6*,D7*,WIDE2-1"));
        QCOMPARE(StationFormat::commentText("", "on air"), QStringLiteral("on air"));
        QCOMPARE(StationFormat::commentText("a\tb", "on air"), QStringLiteral("a\uFFFDb"));
        QCOMPARE(StationFormat::ageText(5000), QStringLiteral("5 s"));
        QCOMPARE(StationFormat::ageText(200000), QStringLiteral("3 min 20 s"));
        QCOMPARE(StationFormat::ageText(7500000), QStringLiteral("2 h 5 min"));
        QCOMPARE(StationFormat::ageText(274000000), QStringLiteral("3 d 4 h"));
        QCOMPARE(StationFormat::ageText(-1), QString());
        const auto km = DistanceUnit::Kilometres;
        QCOMPARE(StationFormat::motionText(270, 54, km), QStringLiteral("54 km/h heading 270\u00B0"));
        QCOMPARE(StationFormat::motionText(90, 0, km), QStringLiteral("0 km/h"));
        QCOMPARE(StationFormat::motionText(180, std::nan(""), km), QStringLiteral("heading 180\u00B0"));
        QCOMPARE(StationFormat::motionText(999, std::nan(""), km), QString());

        // An acknowledgement for a while says its end; a closest approach
        // already past, or in miles, reads as such.
        StationRow row;
        row.state = StationState::Acknowledged;
        QCOMPARE(StationFormat::stateText(row), QStringLiteral("acknowledged"));
        row.acknowledgedUntil = QDateTime(QDate(2026, 12, 8), QTime(14, 5), Qt::LocalTime).toUTC();
        QCOMPARE(StationFormat::stateText(row), QStringLiteral("acknowledged until 14:05"));
        row.closingKmh = -20;
        row.cpaKm = 3.0;
        row.tcpaMinutes = -4;
        QCOMPARE(StationFormat::closingWithApproach(row, km), QStringLiteral("-20"));
        row.closingKmh = 32.2;
        row.tcpaMinutes = 2.5;
        QCOMPARE(StationFormat::closingWithApproach(row, DistanceUnit::Miles),
                 QStringLiteral("20, closest 1.9 mi in 3 minutes"));
    }

    void positions_data()
    {
        QTest::addColumn<double>("latitude"); // minutes of arc
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("locator");
        QTest::newRow("demo") << 52 * 60 + 12.34 << 5 * 60 + 12.34 << "52\u00B0 12.340' N, 5\u00B0 12.340' E"
                              << "52.20567, 5.20567" << "JO22oe";
        QTest::newRow("origin") << 0.0 << 0.0 << "0\u00B0 00.000' N, 0\u00B0 00.000' E" << "0.00000, 0.00000"
                                << "JJ00aa";
        QTest::newRow("minutes carry") << 59.99996 << -0.0004 << "1\u00B0 00.000' N, 0\u00B0 00.000' W"
                                       << "1.00000, -0.00001" << "IJ90xx";
        QTest::newRow("south-east") << -33.8688 * 60 << 151.2093 * 60 << "33\u00B0 52.128' S, 151\u00B0 12.558' E"
                                    << "-33.86880, 151.20930" << "QF56od";
        QTest::newRow("west") << 40.7128 * 60 << -74.006 * 60 << "40\u00B0 42.768' N, 74\u00B0 00.360' W"
                              << "40.71280, -74.00600" << "FN20xr";
        QTest::newRow("north-east corner") << 90.0 * 60 << 180.0 * 60 << "90\u00B0 00.000' N, 180\u00B0 00.000' E"
                                           << "90.00000, 180.00000" << "RR99xx";
        QTest::newRow("south-west corner") << -90.0 * 60 << -180.0 * 60
                                           << "90\u00B0 00.000' S, 180\u00B0 00.000' W" << "-90.00000, -180.00000"
                                           << "AA00aa";
        QTest::newRow("beyond the pole") << 91.0 * 60 << 0.0 << "" << "" << "";
    }
    void positions()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QTEST(StationFormat::degreesMinutes(latitude, longitude), "minutes");
        QTEST(StationFormat::decimalDegrees(latitude, longitude), "decimal");
        QTEST(StationFormat::locator(latitude, longitude), "locator");
    }

    // Own station first in any order, unknown values last, filters on
    // callsign, comment or status and symbol, the check box, markup shown
    // as it is, colours by state, units in the headers.
    void model()
    {
        StationTableModel model;
        model.setRows(fiveStations(), noon);
        QCOMPARE(column(model, StationTableModel::Callsign),
                 (QStringList{"N0DEMO", "AB1CD", "<b>X\uFFFD", "EF2GH", "WX9"}));
        model.sort(StationTableModel::Distance, Qt::DescendingOrder);
        QCOMPARE(column(model, StationTableModel::Callsign),
                 (QStringList{"N0DEMO", "EF2GH", "<b>X\uFFFD", "AB1CD", "WX9"}));
        model.sort(StationTableModel::Comment, Qt::AscendingOrder);
        QCOMPARE(column(model, StationTableModel::Comment), (QStringList{"", "<i>hi</i>", "rain later", "", ""}));
        model.sort(StationTableModel::State, Qt::AscendingOrder);
        QCOMPARE(column(model, StationTableModel::State),
                 (QStringList{"", "in range", "acknowledged", "watched", ""}));

        model.setFilterText("RAIN");
        QCOMPARE(column(model, StationTableModel::Callsign), QStringList{"WX9"});
        model.setFilterText("car");
        QCOMPARE(column(model, StationTableModel::Callsign), QStringList{"<b>X\uFFFD"});
        model.setFilterText("");
        model.setOnlyInRangeOrWatched(true);
        QCOMPARE(column(model, StationTableModel::Callsign), (QStringList{"N0DEMO", "AB1CD", "WX9"}));

        const QModelIndex inRange = model.index(model.rowOf("AB1CD"), StationTableModel::LastHeard);
        QCOMPARE(inRange.data(Qt::ToolTipRole).toString(), QStringLiteral("3 min 20 s ago"));
        QCOMPARE(inRange.data().toString(), StationFormat::timeText(noon.addSecs(-200)));
        QCOMPARE(model.index(model.rowOf("AB1CD"), StationTableModel::Via).data().toString(), QStringLiteral("direct"));
        QVERIFY(inRange.data(Qt::BackgroundRole).value<QBrush>().color()
                != model.index(model.rowOf("WX9"), 0).data(Qt::BackgroundRole).value<QBrush>().color());
        QVERIFY(!model.index(model.rowOf("N0DEMO"), 0).data(Qt::BackgroundRole).isValid());

        QCOMPARE(model.headerData(StationTableModel::Distance, Qt::Horizontal).toString(), QStringLiteral("Distance (km)"));
        model.setUnit(DistanceUnit::Miles);
        QStringList headers;
        for (int c = 0; c < StationTableModel::ColumnCount; ++c)
            headers.append(model.headerData(c, Qt::Horizontal).toString());
        QCOMPARE(headers, (QStringList{"Callsign", "Symbol", "Distance (mi)", "Bearing", "Course", "Speed (mph)",
                                       "Altitude (ft)", "Closing (mph)", "Last heard", "Packets", "Source", "Via",
                                       "Comment", "State"}));
    }

    // A refresh keeps the selected station and the scroll position; Enter,
    // a double click and the context menu name the station; the table is a
    // table for assistive technology, with its headers and cells.
    void window()
    {
        RecordingPopups popups;
        frmStations w(popups);
        std::vector<StationRow> rows;
        for (int i = 0; i < 300; ++i)
            rows.push_back(station(QStringLiteral("ST%1").arg(i, 3, 10, QLatin1Char('0')), i / 10.0));
        w.setRows(rows, noon);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.selectCallsign("ST150"));
        w.tblStations->verticalScrollBar()->setValue(120);
        rows.erase(rows.begin() + 10); // a station above it leaves, one arrives
        rows.push_back(station("NEW1", 1.05));
        for (int more = 0; more < 2; ++more) { // as many rows as before, then one more
            w.setRows(rows, noon);
            QCOMPARE(w.selectedCallsign(), QStringLiteral("ST150"));
            QCOMPARE(w.tblStations->verticalScrollBar()->value(), 120);
            rows.push_back(station("NEW2", 2.05));
        }
        QCOMPARE(w.lblCount->text(), QStringLiteral("301 stations"));
        w.chkInRange->setChecked(true);
        QCOMPARE(w.lblCount->text(), QStringLiteral("0 of 301 stations"));
        w.chkInRange->setChecked(false);
        w.txtFilter->setText("ST15");
        QCOMPARE(w.lblCount->text(), QStringLiteral("10 of 301 stations"));
        QCOMPARE(w.selectedCallsign(), QStringLiteral("ST150"));

        QSignalSpy details(&w, &frmStations::detailsRequested);
        QTest::keyClick(w.tblStations, Qt::Key_Return);
        const QRect cell = w.tblStations->visualRect(w.model().index(3, 0));
        QTest::mousePress(w.tblStations->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(w.tblStations->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(details.size(), 2);
        QCOMPARE(details.at(0).at(0).toString(), QStringLiteral("ST150"));
        QCOMPARE(details.at(1).at(0).toString(), QStringLiteral("ST153"));
        QSignalSpy about(&w, &frmStations::menuAbout);
        const QPoint at = w.tblStations->visualRect(w.model().index(1, 4)).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, w.tblStations->viewport()->mapToGlobal(at));
        QApplication::sendEvent(w.tblStations->viewport(), &click);
        QCOMPARE(about.at(0).at(0).toString(), QStringLiteral("ST151"));
        QCOMPARE(popups.shown, QList<QMenu *>{w.mnuStations});
        w.mnuStationsDetails->trigger();
        QCOMPARE(details.last().at(0).toString(), QStringLiteral("ST151"));

        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(w.tblStations);
        QVERIFY(table && table->tableInterface());
        QCOMPARE(table->role(), QAccessible::Table);
        QCOMPARE(table->tableInterface()->columnCount(), int(StationTableModel::ColumnCount));
        QCOMPARE(table->tableInterface()->columnDescription(0), QStringLiteral("Callsign"));
        QCOMPARE(table->tableInterface()->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("ST150"));
        QCOMPARE(table->tableInterface()->cellAt(0, 2)->text(QAccessible::Name), QStringLiteral("15.0"));
    }

    // Plain text throughout, the track newest first with the distance
    // moved, "No longer heard" keeping the last values, the one button
    // that applies.
    void details()
    {
        StationRow row = fiveStations()[3];
        row.latitude = 60.0;
        HostStation::Details details;
        details.track = {{60.0, 0.0, noon.addSecs(-120)}, {60.0 + 1.0, 0.0, noon.addSecs(-60)}};
        frmStationDetails w(row.callsign);
        w.setStation(row, details, DistanceUnit::Kilometres, noon);
        QCOMPARE(w.windowTitle(), QStringLiteral("Nearbell: <b>X\uFFFD"));
        QCOMPARE(w.lblComment->text(), QStringLiteral("<i>hi</i>"));
        QCOMPARE(w.lblComment->textFormat(), Qt::PlainText);
        QCOMPARE(w.lblLocator->text(), QStringLiteral("JJ01aa"));
        QCOMPARE(w.lblDirect->text(), QStringLiteral("never"));
        QCOMPARE(w.tblTrack->rowCount(), 2);
        QCOMPARE(w.tblTrack->item(0, 0)->text(), StationFormat::timeText(noon.addSecs(-60)));
        QCOMPARE(w.tblTrack->item(0, 2)->text(), QStringLiteral("1.85"));
        QCOMPARE(w.tblTrack->item(1, 2)->text(), QString());
        row.altitudeM = -304.8;
        row.speedKmh = 1500 * kmPerKnot;
        row.course = 999;
        details.motionAgeMs = 65000;
        w.setStation(row, details, DistanceUnit::Miles, noon);
        QCOMPARE(w.lblMotion->text(), QStringLiteral("1726 mph, -1000 ft (1 min 5 s ago)"));
        QCOMPARE(w.lblDistance->text(), QStringLiteral("7.0 mi"));
        QCOMPARE(w.tblTrack->horizontalHeaderItem(2)->text(), QStringLiteral("Moved (mi)"));
        w.setNoLongerHeard();
        QCOMPARE(w.lblState->text(), QStringLiteral("No longer heard"));
        QCOMPARE(w.lblComment->text(), QStringLiteral("<i>hi</i>"));
        w.setCommands(true, false, true);
        QCOMPARE(w.cmdAck->text(), QStringLiteral("Re-arm"));
        QSignalSpy rearm(&w, &frmStationDetails::rearmClicked);
        w.cmdAck->click();
        QCOMPARE(rearm.size(), 1);
    }
};

NEARBELL_TEST(StationTableTest)
#include "StationTableTest.moc"
