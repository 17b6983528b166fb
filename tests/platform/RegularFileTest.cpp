#include "common/TestRegistry.h"

#include "monitor/AckListFile.h"
#include "overlay/OverlayTable.h"
#include "platform/ProfileFile.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace nearbell;

// The one check behind the settings, list and overlay readers: only regular
// files are read, and refusing never waits (a FIFO would block, /dev/zero
// would never end).
class RegularFileTest : public QObject
{
    Q_OBJECT

private slots:
    void onlyRegularFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("reason");
        QTest::newRow("regular file") << "file" << true << "";
        QTest::newRow("link to a regular file") << "link" << true << "";
        QTest::newRow("FIFO") << "fifo" << false << "it is a FIFO (named pipe), not a regular file";
        QTest::newRow("link to /dev/zero") << "zero" << false << "it is a device, not a regular file";
        QTest::newRow("folder") << "folder" << false << "it is a folder, not a file";
        QTest::newRow("dangling link") << "dangling" << false << "No such file or directory";
        QTest::newRow("missing") << "missing" << false << "No such file or directory";
    }
    void onlyRegularFiles()
    {
        QFETCH(QString, kind);
        QFETCH(bool, read);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString real = dir.filePath("real.INI");
        QFile file(real);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[SETUP]\r\nRADIUS=7\r\nX!4903.50N/07201.75W#obj\r\n");
        file.close();
        const QString path = dir.filePath("nearbell.INI");
        if (kind == "file")
            QVERIFY(QFile::copy(real, path));
        else if (kind == "link")
            QVERIFY(QFile::link(real, path));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "zero")
            QVERIFY(QFile::link("/dev/zero", path));
        else if (kind == "folder")
            QVERIFY(QDir().mkpath(path));
        else if (kind == "dangling")
            QVERIFY(QFile::link(dir.filePath("gone"), path));

        QFile opened;
        QString refused;
        QCOMPARE(RegularFile::open(opened, path, &refused), read);
        if (!read)
            QCOMPARE(refused, reason);
        QCOMPARE(opened.isOpen(), read);
        if (read)
            QVERIFY(opened.readAll().startsWith("[SETUP]\r\nRADIUS=7\r\n"));
        QCOMPARE(ProfileFile::readString(path, "SETUP", "RADIUS", "25"), read ? "7" : "25");
        QStringList lines;
        QCOMPARE(AckListFile::read(path, [&](const QString &line) { lines.append(line); }), read);
        QCOMPARE(lines.size(), read ? 3 : 0);
        OverlayTable overlays;
        overlays.load_overlay_items(QStringList{path});
        QCOMPARE(overlays.gintOverlayCount(), qint16(read ? 1 : 0));

    }
};

NEARBELL_TEST(RegularFileTest)
#include "RegularFileTest.moc"
