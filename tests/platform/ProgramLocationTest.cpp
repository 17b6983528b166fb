#include "common/TestRegistry.h"
#include "platform/ProgramLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

using nearbell::ProgramLocation;

class ProgramLocationTest : public QObject
{
    Q_OBJECT

private slots:
    void namesFollowTheExecutable_data();
    void namesFollowTheExecutable();
    void runningProgram();
};

void ProgramLocationTest::namesFollowTheExecutable_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("iniFile");

    QTest::newRow("usual") << "/opt/uiview/nearbell.exe" << "/opt/uiview" << "nearbell"
                           << "/opt/uiview/nearbell.INI";
    QTest::newRow("renamed executable")
        << "/opt/uiview/Y.exe" << "/opt/uiview" << "Y" << "/opt/uiview/Y.INI";
    QTest::newRow("no extension") << "/opt/uiview/nearbell" << "/opt/uiview" << "nearbell"
                                  << "/opt/uiview/nearbell.INI";
    QTest::newRow("only the last extension goes")
        << "/opt/uiview/near.bell.exe" << "/opt/uiview" << "near.bell"
        << "/opt/uiview/near.bell.INI";
    QTest::newRow("folder with dots and blanks")
        << "/opt/UI View.32/nearbell.exe" << "/opt/UI View.32" << "nearbell"
        << "/opt/UI View.32/nearbell.INI";
    QTest::newRow("untidy path") << "/opt//uiview/./x/../nearbell.exe" << "/opt/uiview"
                                 << "nearbell" << "/opt/uiview/nearbell.INI";
    QTest::newRow("root folder") << "/nearbell.exe" << "/" << "nearbell" << "/nearbell.INI";
    QTest::newRow("name that is all extension")
        << "/opt/.nearbell" << "/opt" << ".nearbell" << "/opt/.nearbell.INI";
}

void ProgramLocationTest::namesFollowTheExecutable()
{
    QFETCH(QString, executable);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, iniFile);

    const ProgramLocation location(executable);
    QCOMPARE(location.folder(), folder);
    QCOMPARE(location.executableName(), name);
    QCOMPARE(location.fileBeside(".INI"), iniFile);
    // The host profile has a fixed name in the same folder.
    QCOMPARE(location.fileInFolder("uiview32.ini"),
             folder.endsWith('/') ? folder + "uiview32.ini" : folder + "/uiview32.ini");
}

void ProgramLocationTest::runningProgram()
{
    const ProgramLocation location = ProgramLocation::ofRunningProgram();
    QCOMPARE(location.folder(), QCoreApplication::applicationDirPath());
    QCOMPARE(location.executableName(), QString("test_platform"));
    QVERIFY(QDir::isAbsolutePath(location.executablePath()));

    const QString relative = "rel/Y.exe";
    QCOMPARE(ProgramLocation(relative).folder(), QDir::current().absoluteFilePath("rel"));
}

NEARBELL_TEST(ProgramLocationTest)
#include "ProgramLocationTest.moc"
