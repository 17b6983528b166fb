#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include "app/CommandLine.h"
#include "common/TestRegistry.h"

using nearbell::CommandLine;

namespace {

struct Ran
{
    int status = -1;
    QString out;
    QString err;
};

// Runs the built program with no desktop at all, as a terminal without one.
Ran runProgram(const QStringList &arguments, const QStringList &prefix = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(env);
    const QString program = QStringLiteral(NEARBELL_PROGRAM);
    if (prefix.isEmpty())
        process.start(program, arguments);
    else
        process.start(prefix.first(), prefix.mid(1) + QStringList{program} + arguments);
    Ran ran;
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return ran;
    }
    ran.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    ran.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    ran.err = QString::fromLocal8Bit(process.readAllStandardError());
    return ran;
}

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "<tmp>" stands for a writable folder
        QTest::addColumn<bool>("runs");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");

        QTest::newRow("nothing") << QStringList{} << true << 0 << "" << "";
        QTest::newRow("--help") << QStringList{"--help"} << false << 0 << "--folder <folder>" << "";
        QTest::newRow("-h") << QStringList{"-h"} << false << 0 << "Usage:" << "";
        QTest::newRow("--version") << QStringList{"--version"} << false << 0 << "Nearbell 0.5.4\n" << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << false << 2 << "" << "Unknown option 'bogus'";
        QTest::newRow("unknown short option") << QStringList{"-x"} << false << 2 << "" << "Usage:";
        QTest::newRow("--folder without a value") << QStringList{"--folder"} << false << 2 << "" << "Missing value";
        QTest::newRow("--folder missing") << QStringList{"--folder", "<tmp>/gone"} << false << 2 << ""
                                          << "does not exist";
        QTest::newRow("--folder is a file") << QStringList{"--folder", "<tmp>/file"} << false << 2 << ""
                                            << "is not a folder";
        QTest::newRow("--folder usable") << QStringList{"--folder", "<tmp>"} << true << 0 << "" << "";
        QTest::newRow("--folder=") << QStringList{"--folder=<tmp>"} << true << 0 << "" << "";
        QTest::newRow("toolkit options pass") << QStringList{"-platform", "offscreen", "-reverse"} << true << 0
                                              << "" << "";
        QTest::newRow("a plain argument is ignored as always") << QStringList{"something"} << true << 0 << ""
                                                               << "";
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, runs);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryDir dir;
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (QString &argument : arguments)
            argument.replace(QStringLiteral("<tmp>"), dir.path());

        const CommandLine::Outcome outcome = CommandLine::parse(QStringList{"nearbell"} + arguments);
        QCOMPARE(outcome.action == CommandLine::Action::Run, runs);
        QCOMPARE(outcome.status, status);
        QVERIFY2(out.isEmpty() ? outcome.standardOutput.isEmpty() : outcome.standardOutput.contains(out),
                 qPrintable(outcome.standardOutput));
        QVERIFY2(err.isEmpty() ? outcome.standardError.isEmpty() : outcome.standardError.contains(err),
                 qPrintable(outcome.standardError));
        QCOMPARE(outcome.folder, runs && arguments.join(' ').contains(dir.path()) ? dir.path() : QString());
        QVERIFY(!QFileInfo::exists(dir.filePath("gone")));
    }

    void programAnswersWithoutADesktop_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");

        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: " << "";
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "Nearbell 0.5.4\n" << "";
        QTest::newRow("toolkit option before --version") << QStringList{"-platform", "xcb", "--version"} << 0
                                                         << "Nearbell 0.5.4\n" << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "" << "Usage: ";
        QTest::newRow("--folder missing") << QStringList{"--folder", "/nonexistent/nearbell"} << 2 << ""
                                          << "/nonexistent/nearbell does not exist";
        // Without options the program starts as it always did: here it finds no desktop.
        QTest::newRow("no options") << QStringList{} << 1 << "" << "needs a desktop session";
    }

    void programAnswersWithoutADesktop()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);

        const Ran ran = runProgram(arguments);
        QCOMPARE(ran.status, status);
        if (out.endsWith(u'\n'))
            QCOMPARE(ran.out, out);
        else
            QVERIFY2(out.isEmpty() ? ran.out.isEmpty() : ran.out.contains(out), qPrintable(ran.out));
        QVERIFY2(err.isEmpty() ? ran.err.isEmpty() : ran.err.contains(err), qPrintable(ran.err));
    }

    void unwritableFolderIsRefused()
    {
        if (geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
            QSKIP("needs root and setpriv to run as another user");
        QTemporaryDir dir; // root's, 0700: nobody may not write there
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                              | QFile::ReadOther | QFile::ExeOther);
        const Ran ran = runProgram({"--folder", dir.path()},
                                   {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
        if (ran.err.contains("Permission denied") || ran.status == 126 || ran.status == 127)
            QSKIP("nobody cannot run the program from this build folder");
        QCOMPARE(ran.status, 2);
        QVERIFY2(ran.err.contains("files cannot be written in the folder " + dir.path()), qPrintable(ran.err));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
    }
};

NEARBELL_TEST(CommandLineTest)
#include "CommandLineTest.moc"
