#include "common/TestRegistry.h"
#include "platform/ProgramLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using nearbell::ProgramLayout;

namespace {

// Builds a tree below root from entries "a/b/" (folder) and "a/b" (file).
void makeTree(const QString &root, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const QString path = root + u'/' + entry;
        if (entry.endsWith(u'/')) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
}

QString expand(QString text, const QString &root)
{
    return text.replace(QStringLiteral("<tmp>"), root);
}

} // namespace

class ProgramLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void layoutFollowsTheFolders_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<QString>("dataFolder");

        const QStringList usr{"usr/bin/", "usr/share/nearbell/"};
        QTest::newRow("installed below /usr") << usr << "<tmp>/usr/bin/nearbell" << "<tmp>/cfg" << true
                                               << "<tmp>/cfg/nearbell" << "<tmp>/usr/share/nearbell";
        QTest::newRow("installed, renamed executable keeps the folder name")
            << usr << "<tmp>/usr/bin/Y" << "<tmp>/cfg" << true << "<tmp>/cfg/nearbell"
            << "<tmp>/usr/share/nearbell";
        QTest::newRow("installed, configuration unset") << usr << "<tmp>/usr/bin/nearbell" << "" << true
                                                        << "<tmp>/home/.config/nearbell"
                                                        << "<tmp>/usr/share/nearbell";
        QTest::newRow("installed, configuration relative")
            << usr << "<tmp>/usr/bin/nearbell" << "cfg" << true << "<tmp>/home/.config/nearbell"
            << "<tmp>/usr/share/nearbell";
        QTest::newRow("installed, configuration names a file")
            << (usr + QStringList{"cfgfile"}) << "<tmp>/usr/bin/nearbell" << "<tmp>/cfgfile" << true
            << "<tmp>/home/.config/nearbell" << "<tmp>/usr/share/nearbell";
        QTest::newRow("installed, configuration not there yet")
            << usr << "<tmp>/usr/bin/nearbell" << "<tmp>/new/cfg" << true << "<tmp>/new/cfg/nearbell"
            << "<tmp>/usr/share/nearbell";
        QTest::newRow("bin without share/nearbell is portable")
            << QStringList{"usr/bin/", "usr/share/"} << "<tmp>/usr/bin/nearbell" << "<tmp>/cfg" << false
            << "<tmp>/usr/bin" << "<tmp>/usr/bin";
        QTest::newRow("share/nearbell that is a file is portable")
            << QStringList{"usr/bin/", "usr/share/nearbell"} << "<tmp>/usr/bin/nearbell" << "<tmp>/cfg"
            << false << "<tmp>/usr/bin" << "<tmp>/usr/bin";
        QTest::newRow("share/nearbell beside a folder not named bin is portable")
            << QStringList{"opt/nb/", "opt/share/nearbell/"} << "<tmp>/opt/nb/nearbell" << "<tmp>/cfg"
            << false << "<tmp>/opt/nb" << "<tmp>/opt/nb";
        QTest::newRow("a folder named Bin is portable")
            << QStringList{"usr/Bin/", "usr/share/nearbell/"} << "<tmp>/usr/Bin/nearbell" << "<tmp>/cfg"
            << false << "<tmp>/usr/Bin" << "<tmp>/usr/Bin";
        QTest::newRow("portable folder") << QStringList{"demo/WAV/"} << "<tmp>/demo/nearbell" << "<tmp>/cfg"
                                         << false << "<tmp>/demo" << "<tmp>/demo";
    }

    void layoutFollowsTheFolders()
    {
        QFETCH(QStringList, tree);
        QFETCH(QString, executable);
        QFETCH(QString, configHome);
        QFETCH(bool, installed);
        QFETCH(QString, programFolder);
        QFETCH(QString, dataFolder);
        QTemporaryDir dir;
        makeTree(dir.path(), tree);

        const ProgramLayout layout = ProgramLayout::forExecutable(
            expand(executable, dir.path()), expand(configHome, dir.path()), dir.filePath("home"));
        QCOMPARE(layout.installed(), installed);
        QCOMPARE(layout.programFolder(), expand(programFolder, dir.path()));
        QCOMPARE(layout.dataFolder(), expand(dataFolder, dir.path()));
        QCOMPARE(layout.executableName(), QFileInfo(executable).fileName());
        // Deciding the layout creates nothing.
        QVERIFY(!QFileInfo::exists(dir.filePath("cfg")) || tree.contains("cfg/"));
    }

    void forcedFolderIsPortable_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("dataFolder");

        QTest::newRow("portable executable") << QStringList{"nb/", "mine/"} << "<tmp>/nb/nearbell" << "<tmp>/mine";
        QTest::newRow("installed executable keeps its data as the second place")
            << QStringList{"usr/bin/", "usr/share/nearbell/", "mine/"} << "<tmp>/usr/bin/nearbell"
            << "<tmp>/usr/share/nearbell";
    }

    void forcedFolderIsPortable()
    {
        QFETCH(QStringList, tree);
        QFETCH(QString, executable);
        QFETCH(QString, dataFolder);
        QTemporaryDir dir;
        makeTree(dir.path(), tree);

        const ProgramLayout layout =
            ProgramLayout::forcedFolder(expand(executable, dir.path()), dir.filePath("mine/./"));
        QVERIFY(!layout.installed());
        QCOMPARE(layout.programFolder(), dir.filePath("mine"));
        QCOMPARE(layout.dataFolder(), expand(dataFolder, dir.path()));
    }

    void filesSearchedInProgramThenDataFolder_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("found");

        QTest::newRow("only installed") << QStringList{"usr/share/nearbell/nearbell.html"}
                                        << "<tmp>/usr/share/nearbell/nearbell.html";
        QTest::newRow("user's copy wins")
            << QStringList{"usr/share/nearbell/nearbell.html", "cfg/nearbell/nearbell.html"}
            << "<tmp>/cfg/nearbell/nearbell.html";
        QTest::newRow("nowhere: the program folder's name") << QStringList{} << "<tmp>/cfg/nearbell/nearbell.html";
    }

    void filesSearchedInProgramThenDataFolder()
    {
        QFETCH(QStringList, tree);
        QFETCH(QString, found);
        QTemporaryDir dir;
        makeTree(dir.path(), tree + QStringList{"usr/bin/", "usr/share/nearbell/"});
        const ProgramLayout layout =
            ProgramLayout::forExecutable(dir.filePath("usr/bin/nearbell"), dir.filePath("cfg"), dir.path());
        QCOMPARE(layout.findFile("nearbell.html"), expand(found, dir.path()));
        QCOMPARE(layout.searchFolders().size(), 2);
    }

    void programFolderIsPrepared()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {"usr/bin/", "usr/share/nearbell/"});
        const ProgramLayout layout = ProgramLayout::forExecutable(dir.filePath("usr/bin/nearbell"),
                                                                  dir.filePath("a/b"), dir.path());
        QCOMPARE(layout.prepareProgramFolder(), QString());
        const QFileInfo folder(dir.filePath("a/b/nearbell"));
        QVERIFY(folder.isDir());
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                          | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        QCOMPARE(folder.permissions() & (others | owner), owner);
        // Only the folder: the probe of writability leaves nothing behind.
        QCOMPARE(QDir(folder.filePath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{});
        // A second start finds it ready.
        QCOMPARE(layout.prepareProgramFolder(), QString());
    }

    void unusableProgramFolderIsReported_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("reason");

        QTest::newRow("a file where the folder belongs") << QStringList{"cfg/nearbell"} << "is a file";
        QTest::newRow("a file where a parent belongs") << QStringList{"cfg"} << "cannot be created";
    }

    void unusableProgramFolderIsReported()
    {
        QFETCH(QStringList, tree);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        makeTree(dir.path(), tree + QStringList{"usr/bin/", "usr/share/nearbell/"});
        // A configuration base that is a file falls back to home, so the
        // folder is named directly to see the failure.
        const ProgramLayout layout =
            ProgramLayout::forcedFolder(dir.filePath("usr/bin/nearbell"), dir.filePath("cfg/nearbell"));
        const QString problem = layout.prepareProgramFolder();
        QVERIFY2(problem.contains(reason), qPrintable(problem));
        QVERIFY(problem.contains(dir.filePath("cfg/nearbell")));
    }
};

NEARBELL_TEST(ProgramLayoutTest)
#include "ProgramLayoutTest.moc"
