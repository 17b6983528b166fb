#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "common/TestRegistry.h"
#include "monitor/SirenPath.h"

using nearbell::sirenPath;

class SirenPathTest : public QObject
{
    Q_OBJECT

private slots:
    // The program folder is searched first, then the installed data folder.
    void programFolderThenDataFolder_data()
    {
        QTest::addColumn<QStringList>("files"); // below prog/ or data/; "x/" is a folder
        QTest::addColumn<bool>("withData");
        QTest::addColumn<QString>("played");

        QTest::newRow("installed siren only") << QStringList{"data/WAV/NB_SIREN.WAV"} << true
                                              << "data/WAV/NB_SIREN.WAV";
        QTest::newRow("user's siren first")
            << QStringList{"prog/WAV/NB_SIREN.WAV", "data/WAV/NB_SIREN.WAV"} << true << "prog/WAV/NB_SIREN.WAV";
        QTest::newRow("user's fallback name before the installed siren")
            << QStringList{"prog/WAV/SIREN.WAV", "data/WAV/NB_SIREN.WAV"} << true << "prog/WAV/SIREN.WAV";
        QTest::newRow("installed fallback name") << QStringList{"data/WAV/SIREN.WAV"} << true
                                                 << "data/WAV/SIREN.WAV";
        QTest::newRow("folders are no files")
            << QStringList{"prog/WAV/NB_SIREN.WAV/", "data/WAV/NB_SIREN.WAV/"} << true << "prog/WAV/";
        QTest::newRow("removed package: nothing to play") << QStringList{} << true << "prog/WAV/";
        QTest::newRow("no data folder: as before") << QStringList{"data/WAV/NB_SIREN.WAV"} << false << "prog/WAV/";
    }

    void programFolderThenDataFolder()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, withData);
        QFETCH(QString, played);
        QTemporaryDir dir;
        for (const QString &name : files) {
            QVERIFY(QDir().mkpath(dir.filePath(name.endsWith('/') ? name : QFileInfo(name).path())));
            if (!name.endsWith('/')) {
                QFile file(dir.filePath(name));
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        }
        QCOMPARE(sirenPath(dir.filePath("prog"), withData ? dir.filePath("data") : QString()), dir.filePath(played));
    }
};

NEARBELL_TEST(SirenPathTest)
#include "SirenPathTest.moc"
