#include "OverlayFiles.h"
#include "common/TestRegistry.h"
#include "host/HostStation.h"
#include "host/ScriptedHost.h"
#include "overlay/OverlayScan.h"
#include "overlay/PositionText.h"
#include "platform/LeadingNumber.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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
    void initTestCase();
    void init();
    void cleanup();
    void listsWithinRange_data();
    void listsWithinRange();
    void rangeBoundaryIsStrict_data();
    void rangeBoundaryIsStrict();
    void linesInTableOrder();
    void nothingListedWithoutOwnPosition_data();
    void nothingListedWithoutOwnPosition();
    void scanReadsEditedFiles();
    void clickShowsTheLine();
    void demoFolderListsNearbyObjects();

private:
    void writeOverlays(const QByteArray &content, const QString &name = "a.pos")
    {
        QVERIFY(writeBytes(m_dir->filePath("OVERLAYS/" + name), content));
    }
    QStringList listed() const
    {
        QStringList lines;
        for (int i = 0; i < m_list->count(); ++i)
            lines << m_list->item(i)->text();
        return lines;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QListWidget> m_list;
    std::unique_ptr<QLineEdit> m_radius;
    std::unique_ptr<QLabel> m_label;
    std::unique_ptr<ScriptedHost> m_host;
    HostStation m_station;
    std::unique_ptr<OverlayScan> m_scan;
};

void OverlayScanTest::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void OverlayScanTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_list = std::make_unique<QListWidget>();
    m_radius = std::make_unique<QLineEdit>();
    m_label = std::make_unique<QLabel>();
    m_host = std::make_unique<ScriptedHost>();
    m_host->setStation(kMe, 0.0f, 0.0f, 0.0f);
    // No store file: the program's own folder is the host folder.
    m_scan = std::make_unique<OverlayScan>(
        m_list.get(), m_radius.get(), m_label.get(), m_host.get(), m_station, kMe,
        HostFolder(m_dir->filePath("no store.ini"), m_dir->path()));
}

void OverlayScanTest::cleanup()
{
    m_scan.reset();
}

void OverlayScanTest::listsWithinRange_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("range");
    QTest::addColumn<QStringList>("expected");

    // Name as written (padded to eight), one blank, distance, "km (", description, ")".
    auto line = [](const char *name, const char *distance, const char *description) {
        return QString::fromLatin1(name).leftJustified(8) + u' ' + QString::fromLatin1(distance)
               + QStringLiteral("km (") + QString::fromLatin1(description) + u')';
    };
    const QByteArray degreeNorth = objectLine("NORTH", "0100.00N", "00000.00E", "one degree");
    const QByteArray here = objectLine("HERE", "0000.00N", "00000.00E", "here");

    QTest::newRow("one degree north")
        << degreeNorth << "200" << QStringList{line("NORTH", "111.12", "one degree")};
    QTest::newRow("name blanks kept, status as description")
        << QByteArray("CHURCH  !0100.00S/00000.00W#\r\nCHURCH  >Open on Sundays") << "111.2"
        << QStringList{"CHURCH   111.12km (Open on Sundays)"};
    QTest::newRow("range with letters counts its number")
        << degreeNorth << "112abc" << QStringList{line("NORTH", "111.12", "one degree")};
    QTest::newRow("range with blanks")
        << degreeNorth << "  1 12 km" << QStringList{line("NORTH", "111.12", "one degree")};
    QTest::newRow("range below the distance") << degreeNorth << "111" << QStringList{};
    QTest::newRow("empty range") << degreeNorth << "" << QStringList{};
    QTest::newRow("non-numeric range") << degreeNorth << "ten" << QStringList{};
    QTest::newRow("object at the own position, small range")
        << here << "0.001" << QStringList{line("HERE", ".", "here")};
    QTest::newRow("object at the own position, zero range") << here << "0" << QStringList{};
    // 2.7 minutes of longitude on the equator are 5.0004 km.
    QTest::newRow("whole kilometres keep the separator")
        << here + "\r\n" + objectLine("EQ", "0000.00N", "00002.70E", "") << "10"
        << QStringList{line("HERE", ".", "here"), line("EQ", "5.", "")};
    QTest::newRow("no objects") << QByteArray("* nothing here\r\n") << "1000" << QStringList{};
}

void OverlayScanTest::listsWithinRange()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, range);
    QFETCH(QStringList, expected);
    writeOverlays(content);
    m_radius->setText(range);
    m_list->addItem(QStringLiteral("stale line of the last cycle"));

    m_scan->scan_overlays();
    QCOMPARE(listed(), expected);
    QCOMPARE(m_host->lookedUp(), QStringList{kMe});
}

void OverlayScanTest::rangeBoundaryIsStrict_data()
{
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("listed");
    QTest::newRow("exactly at the range") << 0.0 << false;
    QTest::newRow("range a hair larger") << 1e-9 << true;
    QTest::newRow("range a hair smaller") << -1e-9 << false;
}

void OverlayScanTest::rangeBoundaryIsStrict()
{
    QFETCH(double, offset);
    QFETCH(bool, listed);
    // The own station somewhere in the south west, the object north east of it.
    m_host->setStation(kMe, 0.0f, -2943.5f, -4321.75f);
    writeOverlays(objectLine("OBJ", "4903.50S", "07150.00W", "edge"));
    const double d = calc_dist(-2943.5f, -4321.75f, -2943.5f, -4310.0f);
    QVERIFY(d > 10 && d < 20);
    m_radius->setText(QString::number(d + offset, 'g', 17));
    m_scan->scan_overlays();
    QCOMPARE(m_list->count(), listed ? 1 : 0);
}

void OverlayScanTest::linesInTableOrder()
{
    // Files by name without regard to case, lines in file order, distances unsorted.
    writeOverlays(objectLine("FAR", "0009.00N", "00000.00E", "") + "\r\n"
                      + objectLine("NEAR", "0001.00N", "00000.00E", "") + "\r\n",
                  "B.pos");
    writeOverlays(objectLine("MID", "0005.00N", "00000.00E", ""), "a.POS");
    writeOverlays(objectLine("OUT", "0500.00N", "00000.00E", ""), "c.pos");
    m_radius->setText(QStringLiteral("100"));
    m_scan->scan_overlays();
    QStringList names;
    for (const QString &line : listed())
        names << line.section(u' ', 0, 0);
    QCOMPARE(names, (QStringList{"MID", "FAR", "NEAR"}));
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
    // The object lies at latitude 0, longitude 0: measured from there it
    // would be listed.
    writeOverlays(objectLine("ORIGIN", "0000.00N", "00000.00E", "origin"));
    m_radius->setText(QStringLiteral("1000"));
    m_scan->scan_overlays();
    QCOMPARE(m_list->count(), 1);

    m_host->setStation(kMe, 0.0f, 3000.0f, 300.0f);
    if (failure == "detached")
        m_scan->setHost(nullptr);
    else if (failure == "unknown")
        m_host->removeStation(kMe);
    else if (failure == "fails")
        m_host->failGetStationFor(kMe);
    else
        m_host->vanish();
    m_scan->scan_overlays();
    QCOMPARE(m_list->count(), 0);

    // Once the host answers again, the list comes back.
    m_host->clearFailures();
    m_host->reappear();
    m_host->setStation(kMe, 0.0f, 0.0f, 0.0f);
    m_scan->setHost(m_host.get());
    m_scan->scan_overlays();
    QCOMPARE(m_list->count(), 1);
}

void OverlayScanTest::scanReadsEditedFiles()
{
    writeOverlays(objectLine("ONE", "0001.00N", "00000.00E", "first"));
    m_radius->setText(QStringLiteral("10"));
    m_scan->scan_overlays();
    QCOMPARE(m_list->count(), 1);
    writeOverlays(objectLine("TWO", "0001.00S", "00000.00E", "second") + "\r\n"
                  + objectLine("THREE", "0002.00S", "00000.00E", "third"));
    m_scan->scan_overlays();
    QCOMPARE(m_list->count(), 2);
    QVERIFY(m_list->item(0)->text().startsWith(QStringLiteral("TWO ")));
    QCOMPARE(m_scan->table().gintOverlayCount(), qint16(2));
}

void OverlayScanTest::clickShowsTheLine()
{
    writeOverlays(objectLine("ONE", "0001.00N", "00000.00E", "first") + "\r\n"
                  + objectLine("TWO", "0002.00N", "00000.00E", "second"));
    m_radius->setText(QStringLiteral("10"));
    m_scan->scan_overlays();
    QCOMPARE(m_list->count(), 2);

    m_list->setCurrentRow(1);
    m_scan->lstOverlayItems_Click();
    QCOMPARE(m_label->text(), m_list->item(1)->text());
    QVERIFY(m_label->text().startsWith(QStringLiteral("TWO      ")));

    // The next cycle empties the list; the label keeps the line until the next click.
    m_scan->scan_overlays();
    QCOMPARE(m_list->currentRow(), -1);
    QVERIFY(m_label->text().startsWith(QStringLiteral("TWO ")));
}

void OverlayScanTest::demoFolderListsNearbyObjects()
{
    // The demo's own station stands at 5212.34N 00512.34E; the host's
    // setting names the demo folder the way the host writes it.
    const QString store = m_dir->filePath("Peak Systems.ini");
    QVERIFY(writeStore(store, QStringLiteral(NEARBELL_SOURCE_DIR "/demo/").replace(u'/', u'\\')));
    m_host->setStation(kMe, 0.0f, 3132.34f, 312.34f);
    OverlayScan demo(m_list.get(), m_radius.get(), m_label.get(), m_host.get(), m_station, kMe,
                     HostFolder(store, m_dir->path()));
    m_radius->setText(QStringLiteral("10"));
    demo.scan_overlays();

    QStringList names;
    for (const QString &line : listed()) {
        names << line.left(8).trimmed();
        const double km = leadingNumber(QStringView(line).sliced(9));
        QVERIFY2(km > 0 && km < 10, qPrintable(line));
    }
    QCOMPARE(names, (QStringList{"CLUBHS", "REPEATR", "MEETPT", "MARKET", "TOWER"}));
    QVERIFY(listed().at(2).endsWith(QStringLiteral("km (Meeting point, Sundays 10:00)")));
    // Farther objects are there too, outside this range.
    QVERIFY(demo.table().gintOverlayCount() > names.size());
}

NEARBELL_TEST(OverlayScanTest)
#include "OverlayScanTest.moc"
