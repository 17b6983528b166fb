#include "app/RadarSettings.h"
#include "common/TestRegistry.h"
#include "host/GreatCircle.h"
#include "host/HostStation.h"
#include "monitor/CycleSnapshot.h"
#include "ui/PixelLayer.h"
#include "ui/RadarGeometry.h"
#include "ui/RadarScene.h"
#include "ui/RadarView.h"
#include "ui/SymbolIcons.h"

#include <QAccessible>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QSet>
#include <QTest>

#include <limits>

using namespace nearbell;

namespace {

SeenStation seen(const QString &callsign, double latDegrees, double lonDegrees, double distance,
                 SeenStation::Kind kind = SeenStation::Kind::Listed)
{
    return {callsign, "/" + callsign + " 12:34:56", latDegrees * 60.0, lonDegrees * 60.0, distance, kind};
}

// Own station at 0 N 0 E; a listed station due north at half the range, an
// acknowledged one due east at 0.8 of it, a watched one due south beyond it.
RadarInput threeStations()
{
    RadarInput input;
    input.hasOwnPosition = true;
    input.range = 25.0;
    input.unit = QStringLiteral("km");
    input.stations = {seen("NORTH1", 0.1, 0.0, 12.5), seen("EAST2", 0.0, 0.2, 20.0, SeenStation::Kind::Acked),
                      seen("SOUTH3", -1.0, 0.0, 111.0, SeenStation::Kind::Watched)};
    return input;
}

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40 && qAbs(a.blue() - b.blue()) < 40;
}

} // namespace

class RadarTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void bearing_data()
    {
        QTest::addColumn<double>("lat1");
        QTest::addColumn<double>("lon1");
        QTest::addColumn<double>("lat2");
        QTest::addColumn<double>("lon2");
        QTest::addColumn<double>("degrees");
        QTest::newRow("north") << 50.0 << 10.0 << 51.0 << 10.0 << 0.0;
        QTest::newRow("east") << 0.0 << 10.0 << 0.0 << 11.0 << 90.0;
        QTest::newRow("south") << 50.0 << 10.0 << 49.0 << 10.0 << 180.0;
        QTest::newRow("west") << 0.0 << 10.0 << 0.0 << 9.0 << 270.0;
        QTest::newRow("east across the antimeridian") << 0.0 << 179.5 << 0.0 << -179.5 << 90.0;
        QTest::newRow("west across the antimeridian") << 0.0 << -179.5 << 0.0 << 179.5 << 270.0;
        QTest::newRow("from the north pole all is south") << 90.0 << 0.0 << 80.0 << 0.0 << 180.0;
        QTest::newRow("to the north pole") << 10.0 << 20.0 << 90.0 << 0.0 << 0.0;
        QTest::newRow("from the south pole") << -90.0 << 0.0 << -80.0 << 90.0 << 90.0;
        QTest::newRow("same point: north by rule") << 52.0 << 5.0 << 52.0 << 5.0 << 0.0;
        QTest::newRow("antipode: north by rule") << 30.0 << 0.0 << -30.0 << 180.0 << 0.0;
    }
    void bearing()
    {
        QFETCH(double, lat1);
        QFETCH(double, lon1);
        QFETCH(double, lat2);
        QFETCH(double, lon2);
        QFETCH(double, degrees);
        const double b = RadarGeometry::bearing(lat1 * 60, lon1 * 60, lat2 * 60, lon2 * 60);
        QVERIFY2(qAbs(b - degrees) < 0.01, qPrintable(QString::number(b)));
        // The own position's plane agrees, in both of its forms, and
        // measures as the great-circle distance does.
        const RadarGeometry::Plane plane(lat1 * 60, lon1 * 60);
        const auto o = plane.offset(lat2 * 60, lon2 * 60);
        QVERIFY2(qAbs(std::remainder(o.degrees() - degrees, 360.0)) < 0.01, qPrintable(QString::number(o.degrees())));
        QVERIFY(qAbs(std::remainder(plane.direction(lat2 * 60, lon2 * 60).degrees() - degrees, 360.0)) < 0.01);
        QVERIFY(qAbs(o.km - greatcircle::kilometres(lat1 * 60, lon1 * 60, lat2 * 60, lon2 * 60)) < 1e-6);
    }

    void compassPoint_data()
    {
        QTest::addColumn<double>("degrees");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << 0.0 << "north";
        QTest::newRow("22.4") << 22.4 << "north";
        QTest::newRow("22.5") << 22.5 << "north-east";
        QTest::newRow("135") << 135.0 << "south-east";
        QTest::newRow("270") << 270.0 << "west";
        QTest::newRow("-90") << -90.0 << "west";
        QTest::newRow("337.4") << 337.4 << "north-west";
        QTest::newRow("359.9") << 359.9 << "north";
    }
    void compassPoint()
    {
        QFETCH(double, degrees);
        QFETCH(QString, name);
        QCOMPARE(RadarGeometry::compassPoint(degrees), name);
    }

    // A 200 x 200 area without margin: centre (100, 100), range at 100 px.
    void spot_data()
    {
        QTest::addColumn<double>("range");
        QTest::addColumn<double>("up");
        QTest::addColumn<double>("bearing");
        QTest::addColumn<double>("distance");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<bool>("beyond");
        QTest::newRow("at the centre") << 25.0 << 0.0 << 123.0 << 0.0 << QPointF(100, 100) << false;
        QTest::newRow("half way north") << 25.0 << 0.0 << 0.0 << 12.5 << QPointF(100, 50) << false;
        QTest::newRow("east") << 25.0 << 0.0 << 90.0 << 25.0 * 0.8 << QPointF(180, 100) << false;
        QTest::newRow("course 90: east is up") << 25.0 << 90.0 << 90.0 << 12.5 << QPointF(100, 50) << false;
        QTest::newRow("exactly at the range") << 25.0 << 0.0 << 180.0 << 25.0 << QPointF(100, 200) << true;
        QTest::newRow("beyond, on the edge") << 25.0 << 0.0 << 270.0 << 900.0 << QPointF(0, 100) << true;
        QTest::newRow("range 0") << 0.0 << 0.0 << 0.0 << 0.001 << QPointF(100, 0) << true;
        QTest::newRow("range 0, own spot") << 0.0 << 0.0 << 0.0 << 0.0 << QPointF(100, 100) << false;
        QTest::newRow("range 20,000 km") << 20000.0 << 0.0 << 270.0 << 10000.0 << QPointF(50, 100) << false;
        QTest::newRow("antipode beyond 20,000 km") << 20000.0 << 0.0 << 0.0 << 20015.0 << QPointF(100, 0) << true;
    }
    void spot()
    {
        QFETCH(double, range);
        QFETCH(double, up);
        QFETCH(double, bearing);
        QFETCH(double, distance);
        QFETCH(QPointF, point);
        QFETCH(bool, beyond);
        const auto frame = RadarGeometry::frame(QSizeF(200, 200), range, up, 0.0);
        const auto s = RadarGeometry::spot(frame, bearing, distance);
        QVERIFY2(QLineF(s.point, point).length() < 0.01,
                 qPrintable(QStringLiteral("%1,%2").arg(s.point.x()).arg(s.point.y())));
        QCOMPARE(s.beyond, beyond);
    }

    void frameAndRings()
    {
        auto f = RadarGeometry::frame(QSizeF(400, 300), 25, 0, 18);
        QCOMPARE(f.centre, QPointF(200, 150));
        QCOMPARE(f.outerRadius, 132.0);
        QCOMPARE(RadarGeometry::ringRadius(f, 0.5), 66.0);
        QCOMPARE(RadarGeometry::ringLabelAnchor(f, 0.5, 2), QPointF(202, 86));
        // A window shrunk to 50 x 50 keeps a ring; nothing at all keeps none.
        f = RadarGeometry::frame(QSizeF(50, 50), 25, 0, 18);
        QCOMPARE(f.outerRadius, 12.5);
        QCOMPARE(RadarGeometry::frame(QSizeF(0, 0), 25, 0, 18).outerRadius, 0.0);
    }

    void placeLabels_data()
    {
        QTest::addColumn<QList<QRectF>>("labels");
        QTest::addColumn<QList<bool>>("shown");
        QTest::newRow("overlap: the first keeps it")
            << QList<QRectF>{{0, 0, 40, 10}, {30, 5, 40, 10}, {80, 5, 30, 10}} << QList<bool>{true, false, true};
        QTest::newRow("touching is no overlap") << QList<QRectF>{{0, 0, 40, 10}, {40, 0, 40, 10}}
                                                << QList<bool>{true, true};
        QTest::newRow("one inside another") << QList<QRectF>{{0, 0, 100, 40}, {40, 10, 10, 10}}
                                            << QList<bool>{true, false};
        QTest::newRow("out of bounds, empty")
            << QList<QRectF>{{190, 0, 40, 10}, {10, 10, 0, 10}, {-1, 0, 5, 5}} << QList<bool>{false, false, false};
    }
    void placeLabels()
    {
        QFETCH(QList<QRectF>, labels);
        QFETCH(QList<bool>, shown);
        QCOMPARE(RadarGeometry::placeLabels(labels, QRectF(0, 0, 200, 200)), shown);
    }

    void texts_data()
    {
        QTest::addColumn<double>("distance");
        QTest::addColumn<QString>("text");
        QTest::newRow("one decimal") << 3.24 << "3.2 km";
        QTest::newRow("no .0") << 3.0 << "3 km";
        QTest::newRow("half") << 12.5 << "12.5 km";
        QTest::newRow("whole above 100") << 523.4 << "523 km";
        QTest::newRow("zero") << 0.0 << "0 km";
    }
    void texts()
    {
        QFETCH(double, distance);
        QFETCH(QString, text);
        QCOMPARE(RadarScene::distanceText(distance, "km"), text);
    }

    // The scene: nearest first, what is read out, labels that do not
    // overlap, callsigns as plain text, and nothing without a position.
    void scene()
    {
        RadarInput input = threeStations();
        input.stations.append(seen("DL1ABC", 0.02, 0.02, 3.2));
        input.stations.last().course = 270;
        input.stations.last().speedKmh = 54;
        input.stations[2].speedKmh = 0; // SOUTH3 stands still
        input.stations.append(seen("<b>X\n", 0.1, 0.0, 12.6, SeenStation::Kind::Acked)); // on NORTH1
        RadarScene scene;
        const QFont font;
        scene.build(input, QSizeF(300, 300), QFontMetricsF(font));
        QCOMPARE(scene.marks().size(), 5);
        QCOMPARE(scene.accessibleText(0), QStringLiteral("DL1ABC, 3.2 km, north-east, in range, 54 km/h heading 270\u00B0"));
        QCOMPARE(scene.accessibleText(4), QStringLiteral("SOUTH3, 111 km, south, out of range, watched, 0 km/h"));
        QCOMPARE(scene.accessibleText(2), QStringLiteral("<b>X\uFFFD, 12.6 km, north, in range, acknowledged"));
        QCOMPARE(scene.hoverText(0),
                 QStringLiteral("DL1ABC\n3.2 km, 45\u00B0 north-east\nlast heard 12:34:56\n54 km/h heading 270\u00B0"));
        QVERIFY(scene.detailsText(4).contains(QStringLiteral("Position: 1.0000\u00B0 S, 0.0000\u00B0 E")));
        QCOMPARE(scene.markOf("EAST2"), 3);
        // The nearer of two stations on one spot keeps the label.
        QVERIFY(scene.marks().at(1).labelShown);
        QVERIFY(!scene.marks().at(2).labelShown);
        QCOMPARE(scene.marks().at(4).label, QStringLiteral("SOUTH3 111 km"));
        QCOMPARE(scene.markAt(scene.marks().at(3).point + QPointF(2, 2)), 3);
        QCOMPARE(scene.markAt(QPointF(1, 1)), -1);

        scene.build(input, QSizeF(50, 50), QFontMetricsF(font));
        QCOMPARE(scene.marks().size(), 5);
        for (const RadarMark &mark : scene.marks())
            QVERIFY(!mark.labelShown || QRectF(0, 0, 50, 50).contains(mark.labelRect));

        // Thousands: still nearest first, equal distances in the host's
        // order, no distance (or none known) last.
        RadarInput crowd = threeStations();
        crowd.stations.clear();
        const double odd[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -4.0,
                              0.0};
        for (int i = 0; i < 5000; ++i)
            crowd.stations.append(seen(QString::number(i), 0.0, 0.0,
                                       i % 97 == 0 ? odd[i % 4] : double((i * 7919) % 1009) / 7.0));
        scene.build(crowd, QSizeF(300, 300), QFontMetricsF(font));
        QCOMPARE(scene.marks().size(), crowd.stations.size());
        auto key = [&crowd](const RadarMark &mark) {
            const double d = crowd.stations.at(mark.station).distance;
            return std::isnan(d) ? INFINITY : std::max(d, 0.0);
        };
        for (qsizetype i = 1; i < scene.marks().size(); ++i) {
            const RadarMark &before = scene.marks().at(i - 1), &after = scene.marks().at(i);
            QVERIFY(key(before) < key(after) || (key(before) == key(after) && before.station < after.station));
        }

        input.hasOwnPosition = false;
        scene.build(input, QSizeF(300, 300), QFontMetricsF(font));
        QVERIFY(scene.marks().isEmpty());
        QVERIFY(scene.ringLabelRects().isEmpty());
    }

    // Drawn offscreen: each station's colour where it belongs, the rest
    // the background; without a position no station colour anywhere.
    void rendering()
    {
        RadarView view;
        QPalette palette = view.palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        view.setPalette(palette);
        view.resize(300, 300);
        view.setInput(threeStations());
        QImage image(view.size(), QImage::Format_ARGB32);
        {
            QPainter painter(&image);
            view.paint(painter);
        }
        // Centre (150, 150), range at 150 - 18 = 132 px.
        QVERIFY(near(image.pixelColor(150, 150 - 66), RadarView::colour(SeenStation::Kind::Listed)));
        QVERIFY(near(image.pixelColor(150 + 106, 150), RadarView::colour(SeenStation::Kind::Acked)));
        QVERIFY(near(image.pixelColor(150, 150 + 132), RadarView::colour(SeenStation::Kind::Watched)));
        QCOMPARE(image.pixelColor(40, 150 - 66), QColor(Qt::white));

        RadarInput none = threeStations();
        none.hasOwnPosition = false;
        none.noPosition = QStringLiteral("waiting for a GPS fix");
        view.setInput(none);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            view.paint(painter);
        }
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                QVERIFY(c.red() == c.green() && c.green() == c.blue()); // text only: no colour
            }
        }
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&view);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->childCount(), 0);
        QCOMPARE(list->text(QAccessible::Description), none.noPosition);

        view.setInput(threeStations());
        QCOMPARE(list->childCount(), 3);
        QCOMPARE(list->child(0)->text(QAccessible::Name), QStringLiteral("NORTH1, 12.5 km, north, in range"));
        QCOMPARE(list->indexOfChild(list->child(2)), 2);
    }

    // Lines and squares written straight into the layer's pixels: clipped
    // however far outside they reach, with the coverage split across the
    // two pixels a line passes between.
    void pixelLayer_data()
    {
        QTest::addColumn<QLineF>("line");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QRect>("written");
        QTest::addColumn<QPoint>("full");
        QTest::addColumn<QPoint>("half");
        const double huge = 1e12, nan = std::numeric_limits<double>::quiet_NaN();
        const QPoint none(-1, -1);
        QTest::newRow("between two rows, ends far off") << QLineF(-huge, 5, huge, 5) << 1.0 << QRect(0, 4, 100, 2)
                                                        << none << QPoint(50, 4);
        QTest::newRow("steep, on pixel centres") << QLineF(10.5, -50, 10.5, 70) << 1.0 << QRect(10, 0, 2, 20)
                                                 << QPoint(10, 7) << none;
        QTest::newRow("scaled by the ratio") << QLineF(0, 5.25, 50, 5.25) << 2.0 << QRect(0, 10, 100, 2)
                                             << QPoint(60, 10) << none;
        QTest::newRow("along the edge") << QLineF(-5, 0.5, 105, 0.5) << 1.0 << QRect(0, 0, 100, 2) << QPoint(50, 0)
                                        << none;
        QTest::newRow("wholly outside") << QLineF(-huge, -huge, -1e11, 5e11) << 1.0 << QRect() << none << none;
        QTest::newRow("not a number") << QLineF(nan, 5, 50, 5) << 1.0 << QRect() << none << none;
    }

    void pixelLayer()
    {
        QFETCH(QLineF, line);
        QFETCH(qreal, ratio);
        QFETCH(QRect, written);
        QFETCH(QPoint, full);
        QFETCH(QPoint, half);
        PixelLayer layer;
        // A bigger picture first: what it wrote must not be cleared in the smaller one.
        layer.begin(QSize(200, 200), 1.0);
        layer.line(QLineF(0, 0, 199, 199), qRgba(0, 0, 0, 255));
        layer.begin(QSize(100, 20) / ratio, ratio);
        layer.line(line, qRgba(0, 0, 0, 255));
        QCOMPARE(layer.written(), written);
        const QImage &image = layer.image();
        if (full != QPoint(-1, -1))
            QCOMPARE(qAlpha(image.pixel(full)), 255);
        if (half != QPoint(-1, -1)) {
            QVERIFY(qAbs(qAlpha(image.pixel(half)) - 128) <= 2);
            QVERIFY(qAbs(qAlpha(image.pixel(half + QPoint(0, 1))) - 128) <= 2);
        }
        int touched = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                touched += qAlpha(image.pixel(x, y)) && !written.contains(x, y);
        QCOMPARE(touched, 0);

        // Squares clipped at the corner, then the written part drawn in place.
        layer.begin(QSize(100, 20) / ratio, ratio);
        layer.square(QPointF(0, 0), 6, qRgb(255, 0, 0));
        QCOMPARE(layer.written(), QRect(0, 0, 3, 3));
        QImage target(QSize(100, 20), QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(ratio);
        target.fill(Qt::white);
        {
            QPainter painter(&target);
            layer.drawOnto(painter);
        }
        QCOMPARE(target.pixelColor(2, 2), QColor(Qt::red));
        QCOMPARE(target.pixelColor(3, 3), QColor(Qt::white));
    }

    // Two screens side by side (1280 x 1000 primary, 800 x 600 right of it);
    // the standard window 420 x 460, the frame's allowance 16 x 48.
    void placeOnScreen_data()
    {
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("expected");
        const QPoint none(-1, -1);
        const QSize standard(0, 0);
        QTest::newRow("as saved") << QPoint(100, 50) << QSize(300, 200) << QRect(100, 50, 300, 200);
        QTest::newRow("on the second screen") << QPoint(1500, 10) << QSize(300, 200) << QRect(1500, 10, 300, 200);
        QTest::newRow("too large for its screen") << QPoint(1300, 0) << QSize(2000, 2000) << QRect(1280, 0, 784, 552);
        QTest::newRow("title bar off every screen") << QPoint(2000000000, -2000000000) << QSize(300, 200)
                                                    << QRect(482, 376, 300, 200);
        QTest::newRow("left of the primary") << QPoint(-500, 100) << QSize(300, 200) << QRect(482, 376, 300, 200);
        QTest::newRow("nothing saved") << none << standard << QRect(422, 246, 420, 460);
    }

    void placeOnScreen()
    {
        QFETCH(QPoint, position);
        QFETCH(QSize, size);
        QFETCH(QRect, expected);
        const QList<QRect> screens{QRect(0, 0, 1280, 1000), QRect(1280, 0, 800, 600)};
        const RadarSettings::Place place = RadarSettings::fitted(
            position == QPoint(-1, -1) ? std::nullopt : std::optional<QPoint>(position),
            size.isEmpty() ? std::nullopt : std::optional<QSize>(size), screens, QSize(420, 460));
        QCOMPARE(QRect(place.position, place.size), expected);
    }

    // Our own drawings: each of the common symbols its own, the rest a
    // box; an overlay character takes the alternate table's drawing and
    // is drawn on it.
    void symbols()
    {
        const char primary[] = ">kv<b[-_#&rO^XYsRjUaf!Kh$l;E+";
        QSet<int> shapes;
        for (const char code : QByteArray(primary))
            shapes.insert(int(SymbolIcons::shape('/', code)));
        QCOMPARE(shapes.size(), SymbolIcons::kShapes - 1);
        QVERIFY(!shapes.contains(int(SymbolIcons::Shape::Box)));
        QCOMPARE(SymbolIcons::shape('/', 'q'), SymbolIcons::Shape::Box);
        QCOMPARE(SymbolIcons::shape('S', '#'), SymbolIcons::Shape::Digipeater);
        QCOMPARE(SymbolIcons::overlay('S'), QChar(u'S'));
        QVERIFY(SymbolIcons::overlay('/').isNull() && SymbolIcons::overlay('\\').isNull());
        QVERIFY(SymbolIcons::image('S', '#', 16, 1) != SymbolIcons::image('\\', '#', 16, 1));
        QVERIFY(SymbolIcons::image('/', 'q', 16, 1) != SymbolIcons::image('/', 'w', 16, 1));
        QCOMPARE(SymbolIcons::image('/', '>', 16, 2).size(), QSize(32, 32));
    }

    // Alarming and watched stations take their labels before nearer
    // acknowledged ones; a moving station's arrow is five minutes of its
    // travel, with its label on the other side, its track ends where it is; faint stations and objects
    // are placed only inside the window, the objects with their names.
    void looksAndPriorities()
    {
        RadarInput input = threeStations();
        input.stations = {seen("ACKED", 0.1, 0.0, 11.1, SeenStation::Kind::Acked),
                          seen("LISTED", 0.1, 0.0, 11.2), seen("MOVER", 0.0, -0.1, 11.1)};
        RadarLook mover;
        mover.symbolCode = '>';
        mover.course = 90.0;
        mover.speedKmh = 60.0; // 5 km in five minutes
        mover.track = {{0.0, -0.14 * 60}, {0.0, -0.12 * 60}};
        input.looks = {RadarLook(), RadarLook(), mover};
        input.others = {{0.0, 0.15 * 60, '/', '-'}, {10.0 * 60, 0.0, '/', '-'}};
        input.objects = {{QStringLiteral("CHURCH"), -0.1 * 60, 0.0}};
        for (const bool map : {false, true}) {
            RadarScene scene;
            RadarViewing viewing;
            viewing.map = map;
            scene.build(input, QSizeF(300, 300), QFontMetricsF(QFont()), viewing);
            QCOMPARE(scene.mapShown(), map);
            const RadarMark &listed = scene.marks().at(scene.markOf("LISTED"));
            const RadarMark &acked = scene.marks().at(scene.markOf("ACKED"));
            QVERIFY(listed.labelShown);
            QVERIFY(!acked.labelShown);
            const RadarMark &m = scene.marks().at(scene.markOf("MOVER"));
            const double perKm = scene.frame().outerRadius / 25.0;
            QVERIFY2(qAbs(m.arrow.length() - 5.0 * perKm) < 1.0, qPrintable(QString::number(m.arrow.length())));
            QVERIFY(m.arrow.p2().x() > m.arrow.p1().x() && qAbs(m.arrow.dy()) < 0.5); // due east
            QVERIFY(m.labelShown && m.labelRect.right() < m.point.x()); // clear of the arrow
            QCOMPARE(m.track.size(), 3);
            QCOMPARE(m.track.last(), m.point);
            QVERIFY(m.track.first().x() < m.track.at(1).x());
            QVERIFY(listed.arrow.isNull() && listed.track.isEmpty());
            QCOMPARE(scene.others().size(), 1); // the one 600 km north is outside
            QCOMPARE(scene.objects().size(), 1);
            QVERIFY(!scene.objects().first().labelRect.isEmpty());
            QVERIFY(qAbs(scene.objects().first().point.y() - (150 + 11.1 * perKm)) < 1.5);
        }

        // Drawn: the icon with its colour ring, the track and the arrow.
        RadarView view;
        view.resize(300, 300);
        view.setInput(input);
        QImage image(view.size(), QImage::Format_ARGB32);
        {
            QPainter painter(&image);
            view.paint(painter);
        }
        const RadarMark &m = view.scene().marks().at(view.scene().markOf("MOVER"));
        QVERIFY(near(image.pixelColor((m.point + QPointF(0, -9)).toPoint()), RadarView::colour(SeenStation::Kind::Listed)));
        // A thin line: red on one of the rows it crosses.
        const QPoint shaft = m.arrow.pointAt(0.8).toPoint();
        bool red = false;
        for (int dy = -1; dy <= 1; ++dy) {
            const QColor c = image.pixelColor(shaft + QPoint(0, dy));
            red = red || (c.red() - c.green() > 80 && c.red() - c.blue() > 80);
        }
        QVERIFY(red);
    }
};

NEARBELL_TEST(RadarTest)
#include "RadarTest.moc"
