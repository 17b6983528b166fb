#include "OverlayFiles.h"
#include "common/TestRegistry.h"
#include "overlay/HostFolder.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace nearbell;
using namespace nearbell::test;

class HostFolderTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void folderFromSetting_data();
    void folderFromSetting();
    void overlaysSubfolderInAnyCase_data();
    void overlaysSubfolderInAnyCase();
    void positionFilesInHostOrder();
    void defaultStorePath();

private:
    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    QStringList fileNames(const QStringList &paths) const
    {
        QStringList names;
        for (const QString &p : paths)
            names << QFileInfo(p).fileName();
        return names;
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void HostFolderTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(writeBytes(path("host/OVERLAYS/host.pos"), "x"));
    QVERIFY(writeBytes(path("own/OVERLAYS/own.pos"), "x"));
}

void HostFolderTest::folderFromSetting_data()
{
    QTest::addColumn<bool>("writeStoreFile");
    QTest::addColumn<QString>("setting"); // "<tmp>" stands for the test folder
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("no store file: own folder") << false << QString() << QStringList{"own.pos"};
    QTest::newRow("empty setting: own folder") << true << QString() << QStringList{"own.pos"};
    QTest::newRow("blank setting: own folder") << true << QString("   ") << QStringList{"own.pos"};
    QTest::newRow("plain folder") << true << QString("<tmp>/host") << QStringList{"host.pos"};
    QTest::newRow("final backslash") << true << QString("<tmp>\\host\\") << QStringList{"host.pos"};
    QTest::newRow("backslashes throughout")
        << true << QString("<tmp>/host").replace(u'/', u'\\') << QStringList{"host.pos"};
    QTest::newRow("doubled separators") << true << QString("<tmp>\\\\host\\\\")
                                        << QStringList{"host.pos"};
    QTest::newRow("folder that does not exist") << true << QString("<tmp>\\gone\\")
                                                << QStringList{};
    QTest::newRow("foreign drive letter") << true << QString("C:\\Program Files\\UI-View32\\")
                                          << QStringList{};
}

void HostFolderTest::folderFromSetting()
{
    QFETCH(bool, writeStoreFile);
    QFETCH(QString, setting);
    QFETCH(QStringList, expected);
    const QString store = path("config/Peak Systems.ini");
    if (writeStoreFile)
        QVERIFY(writeStore(store, setting.replace(QStringLiteral("<tmp>"), m_dir->path())));

    const HostFolder folder(store, path("own"));
    QCOMPARE(fileNames(folder.overlayFiles()), expected);
    for (const QString &file : folder.overlayFiles())
        QVERIFY(QFileInfo(file).isFile());
}

void HostFolderTest::overlaysSubfolderInAnyCase_data()
{
    QTest::addColumn<QString>("subfolder");
    QTest::addColumn<bool>("found");
    QTest::newRow("upper case") << "OVERLAYS" << true;
    QTest::newRow("lower case") << "overlays" << true;
    QTest::newRow("mixed case") << "OverLays" << true;
    QTest::newRow("other name") << "overlay" << false;
}

void HostFolderTest::overlaysSubfolderInAnyCase()
{
    QFETCH(QString, subfolder);
    QFETCH(bool, found);
    QVERIFY(writeBytes(path("case/" + subfolder + "/a.pos"), "x"));
    QVERIFY(writeBytes(path("case/not a folder"), "x"));
    const QString overlays = HostFolder::findOverlaysFolder(path("case"));
    QCOMPARE(!overlays.isEmpty(), found);
    if (found)
        QCOMPARE(QFileInfo(overlays).fileName(), subfolder);
    // A file named like the folder is no overlay folder.
    QVERIFY(writeBytes(path("file/overlays"), "x"));
    QVERIFY(HostFolder::findOverlaysFolder(path("file")).isEmpty());
}

void HostFolderTest::positionFilesInHostOrder()
{
    const QString dir = path("order");
    for (const char *name : {"b.pos", "A.pos", "_x.pos", "c.POS", "Cb.Pos", "ca.pos", "x.posx",
                             "y.pos.bak", "pos", "zpos", ".pos"})
        QVERIFY(writeBytes(dir + u'/' + QString::fromLatin1(name), "x"));
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/folder.pos")));

    // Upper-case forms in code order: "_" sorts after the letters.
    QCOMPARE(fileNames(HostFolder::positionFilesIn(dir)),
             (QStringList{".pos", "A.pos", "b.pos", "c.POS", "ca.pos", "Cb.Pos", "_x.pos"}));
    QVERIFY(HostFolder::positionFilesIn(path("nothing here")).isEmpty());
}

void HostFolderTest::defaultStorePath()
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");

    qputenv("XDG_CONFIG_HOME", "/some/config");
    QCOMPARE(HostFolder::defaultStorePath(), QStringLiteral("/some/config/Peak Systems.ini"));
    qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(HostFolder::defaultStorePath(), QDir::homePath() + "/.config/Peak Systems.ini");
    qputenv("XDG_CONFIG_HOME", "");
    QCOMPARE(HostFolder::defaultStorePath(), QDir::homePath() + "/.config/Peak Systems.ini");

    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

NEARBELL_TEST(HostFolderTest)
#include "HostFolderTest.moc"
