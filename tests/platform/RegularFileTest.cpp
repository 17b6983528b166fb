#include "common/TestRegistry.h"

#include "platform/ProfileFile.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace nearbell;

// The one check behind the settings, list and overlay readers: only regular
// files are read, and refusing never waits.
class RegularFileTest : public QObject
{
    Q_OBJECT

private slots:
    void onlyRegularFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("read");
        QTest::newRow("regular file") << "file" << true;
        QTest::newRow("link to a regular file") << "link" << true;
        QTest::newRow("FIFO") << "fifo" << false;
        QTest::newRow("link to /dev/zero") << "zero" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("dangling link") << "dangling" << false;
        QTest::newRow("missing") << "missing" << false;
    }
    void onlyRegularFiles()
    {
        QFETCH(QString, kind);
        QFETCH(bool, read);
        QTemporaryDir dir;
        const QString real = dir.filePath("real.INI");
        QFile file(real);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[SETUP]\r\nRADIUS=7\r\n");
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
        QCOMPARE(RegularFile::open(opened, path), read);
        QCOMPARE(opened.isOpen(), read);
        if (read)
            QCOMPARE(opened.readAll(), QByteArray("[SETUP]\r\nRADIUS=7\r\n"));
        QCOMPARE(ProfileFile::readString(path, "SETUP", "RADIUS", "25"), read ? "7" : "25");
    }
};

NEARBELL_TEST(RegularFileTest)
#include "RegularFileTest.moc"
