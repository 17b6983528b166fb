#include "OverlayFiles.h"
#include "common/TestRegistry.h"
#include "overlay/HostFolder.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace nearbell;
using namespace nearbell::test;

namespace {
QStringList fileNames(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names << QFileInfo(path).fileName();
    return names;
}
} // namespace

class HostFolderTest : public QObject
{
    Q_OBJECT
private slots:
    void folderFromSetting_data();
    void folderFromSetting();
    void positionFilesInHostOrder();
};

void HostFolderTest::folderFromSetting_data()
{
    QTest::addColumn<QString>("setting"); // "<tmp>": the test folder; "<none>": no store
    QTest::addColumn<QString>("subfolder");
    QTest::addColumn<QStringList>("expected");

    const QStringList host{"host.pos"};
    QTest::newRow("no store file: own folder") << "<none>" << "OVERLAYS" << QStringList{"own.pos"};
    QTest::newRow("empty setting: own folder") << "" << "OVERLAYS" << QStringList{"own.pos"};
    QTest::newRow("blank setting: own folder") << "   " << "OVERLAYS" << QStringList{"own.pos"};
    QTest::newRow("plain folder") << "<tmp>/host" << "OVERLAYS" << host;
    QTest::newRow("final backslash") << "<tmp>\\host\\" << "OVERLAYS" << host;
    QTest::newRow("doubled backslashes") << "<tmp>\\\\host\\\\" << "OVERLAYS" << host;
    QTest::newRow("lower-case subfolder") << "<tmp>/host" << "overlays" << host;
    QTest::newRow("mixed-case subfolder") << "<tmp>/host" << "OverLays" << host;
    QTest::newRow("other subfolder") << "<tmp>/host" << "overlay" << QStringList{};
    QTest::newRow("folder that does not exist: own folder")
        << "<tmp>\\gone\\" << "OVERLAYS" << QStringList{"own.pos"};
    QTest::newRow("foreign drive: own folder")
        << "C:\\Program Files\\UI-View32\\" << "OVERLAYS" << QStringList{"own.pos"};
    QTest::newRow("names a file: own folder") << "<tmp>/host/overlays.pos" << "OVERLAYS" << QStringList{"own.pos"};
}

void HostFolderTest::folderFromSetting()
{
    QFETCH(QString, setting);
    QFETCH(QString, subfolder);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("host/" + subfolder + "/host.pos"), "x"));
    QVERIFY(writeBytes(dir.filePath("host/overlays.pos"), "x")); // a file, not the folder
    QVERIFY(writeBytes(dir.filePath("own/OVERLAYS/own.pos"), "x"));
    const QString store = dir.filePath("config/Peak Systems.ini");
    if (setting != "<none>")
        QVERIFY(writeStore(store, setting.replace(QStringLiteral("<tmp>"), dir.path())));

    const HostFolder folder(store, dir.filePath("own"));
    const QStringList files = folder.overlayFiles();
    QCOMPARE(fileNames(files), expected);
    for (const QString &file : files)
        QVERIFY(QFileInfo(file).isFile());
}

void HostFolderTest::positionFilesInHostOrder()
{
    QTemporaryDir dir;
    for (const char *name : {"b.pos", "A.pos", "_x.pos", "c.POS", "Cb.Pos", "ca.pos", "x.posx",
                             "y.pos.bak", "zpos", ".pos"})
        QVERIFY(writeBytes(dir.filePath(QString::fromLatin1(name)), "x"));
    QVERIFY(QDir().mkpath(dir.filePath("folder.pos")));
    // By the upper-case forms: "." before the letters, "_" after them.
    QCOMPARE(fileNames(HostFolder::positionFilesIn(dir.path())),
             (QStringList{".pos", "A.pos", "b.pos", "c.POS", "ca.pos", "Cb.Pos", "_x.pos"}));
}

NEARBELL_TEST(HostFolderTest)
#include "HostFolderTest.moc"
