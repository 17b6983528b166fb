#include "OverlayFiles.h"
#include "common/TestRegistry.h"
#include "overlay/OverlayTable.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace nearbell;
using namespace nearbell::test;

namespace {
// "name|comment|latitude|longitude", one per expected object, in table order.
QStringList describe(const OverlayTable &table)
{
    QStringList items;
    for (int i = 1; i <= table.gintOverlayCount(); ++i) {
        const OverlayItem &item = table.gOverlayItems(i);
        items << item.strName + u'|' + item.strComment + u'|'
                     + QString::number(double(item.sngLatitude), 'f', 2) + u'|'
                     + QString::number(double(item.sngLongitude), 'f', 2);
    }
    return items;
}
} // namespace

class OverlayTableTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void lineRules_data();
    void lineRules();
    void countCapsAt2500();
    void filesInOrderAndReloadSeesEdits();
    void badFilesLeaveTheOthersRead();
    void binaryAndHugeContent_data();
    void binaryAndHugeContent();

private:
    QString file(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void OverlayTableTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void OverlayTableTest::lineRules_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");

    const QByteArray church = "CHURCH  !5212.34N/00512.34E#";
    const QByteArray a = "A!4903.50N/07201.75W#";
    const QByteArray b = "B!4903.50S/07201.75E#";
    const QString aPos = QStringLiteral("2943.50|-4321.75");
    const QString bPos = QStringLiteral("-2943.50|4321.75");

    QTest::newRow("object with description")
        << church + "Old church\r\n" << QStringList{"CHURCH  |Old church|3132.34|312.34"};
    QTest::newRow("star inside the description")
        << church + "Old *church\r\n" << QStringList{};
    QTest::newRow("star in the name") << QByteArray("CH*RCH  !5212.34N/00512.34E#x\r\n") << QStringList{};
    QTest::newRow("bang at position 9")
        << QByteArray("ABCDEFGH!4903.50N/07201.75W#x") << QStringList{"ABCDEFGH|x|" + aPos};
    QTest::newRow("bang at position 10") << QByteArray("ABCDEFGHI!4903.50N/07201.75W#x")
                                         << QStringList{};
    QTest::newRow("bang at position 1: empty name")
        << QByteArray("!4903.50N/07201.75W#x") << QStringList{"|x|" + aPos};
    QTest::newRow("no bang") << QByteArray("CHURCH  5212.34N/00512.34E#x") << QStringList{};
    QTest::newRow("second bang later in the line")
        << QByteArray("A!4903.50N/07201.75W#Look!") << QStringList{"A|Look!|" + aPos};
    QTest::newRow("description leaves the next line to the loop")
        << a + "one\r\n" + b + "two\r\n" << QStringList{"A|one|" + aPos, "B|two|" + bPos};
    QTest::newRow("status line gives the description")
        << church + "\r\nCHURCH  >Open on Sundays\r\n"
        << QStringList{"CHURCH  |Open on Sundays|3132.34|312.34"};
    QTest::newRow("status line with a star is still the status")
        << a + "\r\nA>Open * late\r\n" << QStringList{"A|Open * late|" + aPos};
    QTest::newRow("status line of an empty name")
        << QByteArray("!4903.50N/07201.75W#\r\n>Hello\r\n") << QStringList{"|Hello|" + aPos};
    QTest::newRow("status text after the first >")
        << a + "\r\nA>x>y\r\n" << QStringList{"A|x>y|" + aPos};
    QTest::newRow("status line differs in case")
        << church + "\r\nchurch  >Open\r\n" << QStringList{"CHURCH  ||3132.34|312.34"};
    QTest::newRow("status line differs in trailing blanks")
        << church + "\r\nCHURCH >Open\r\n" << QStringList{"CHURCH  ||3132.34|312.34"};
    QTest::newRow("object line after an object without description is kept")
        << a + "\r\n" + b + "two\r\n" << QStringList{"A||" + aPos, "B|two|" + bPos};
    QTest::newRow("no description on the last line")
        << QByteArray(a) << QStringList{"A||" + aPos};
    QTest::newRow("line shorter than the description column")
        << QByteArray("A!4903.50N/07201.75W\r\nA>Status\r\n") << QStringList{"A|Status|" + aPos};
    QTest::newRow("unreadable hemisphere letter")
        << QByteArray("A!4903.50X/07201.75W#x\r\n") << QStringList{};
    QTest::newRow("lower-case hemisphere letter")
        << QByteArray("A!4903.50n/07201.75W#x\r\n") << QStringList{};
    QTest::newRow("latitude without point") << QByteArray("A!4903050N/07201.75W#x") << QStringList{};
    QTest::newRow("longitude missing") << QByteArray("A!4903.50N") << QStringList{};
    QTest::newRow("longitude letter swapped")
        << QByteArray("A!4903.50N/07201.75N#x") << QStringList{};
    QTest::newRow("unreadable object still takes its status line")
        << a.left(9) + "X/07201.75W#\r\nA>!4903.50N/07201.75W#ghost\r\n" << QStringList{};
    QTest::newRow("one-digit fraction") << QByteArray("A!4903.5 N/07201.75W#x")
                                        << QStringList{"A|x|2943.05|-4321.75"};
    QTest::newRow("LF line ends") << a + "one\n" + b + "\nB>two\n"
                                  << QStringList{"A|one|" + aPos, "B|two|" + bPos};
    QTest::newRow("CR line ends") << a + "one\r" + b + "\rB>two\r"
                                  << QStringList{"A|one|" + aPos, "B|two|" + bPos};
    QTest::newRow("LF CR is two line ends") << a + "\n\rA>lost" << QStringList{"A||" + aPos};
    QTest::newRow("blank lines and comments") << "\r\n\r\n* header\r\n" + a + "one\r\n\r\n"
                                              << QStringList{"A|one|" + aPos};
    QTest::newRow("Windows-1252 description")
        << a + "5 \x80 \xe9t\xe9\r\n" << QStringList{QString::fromUtf8("A|5 € été|") + aPos};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void OverlayTableTest::lineRules()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    QVERIFY(writeBytes(file("a.pos"), content));
    OverlayTable table;
    table.load_overlay_items(QStringList{file("a.pos")});
    QCOMPARE(describe(table), expected);
}

void OverlayTableTest::countCapsAt2500()
{
    // 2501 objects over two files: the last one read overwrites slot 2500.
    QByteArray first;
    for (int i = 1; i <= 1500; ++i)
        first += objectLine("O" + QByteArray::number(i), "4903.50N", "07201.75W", "first") + "\r\n";
    QByteArray second;
    for (int i = 1501; i <= 2501; ++i)
        second += objectLine("O" + QByteArray::number(i), "4903.50N", "07201.75W", "second") + "\n";
    QVERIFY(writeBytes(file("1.pos"), first));
    QVERIFY(writeBytes(file("2.pos"), second));

    OverlayTable table;
    table.load_overlay_items(QStringList{file("1.pos"), file("2.pos")});
    QCOMPARE(table.gintOverlayCount(), qint16(2500));
    QCOMPARE(table.gOverlayItems(1).strName, QStringLiteral("O1      "));
    QCOMPARE(table.gOverlayItems(1500).strComment, QStringLiteral("first"));
    QCOMPARE(table.gOverlayItems(2499).strName, QStringLiteral("O2499   "));
    QCOMPARE(table.gOverlayItems(2500).strName, QStringLiteral("O2501   "));
    QCOMPARE(table.gOverlayItems(2500).strComment, QStringLiteral("second"));
    QVERIFY(table.gOverlayItems(0).strName.isEmpty());

    // Exactly 2500 fill the table without overwriting.
    QVERIFY(writeBytes(file("2.pos"), second.left(second.lastIndexOf("O2501"))));
    table.load_overlay_items(QStringList{file("1.pos"), file("2.pos")});
    QCOMPARE(table.gintOverlayCount(), qint16(2500));
    QCOMPARE(table.gOverlayItems(2500).strName, QStringLiteral("O2500   "));
}

void OverlayTableTest::filesInOrderAndReloadSeesEdits()
{
    QVERIFY(writeBytes(file("x.pos"), objectLine("X1", "4903.50N", "07201.75W", "x") + "\r\n"
                                          + objectLine("X2", "4903.50N", "07201.75W", "x")));
    QVERIFY(writeBytes(file("y.pos"), objectLine("Y1", "4903.50N", "07201.75W", "y")));
    OverlayTable table;
    table.load_overlay_items(QStringList{file("y.pos"), file("x.pos")});
    QCOMPARE(table.gintOverlayCount(), qint16(3));
    QCOMPARE(table.gOverlayItems(1).strName.trimmed(), QStringLiteral("Y1"));
    QCOMPARE(table.gOverlayItems(3).strName.trimmed(), QStringLiteral("X2"));

    // The next load starts again at slot 1 and sees the edited file.
    QVERIFY(writeBytes(file("x.pos"), objectLine("X9", "4903.50S", "07201.75W", "edited")));
    table.load_overlay_items(QStringList{file("x.pos")});
    QCOMPARE(table.gintOverlayCount(), qint16(1));
    QCOMPARE(table.gOverlayItems(1).strComment, QStringLiteral("edited"));
    QCOMPARE(table.gOverlayItems(1).sngLatitude, -2943.5f);

    table.load_overlay_items(QStringList{});
    QCOMPARE(table.gintOverlayCount(), qint16(0));
}

void OverlayTableTest::badFilesLeaveTheOthersRead()
{
    QVERIFY(writeBytes(file("good1.pos"), objectLine("G1", "4903.50N", "07201.75W", "one")));
    QVERIFY(writeBytes(file("good2.pos"), objectLine("G2", "4903.50N", "07201.75W", "two")));
    QVERIFY(writeBytes(file("locked.pos"), objectLine("L", "4903.50N", "07201.75W", "locked")));
    QVERIFY(QFile::setPermissions(file("locked.pos"), QFileDevice::Permissions()));
    QVERIFY(QDir().mkpath(file("folder.pos")));
    QVERIFY(writeBytes(file("empty.pos"), QByteArray()));

    OverlayTable table;
    table.load_overlay_items(QStringList{file("good1.pos"), file("missing.pos"), file("folder.pos"),
                                         file("locked.pos"), file("empty.pos"), file("good2.pos")});
    QStringList names;
    for (int i = 1; i <= table.gintOverlayCount(); ++i)
        names << table.gOverlayItems(i).strName.trimmed();
    // A privileged user may still read the locked file; either way it cannot
    // disturb the files around it.
    QFile probe(file("locked.pos"));
    const QStringList expected = probe.open(QIODevice::ReadOnly) ? QStringList{"G1", "L", "G2"}
                                                                 : QStringList{"G1", "G2"};
    QCOMPARE(names, expected);
    QFile::setPermissions(file("locked.pos"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void OverlayTableTest::binaryAndHugeContent_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("objectsInside");

    QByteArray noise(300 * 1024, '\0');
    QRandomGenerator random(4711);
    for (char &c : noise)
        c = char(random.bounded(256));
    const QByteArray object = objectLine("IN", "4903.50N", "07201.75W", "inside");

    QTest::newRow("random bytes") << noise << -1;
    QTest::newRow("random bytes around object lines")
        << noise + "\r\n" + object + "\r\n" + noise + "\n" + object + "\r\n" << -1;
    QTest::newRow("NUL bytes in an object line")
        << objectLine(QByteArray("N\0L", 3), "4903.50N", "07201.75W", QByteArray("a\0b", 3)) << 1;
    QTest::newRow("3 MB description")
        << object + QByteArray(3 * 1024 * 1024, 'd') + "\r\n" + object + "\r\n" << 2;
    QTest::newRow("5 MB line without line end") << QByteArray(5 * 1024 * 1024, '!') << 0;
    QTest::newRow("CR at a buffer boundary")
        << QByteArray(64 * 1024 - 1, 'z') + "\r\n" + object + "\r\n" << 1;
    QTest::newRow("only line ends") << QByteArray(100000, '\r') + QByteArray(100000, '\n') << 0;
}

void OverlayTableTest::binaryAndHugeContent()
{
    QFETCH(QByteArray, content);
    QFETCH(int, objectsInside);
    const QByteArray after = objectLine("AFTER", "4903.50N", "07201.75W", "after");
    QVERIFY(writeBytes(file("bad.pos"), content));
    QVERIFY(writeBytes(file("z.pos"), after));

    OverlayTable table;
    table.load_overlay_items(QStringList{file("bad.pos"), file("z.pos")});
    const int count = table.gintOverlayCount();
    QVERIFY(count >= 1 && count <= OverlayTable::kMaxItems);
    if (objectsInside >= 0)
        QCOMPARE(count, objectsInside + 1);
    // Whatever came before, the following file is read and every stored
    // position is a real one.
    QCOMPARE(table.gOverlayItems(count).strComment, QStringLiteral("after"));
    for (int i = 1; i <= count; ++i) {
        QVERIFY(std::fabs(table.gOverlayItems(i).sngLatitude) <= 99 * 60 + 99.99f);
        QVERIFY(std::fabs(table.gOverlayItems(i).sngLongitude) <= 546 * 60 + 99.99f);
    }
    if (QTest::currentDataTag() == QByteArray("3 MB description"))
        QCOMPARE(table.gOverlayItems(1).strComment, "inside" + QString(3 * 1024 * 1024, u'd'));
    if (QTest::currentDataTag() == QByteArray("NUL bytes in an object line")) {
        QCOMPARE(table.gOverlayItems(1).strName, QString::fromLatin1("N\0L     ", 8));
        QCOMPARE(table.gOverlayItems(1).strComment, QString::fromLatin1("a\0b", 3));
    }
}

NEARBELL_TEST(OverlayTableTest)
#include "OverlayTableTest.moc"
