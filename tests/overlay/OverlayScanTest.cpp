#include "OverlayFiles.h"
#include "common/TestRegistry.h"
#include "host/HostStation.h"
#include "host/ScriptedHost.h"
#include "overlay/OverlayScan.h"
#include "overlay/PositionText.h"
#include "platform/LeadingNumber.h"

#include <QLabel>
#include <QLineEdit>
#include "ui/ListBox.h"
#include <QTemporaryDir>
#include <QTest>

using namespace nearbell;
using namespace nearbell::test;

namespace {
const QString kMe = QStringLiteral("PA0ME");
} // namespace

class OverlayScanTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init();
    void listsWithinRange_data();
    void listsWithinRange();
    void rangeBoundaryIsStrict_data();
    void rangeBoundaryIsStrict();
    void linesInTableOrder();
    void nothingListedWithoutOwnPosition_data();
    void nothingListedWithoutOwnPosition();
    void clickShowsTheLine();
    void demoFolderListsNearbyObjects();

private:
    void writeOverlays(const QByteArray &content, const QString &name = "a.pos")
    {
        QVERIFY(writeBytes(m_dir->filePath("OVERLAYS/" + name), content));
    }
    QStringList listed() const
    {
        return m_list.lines();
    }
    OverlayScan makeScan(const QString &store) const
    {
        return OverlayScan(&m_list, &m_radius, &m_label, m_host.get(), m_station, kMe,
                           HostFolder(store, m_dir->path()));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    mutable ListBox m_list;
    mutable QLineEdit m_radius;
    mutable QLabel m_label;
    std::unique_ptr<ScriptedHost> m_host;
    mutable HostStation m_station;
};

void OverlayScanTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_host = std::make_unique<ScriptedHost>();
    m_host->setStation(kMe, 0.0f, 0.0f, 0.0f);
    m_list.clear();
}

void OverlayScanTest::listsWithinRange_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("range");
    QTest::addColumn<QStringList>("expected");

    // Name as written (padded to eight), a blank, distance, "km (", description, ")".
    auto line = [](const char *name, const char *distance, const char *description) {
        return QString::fromLatin1(name).leftJustified(8) + u' ' + QString::fromLatin1(distance)
               + QStringLiteral("km (") + QString::fromLatin1(description) + u')';
    };
    const QByteArray north = objectLine("NORTH", "0100.00N", "00000.00E", "one degree");
    const QByteArray here = objectLine("HERE", "0000.00N", "00000.00E", "here");
    const QStringList northListed{line("NORTH", "111.12", "one degree")};

    QTest::newRow("one degree north") << north << "200" << northListed;
    QTest::newRow("status line as description")
        << QByteArray("CHURCH  !0100.00S/00000.00W#\r\nCHURCH  >Open on Sundays") << "111.2"
        << QStringList{"CHURCH   111.12km (Open on Sundays)"};
    QTest::newRow("range with letters") << north << "112abc" << northListed;
    QTest::newRow("range below the distance") << north << "111" << QStringList{};
    QTest::newRow("empty range") << north << "" << QStringList{};
    QTest::newRow("non-numeric range") << north << "ten" << QStringList{};
    QTest::newRow("object at 0 km") << here << "0.001" << QStringList{line("HERE", ".", "here")};
    QTest::newRow("object at 0 km, range 0") << here << "0" << QStringList{};
    // 2.7 minutes of longitude on the equator are 5.0004 km.
    QTest::newRow("whole kilometres keep the separator")
        << objectLine("EQ", "0000.00N", "00002.70E", "") << "10" << QStringList{line("EQ", "5.", "")};
    QTest::newRow("no objects") << QByteArray("* nothing here\r\n") << "1000" << QStringList{};
}

void OverlayScanTest::listsWithinRange()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, range);
    QFETCH(QStringList, expected);
    writeOverlays(content);
    m_radius.setText(range);
    m_list.addItem(QStringLiteral("line of the last cycle"));
    makeScan(m_dir->filePath("no store.ini")).scan_overlays();
    QCOMPARE(listed(), expected);
    QCOMPARE(m_host->lookedUp(), QStringList{kMe});
}

void OverlayScanTest::rangeBoundaryIsStrict_data()
{
    QTest::addColumn<double>("offset");
    QTest::addColumn<int>("listed");
    QTest::newRow("exactly at the range") << 0.0 << 0;
    QTest::newRow("range a hair larger") << 1e-9 << 1;
    QTest::newRow("range a hair smaller") << -1e-9 << 0;
}

void OverlayScanTest::rangeBoundaryIsStrict()
{
    QFETCH(double, offset);
    QFETCH(int, listed);
    m_host->setStation(kMe, 0.0f, -2943.5f, -4321.75f);
    writeOverlays(objectLine("OBJ", "4903.50S", "07150.00W", "edge"));
    const double d = calc_dist(-2943.5f, -4321.75f, -2943.5f, -4310.0f);
    QVERIFY(d > 10 && d < 20);
    m_radius.setText(QString::number(d + offset, 'g', 17));
    makeScan(m_dir->filePath("no store.ini")).scan_overlays();
    QCOMPARE(m_list.count(), listed);
}

void OverlayScanTest::linesInTableOrder()
{
    // Files by name without regard to case, then lines in file order; distances unsorted.
    writeOverlays(objectLine("FAR", "0009.00N", "00000.00E", "") + "\r\n"
                      + objectLine("NEAR", "0001.00N", "00000.00E", ""), "B.pos");
    writeOverlays(objectLine("MID", "0005.00N", "00000.00E", ""), "a.POS");
    writeOverlays(objectLine("OUT", "0500.00N", "00000.00E", ""), "c.pos");
    m_radius.setText(QStringLiteral("100"));
    OverlayScan scan = makeScan(m_dir->filePath("no store.ini"));
    scan.scan_overlays();
    QStringList names;
    for (const QString &line : listed())
        names << line.section(u' ', 0, 0);
    QCOMPARE(names, (QStringList{"MID", "FAR", "NEAR"}));

    // An edited file is seen at the next cycle.
    writeOverlays(objectLine("NEW", "0001.00S", "00000.00E", ""), "B.pos");
    scan.scan_overlays();
    QCOMPARE(listed().size(), 2);
    QVERIFY(listed().at(1).startsWith(QStringLiteral("NEW ")));
}

void OverlayScanTest::nothingListedWithoutOwnPosition_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("host not attached") << "detached";
    QTest::newRow("own station unknown") << "unknown";
    QTest::newRow("host fails") << "fails";
    QTest::newRow("host vanished") << "vanished";
}

void OverlayScanTest::nothingListedWithoutOwnPosition()
{
    QFETCH(QString, failure);
    // Measured from latitude 0, longitude 0 this object would be listed.
    writeOverlays(objectLine("ORIGIN", "0000.00N", "00000.00E", "origin"));
    m_radius.setText(QStringLiteral("1000"));
    OverlayScan scan = makeScan(m_dir->filePath("no store.ini"));
    scan.scan_overlays();
    QCOMPARE(m_list.count(), 1);

    m_host->setStation(kMe, 0.0f, 3000.0f, 300.0f);
    if (failure == "detached")
        scan.setHost(nullptr);
    else if (failure == "unknown")
        m_host->removeStation(kMe);
    else if (failure == "fails")
        m_host->failGetStationFor(kMe);
    else
        m_host->vanish();
    scan.scan_overlays();
    QCOMPARE(m_list.count(), 0);
}

void OverlayScanTest::clickShowsTheLine()
{
    writeOverlays(objectLine("ONE", "0001.00N", "00000.00E", "first") + "\r\n"
                  + objectLine("TWO", "0002.00N", "00000.00E", "second"));
    m_radius.setText(QStringLiteral("10"));
    OverlayScan scan = makeScan(m_dir->filePath("no store.ini"));
    scan.scan_overlays();
    m_list.setSelectedRow(1);
    scan.lstOverlayItems_Click();
    QCOMPARE(m_label.text(), m_list.text(1));
    QVERIFY(m_label.text().startsWith(QStringLiteral("TWO      ")));

    // The next cycle loses the selection; the label keeps the line until the next click.
    scan.scan_overlays();
    QCOMPARE(m_list.currentRow(), -1);
    QCOMPARE(m_label.text(), m_list.text(1));
}

void OverlayScanTest::demoFolderListsNearbyObjects()
{
    // The demo's own station at 5212.34N 00512.34E; the setting names the
    // demo folder the way the host writes it.
    const QString store = m_dir->filePath("Peak Systems.ini");
    QVERIFY(writeStore(store, QStringLiteral(NEARBELL_SOURCE_DIR "/demo/").replace(u'/', u'\\')));
    m_host->setStation(kMe, 0.0f, 3132.34f, 312.34f);
    m_radius.setText(QStringLiteral("10"));
    OverlayScan demo = makeScan(store);
    demo.scan_overlays();

    QStringList names;
    for (const QString &line : listed()) {
        names << line.left(8).trimmed();
        QVERIFY2(leadingNumber(QStringView(line).sliced(9)) < 10, qPrintable(line));
    }
    QCOMPARE(names, (QStringList{"CLUBHS", "REPEATR", "MEETPT", "MARKET", "TOWER"}));
    QVERIFY(listed().at(2).endsWith(QStringLiteral("km (Meeting point, Sundays 10:00)")));
    QVERIFY(demo.table().gintOverlayCount() > names.size()); // farther objects are read too
}

NEARBELL_TEST(OverlayScanTest)
#include "OverlayScanTest.moc"
