#include "OverlayFiles.h"
#include "common/TestRegistry.h"
#include "overlay/OverlayTable.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace nearbell;
using namespace nearbell::test;

namespace {
// "name|comment|latitude|longitude" of every current object, in table order.
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
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    void lineRules_data();
    void lineRules();
    void countCapsAt2500();
    void badFilesLeaveTheOthersRead();

private:
    QString file(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void OverlayTableTest::lineRules_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");

    const QByteArray church = "CHURCH  !5212.34N/00512.34E#";
    const QByteArray a = "A!4903.50N/07201.75W#";
    const QByteArray b = "B!4903.50S/07201.75E#";
    const QString aPos = QStringLiteral("2943.50|-4321.75");
    const QString bPos = QStringLiteral("-2943.50|4321.75");
    QByteArray noise(200 * 1024, '\0');
    QRandomGenerator random(4711);
    for (char &c : noise)
        c = char(random.bounded(256));

    QTest::newRow("object with description")
        << church + "Old church\r\n" << QStringList{"CHURCH  |Old church|3132.34|312.34"};
    QTest::newRow("star inside the description") << church + "Old *church" << QStringList{};
    QTest::newRow("bang at position 9") << "ABCDEFGH" + a.mid(1) + "x"
                                        << QStringList{"ABCDEFGH|x|" + aPos};
    QTest::newRow("bang at position 10") << "ABCDEFGHI" + a.mid(1) + "x" << QStringList{};
    QTest::newRow("bang at position 1: empty name") << a.mid(1) + "x" << QStringList{"|x|" + aPos};
    QTest::newRow("description leaves the next line to the loop")
        << a + "one\r\n" + b + "two\r\n" << QStringList{"A|one|" + aPos, "B|two|" + bPos};
    QTest::newRow("status line gives the description")
        << church + "\r\nCHURCH  >Open on Sundays\r\n"
        << QStringList{"CHURCH  |Open on Sundays|3132.34|312.34"};
    QTest::newRow("status line with a star and a second >")
        << a + "\r\nA>Open * late>x\r\n" << QStringList{"A|Open * late>x|" + aPos};
    QTest::newRow("status line of an empty name") << a.mid(1) + "\r\n>Hi" << QStringList{"|Hi|" + aPos};
    QTest::newRow("status line differs in case")
        << church + "\r\nchurch  >Open\r\n" << QStringList{"CHURCH  ||3132.34|312.34"};
    QTest::newRow("status line differs in trailing blanks")
        << church + "\r\nCHURCH >Open\r\n" << QStringList{"CHURCH  ||3132.34|312.34"};
    QTest::newRow("object line after an object without description is kept")
        << a + "\r\n" + b + "two\r\n" << QStringList{"A||" + aPos, "B|two|" + bPos};
    QTest::newRow("no description on the last line") << a << QStringList{"A||" + aPos};
    QTest::newRow("line shorter than the description column")
        << a.chopped(1) + "\r\nA>Status" << QStringList{"A|Status|" + aPos};
    QTest::newRow("unreadable latitude letter") << QByteArray("A!4903.50X/07201.75W#x") << QStringList{};
    QTest::newRow("latitude without point") << QByteArray("A!4903050N/07201.75W#x") << QStringList{};
    QTest::newRow("longitude missing") << QByteArray("A!4903.50N") << QStringList{};
    QTest::newRow("latitude letter for the longitude")
        << QByteArray("A!4903.50N/07201.75N#x") << QStringList{};
    // Were the status line examined on its own, it would be an object "A>".
    QTest::newRow("unreadable object still takes its status line")
        << "A!4903.50X/07201.75W#\r\nA>" + a.mid(1) + "ghost" << QStringList{};
    QTest::newRow("LF line ends") << a + "one\n" + b + "\nB>two\n"
                                  << QStringList{"A|one|" + aPos, "B|two|" + bPos};
    QTest::newRow("CR line ends") << a + "one\r" + b + "\rB>two"
                                  << QStringList{"A|one|" + aPos, "B|two|" + bPos};
    QTest::newRow("LF CR is two line ends") << a + "\n\rA>lost" << QStringList{"A||" + aPos};
    QTest::newRow("Windows-1252 and NUL bytes")
        << a + QByteArray("\x80 \xe9t\xe9 \0!", 8) << QStringList{QString::fromUtf8("A|€ été ") + QChar(0) + "!|" + aPos};
    QTest::newRow("random bytes around object lines")
        << noise + "\r\n" + a + "in\r\n" + noise + "\n" + a + "in" << QStringList{"A|in|" + aPos, "A|in|" + aPos};
    QTest::newRow("CR at the end of the first read")
        << QByteArray(64 * 1024 - 1, 'z') + "\r\n" + a + "x" << QStringList{"A|x|" + aPos};
    const qsizetype longest = 64 * 1024; // bytes one overlay line may have
    QTest::newRow("64 KB line") << a + QByteArray(longest - a.size(), 'd') + "\r\n" + b + "x"
                                << QStringList{"A|" + QString(longest - a.size(), u'd') + u'|' + aPos, "B|x|" + bPos};
    QTest::newRow("longer line ends its file")
        << b + "x\r\n" + a + QByteArray(longest + 1 - a.size(), 'd') + "\r\n" + b + "y"
        << QStringList{"B|x|" + bPos};
    QTest::newRow("longer last line") << b + "x\r" + a + QByteArray(longest + 1 - a.size(), 'd')
                                      << QStringList{"B|x|" + bPos};
    QTest::newRow("5 MB line without line end") << QByteArray(5 << 20, '!') << QStringList{};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void OverlayTableTest::lineRules()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    QVERIFY(writeBytes(file("a.pos"), content));
    QVERIFY(writeBytes(file("b.pos"), objectLine("NEXT", "0000.00N", "00000.00E", "next file")));
    OverlayTable table;
    table.load_overlay_items(QStringList{file("a.pos"), file("b.pos")});
    // Whatever one file holds, the next file is read after it.
    QCOMPARE(describe(table), expected << "NEXT    |next file|0.00|0.00");
}

void OverlayTableTest::countCapsAt2500()
{
    // 2501 objects over two files: the last one read overwrites slot 2500.
    QByteArray first, second;
    for (int i = 1; i <= 2501; ++i)
        (i <= 1500 ? first : second) += objectLine("O" + QByteArray::number(i), "4903.50N", "07201.75W",
                                                   i <= 1500 ? "first" : "second") + "\r\n";
    QVERIFY(writeBytes(file("1.pos"), first));
    QVERIFY(writeBytes(file("2.pos"), second));
    OverlayTable table;
    table.load_overlay_items(QStringList{file("1.pos"), file("2.pos")});
    QCOMPARE(table.gintOverlayCount(), qint16(2500));
    QCOMPARE(table.gOverlayItems(1500).strComment, QStringLiteral("first"));
    QCOMPARE(table.gOverlayItems(2499).strName, QStringLiteral("O2499   "));
    QCOMPARE(table.gOverlayItems(2500).strName, QStringLiteral("O2501   "));
    QVERIFY(table.gOverlayItems(0).strName.isEmpty());

    // The next load starts again at slot 1.
    table.load_overlay_items(QStringList{file("2.pos")});
    QCOMPARE(table.gintOverlayCount(), qint16(1001));
    QCOMPARE(table.gOverlayItems(1).strName, QStringLiteral("O1501   "));
}

void OverlayTableTest::badFilesLeaveTheOthersRead()
{
    QVERIFY(writeBytes(file("good1.pos"), objectLine("G1", "4903.50N", "07201.75W", "one")));
    QVERIFY(writeBytes(file("good2.pos"), objectLine("G2", "4903.50N", "07201.75W", "two")));
    QVERIFY(writeBytes(file("locked.pos"), objectLine("L", "4903.50N", "07201.75W", "locked")));
    QVERIFY(QFile::setPermissions(file("locked.pos"), QFileDevice::Permissions()));
    QVERIFY(QDir().mkpath(file("folder.pos")));

    OverlayTable table;
    table.load_overlay_items(QStringList{file("good1.pos"), file("missing.pos"), file("folder.pos"),
                                         file("locked.pos"), file("good2.pos")});
    // A privileged user may still read the locked file; either way the
    // files around it are read.
    const bool readable = QFile(file("locked.pos")).open(QIODevice::ReadOnly);
    QStringList names;
    for (int i = 1; i <= table.gintOverlayCount(); ++i)
        names << table.gOverlayItems(i).strName.trimmed();
    QCOMPARE(names, (readable ? QStringList{"G1", "L", "G2"} : QStringList{"G1", "G2"}));
}

NEARBELL_TEST(OverlayTableTest)
#include "OverlayTableTest.moc"
