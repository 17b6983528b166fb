#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include "common/TestRegistry.h"
#include "platform/SingleInstance.h"

// The real program, started as a user would start it, in a program folder of
// its own: stop signals at every moment of its life, saves that fail, and a
// folder whose name is not valid UTF-8.
namespace {

const QByteArray kList = "AB1CD\r\nXY9\r\n";
const QByteArray kProfile = "[STATION]\r\nCALLSIGN=N0DEMO\r\nLATITUDE=5212.34N\r\nLONGITUDE=00512.34E\r\n"
                            "[HOST]\r\nSOURCE=REPLAY missing.tnc2\r\n";

// A program folder holding the program (a hard link to the one built), the
// host profile unless told otherwise, and a list of two callsigns.
struct Folder
{
    explicit Folder(const QByteArray &name = "prog", bool withProfile = true)
        : root(QStringLiteral(NEARBELL_SCRATCH "/run-XXXXXX"))
    {
        path = root.path() + u'/' + QFile::decodeName(name);
        pattern = QString::fromLatin1(name).left(3) + u'*';
        bytes = QFile::encodeName(root.path()) + '/' + name;
        ::mkdir(bytes.constData(), 0755);
        const QByteArray exe = bytes + "/nearbell";
        if (::link(NEARBELL_PROGRAM, exe.constData()) != 0)
            QFile::copy(QStringLiteral(NEARBELL_PROGRAM), QFile::decodeName(exe));
        if (withProfile)
            write("uiview32.ini", kProfile);
        write("nearbell.LST", kList);
    }
    void write(const char *file, const QByteArray &data)
    {
        FILE *f = ::fopen((bytes + '/' + file).constData(), "wb");
        if (f) {
            ::fwrite(data.constData(), 1, size_t(data.size()), f);
            ::fclose(f);
        }
    }
    QByteArray read(const char *file) const
    {
        QByteArray data;
        FILE *f = ::fopen((bytes + '/' + file).constData(), "rb");
        if (!f)
            return "<none>";
        char buffer[4096];
        size_t got;
        while ((got = ::fread(buffer, 1, sizeof buffer, f)) > 0)
            data.append(buffer, qsizetype(got));
        ::fclose(f);
        return data;
    }
    bool has(const char *file) const { return ::access((bytes + '/' + file).constData(), F_OK) == 0; }
    QStringList entries() const
    {
        QStringList names = QDir(QFile::decodeName(bytes)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    }

    ~Folder()
    {
        // QTemporaryDir cannot name what is not UTF-8; the shell can.
        QProcess::execute("/bin/sh", {"-c", "rm -rf \"$0\"/*", root.path()});
    }

    QTemporaryDir root;
    QString pattern;
    QString path;
    QByteArray bytes;
};

// Starts the program; `shell` wraps it (for ulimit).
void start(QProcess &process, const Folder &folder, const QString &shellPrefix = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    // Through the shell, by a pattern from the temporary root: a folder
    // name that is not UTF-8 cannot be passed as a QString.
    const QString prefix = shellPrefix.isEmpty() ? QStringLiteral(":") : shellPrefix;
    process.setProgram("/bin/sh");
    process.setArguments({"-c", prefix + "; exec \"$0\"/" + folder.pattern + "/nearbell", folder.root.path()});
    process.start();
    QVERIFY(process.waitForStarted(5000));
}

// Waits until standard error holds `text` (the host has started: start-up
// is complete a moment later).
bool waitForError(QProcess &process, const QByteArray &text, QByteArray &seen, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        seen += process.readAllStandardError();
        if (seen.contains(text))
            return true;
        if (process.state() == QProcess::NotRunning)
            return false;
        process.waitForReadyRead(100);
    }
    return false;
}

void send(QProcess &process, int number)
{
    ::kill(pid_t(process.processId()), number);
}

// The process must end by itself, soon: no lingering without a window.
bool ends(QProcess &process)
{
    if (process.state() == QProcess::NotRunning || process.waitForFinished(5000))
        return true;
    process.kill();
    process.waitForFinished(5000);
    return false;
}

} // namespace

class RunningProgramTest : public QObject
{
    Q_OBJECT

private slots:
    // A start-up box waits for the user; a stop signal ends the program with
    // its own status and leaves every file as it was.
    void signalWhileStartupBoxIsOpen_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("another instance, SIGTERM") << "instance" << int(SIGTERM);
        QTest::newRow("another instance, SIGHUP") << "instance" << int(SIGHUP);
        QTest::newRow("no callsign, SIGTERM") << "callsign" << int(SIGTERM);
        QTest::newRow("no callsign, SIGINT") << "callsign" << int(SIGINT);
    }

    void signalWhileStartupBoxIsOpen()
    {
        QFETCH(QString, box);
        QFETCH(int, signalNumber);
        Folder folder("prog", box != "callsign");
        nearbell::SingleInstance holder(folder.path);
        if (box == "instance")
            QVERIFY(!holder.anotherInstanceRunning());
        const QStringList before = folder.entries();
        QProcess process;
        start(process, folder);
        QTest::qWait(1500); // the box is open by now
        QCOMPARE(process.state(), QProcess::Running);
        send(process, signalNumber);
        QVERIFY(ends(process));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 128 + signalNumber);
        QCOMPARE(folder.read("nearbell.LST"), kList);
        // The second-instance stop touches nothing; the callsign stop may
        // have written the settings' defaults before, nothing else.
        QStringList after = folder.entries();
        if (box == "callsign")
            after.removeAll("nearbell.INI");
        QCOMPARE(after, before);
    }

    // However early and however often the signals come, the program ends
    // soon, never cuts the list and leaves no temporary file behind.
    void signalAtAnyMomentOfStartup_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("storm");
        for (int ms : {0, 20, 40, 60, 90, 150, 300})
            QTest::addRow("SIGTERM after %d ms", ms) << ms << false;
        for (int ms : {0, 50, 200})
            QTest::addRow("storm after %d ms", ms) << ms << true;
    }

    void signalAtAnyMomentOfStartup()
    {
        QFETCH(int, delayMs);
        QFETCH(bool, storm);
        Folder folder;
        QProcess process;
        start(process, folder);
        QTest::qWait(delayMs);
        const int kinds[] = {SIGTERM, SIGINT, SIGHUP};
        for (int i = 0; i < (storm ? 60 : 1) && process.state() == QProcess::Running; ++i) {
            send(process, kinds[i % 3]);
            QTest::qWait(storm ? 5 : 0);
        }
        QVERIFY(ends(process));
        QCOMPARE(folder.read("nearbell.LST"), kList);
        for (const QString &name : folder.entries())
            QVERIFY2(name == "nearbell" || name == "uiview32.ini" || name == "nearbell.LST"
                         || name == "nearbell.INI",
                     qPrintable(name));
        // A copy is free to start again: no lock was left behind.
        nearbell::SingleInstance next(folder.path);
        QVERIFY(!next.anotherInstanceRunning());
    }

    // Once running, a stop signal (or many) closes the window: settings and
    // list are saved once and whole, and the status is 0.
    void signalWhileRunningSavesOnce()
    {
        Folder folder;
        QProcess process;
        start(process, folder);
        QByteArray seen;
        QVERIFY(waitForError(process, "REPLAY", seen));
        QTest::qWait(300);
        for (int i = 0; i < 30 && process.state() == QProcess::Running; ++i)
            send(process, i % 2 ? SIGINT : SIGTERM);
        QVERIFY(ends(process));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(folder.read("nearbell.LST"), kList);
        QVERIFY(folder.read("nearbell.INI").contains("MINIMIZED=FALSE\r\n"));
    }

    // A list file that cannot be written: said once on standard error, the
    // program still ran, and the exit status tells.
    void failedListSaveEndsNonZero_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("list is a directory") << "directory";
        QTest::newRow("file size limit") << "ulimit";
    }

    void failedListSaveEndsNonZero()
    {
        QFETCH(QString, how);
        Folder folder;
        if (how == "directory") {
            QVERIFY(QFile::remove(folder.path + "/nearbell.LST"));
            QVERIFY(QDir().mkdir(folder.path + "/nearbell.LST"));
        }
        QProcess process;
        start(process, folder, how == "ulimit" ? QStringLiteral("ulimit -f 0") : QString());
        QByteArray seen;
        QVERIFY(waitForError(process, "REPLAY", seen));
        QTest::qWait(300);
        send(process, SIGTERM);
        QVERIFY(ends(process));
        seen += process.readAllStandardError();
        // Not killed by SIGXFSZ: it ended by itself, and said why.
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QByteArray line = "Could not write " + QFile::encodeName(folder.path) + "/nearbell.LST";
        QCOMPARE(seen.count(line), 1);
        if (how == "ulimit")
            QCOMPARE(folder.read("nearbell.LST"), kList);
    }

    // File names are bytes: a folder named "caf\xe9" works like any other.
    void folderNameThatIsNotUtf8()
    {
        Folder folder("caf\xe9");
        QProcess process;
        start(process, folder);
        QByteArray seen;
        QVERIFY2(waitForError(process, "REPLAY", seen), seen.constData());
        QTest::qWait(300);
        send(process, SIGTERM);
        QVERIFY(ends(process));
        QCOMPARE(process.exitCode(), 0);
        // The folder is prepared by the path that reaches it: no complaint.
        seen += process.readAllStandardError();
        QVERIFY2(!seen.contains("The folder") && !seen.contains("Files cannot be written"), seen.constData());
        QVERIFY(folder.has("nearbell.INI"));
        QCOMPARE(folder.read("nearbell.LST"), kList);
    }
};

NEARBELL_TEST(RunningProgramTest)
#include "RunningProgramTest.moc"
