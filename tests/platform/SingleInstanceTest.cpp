#include "common/TestRegistry.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using nearbell::SingleInstance;

namespace {

// Starts the helper program for the given program folder and returns its
// first answer line.
QString startHolder(QProcess &process, const QString &folder,
                    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(NEARBELL_INSTANCE_HOLDER), {folder});
    if (!process.waitForStarted(5000))
        return QStringLiteral("not started");
    for (int i = 0; i < 50 && !process.canReadLine(); ++i)
        process.waitForReadyRead(100);
    return QString::fromLocal8Bit(process.readLine()).trimmed();
}

void stopHolder(QProcess &process)
{
    process.closeWriteChannel();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(5000);
}

} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void secondProcessSeesTheFirst_data();
    void secondProcessSeesTheFirst();
    void otherFolderRunsBeside();
    void crashedInstanceDoesNotBlock();
    void lockEndsWithItsHolder();
    void readOnlyFolderStillLocks();
    void uncheckableLockCountsAsRunning_data();
    void writeOnlyFolderIsNoRunningCopy();
    void uncheckableLockCountsAsRunning();
};

// However the second copy names the folder and whatever session it runs
// in, the folder is the same and so is the lock.
void SingleInstanceTest::secondProcessSeesTheFirst_data()
{
    QTest::addColumn<QString>("secondSpelling");
    QTest::addColumn<QString>("runtimeFolder");
    QTest::newRow("same path") << "prog" << QString();
    QTest::newRow("dot-dot spelling") << "prog/../prog" << QString();
    QTest::newRow("through a link") << "alias" << QString();
    QTest::newRow("other runtime folder") << "prog" << "other-runtime";
}

void SingleInstanceTest::secondProcessSeesTheFirst()
{
    QFETCH(QString, secondSpelling);
    QFETCH(QString, runtimeFolder);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("prog"));
    QVERIFY(QDir(dir.path()).mkpath("other-runtime"));
    QVERIFY(QFile::link(dir.filePath("prog"), dir.filePath("alias")));
    SingleInstance first(dir.filePath("prog"));
    QVERIFY(!first.anotherInstanceRunning());
    QVERIFY(first.holdsLock());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!runtimeFolder.isEmpty())
        environment.insert("XDG_RUNTIME_DIR", dir.filePath(runtimeFolder));
    QProcess second;
    QCOMPARE(startHolder(second, dir.filePath(secondSpelling), environment), QString("busy"));
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 1);
    // The running instance is untouched by the attempt, and no file was made.
    QVERIFY(first.holdsLock());
    QVERIFY(!first.anotherInstanceRunning());
    QCOMPARE(QDir(dir.filePath("prog")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

void SingleInstanceTest::otherFolderRunsBeside()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("one"));
    QVERIFY(QDir(dir.path()).mkpath("two"));
    SingleInstance first(dir.filePath("one"));
    QVERIFY(!first.anotherInstanceRunning());

    QProcess other;
    QCOMPARE(startHolder(other, dir.filePath("two")), QString("held"));
    stopHolder(other);
    QCOMPARE(other.exitCode(), 0);
}

void SingleInstanceTest::crashedInstanceDoesNotBlock()
{
    QTemporaryDir dir;
    QProcess holder;
    QCOMPARE(startHolder(holder, dir.path()), QString("held"));
    {
        SingleInstance whileRunning(dir.path());
        QVERIFY(whileRunning.anotherInstanceRunning());
        QVERIFY(whileRunning.failure().isEmpty());
        QVERIFY(!whileRunning.holdsLock());
    }

    holder.kill(); // no clean-up runs
    QVERIFY(holder.waitForFinished(5000));
    SingleInstance next(dir.path());
    QVERIFY(!next.anotherInstanceRunning());
    QVERIFY(next.holdsLock());
}

void SingleInstanceTest::lockEndsWithItsHolder()
{
    QTemporaryDir dir;
    {
        SingleInstance first(dir.path());
        QVERIFY(!first.anotherInstanceRunning());
        SingleInstance sameProcess(dir.path());
        QVERIFY(sameProcess.anotherInstanceRunning());
    }
    SingleInstance later(dir.path());
    QVERIFY(!later.anotherInstanceRunning());
    QVERIFY(later.holdsLock());
}

// A folder installed for all users cannot be written, and still guards.
void SingleInstanceTest::readOnlyFolderStillLocks()
{
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    SingleInstance first(dir.path());
    const bool running = first.anotherInstanceRunning();
    QProcess second;
    const QString answer = startHolder(second, dir.path());
    second.waitForFinished(5000);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!running);
    QVERIFY(first.holdsLock());
    QCOMPARE(answer, QString("busy"));
}

void SingleInstanceTest::uncheckableLockCountsAsRunning_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing folder") << "missing";
    QTest::newRow("dangling link") << "dangling";
    QTest::newRow("a file, not a folder") << "file";
}

void SingleInstanceTest::uncheckableLockCountsAsRunning()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString folder = dir.filePath("prog");
    if (kind == "dangling")
        QVERIFY(QFile::link(dir.filePath("nowhere"), folder));
    if (kind == "file") {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    SingleInstance instance(folder);
    QVERIFY(instance.anotherInstanceRunning());
    QVERIFY(!instance.holdsLock());
    QVERIFY2(instance.failure().contains(folder), qPrintable(instance.failure()));
}

// A folder that can be written but not read (mode 0300) cannot be locked:
// said as such, never taken for a running copy. Root reads any folder, so
// as root the holder runs as nobody on a folder of nobody's.
void SingleInstanceTest::writeOnlyFolderIsNoRunningCopy()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("prog");
    QVERIFY(QDir().mkdir(folder));
    QStringList command{QStringLiteral(NEARBELL_INSTANCE_HOLDER), folder};
    if (::geteuid() == 0) {
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                      | QFileDevice::ExeOwner | QFileDevice::ExeOther));
        QCOMPARE(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
        command = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + command;
        command.prepend(QStringLiteral("setpriv"));
    }
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0300), 0);
    QProcess holder;
    holder.start(command.takeFirst(), command);
    QVERIFY(holder.waitForFinished(5000));
    const QString answer = QString::fromLocal8Bit(holder.readAllStandardOutput()).trimmed();
    QCOMPARE(answer, "unknown: the program folder " + folder + " cannot be opened: Permission denied");
}

NEARBELL_TEST(SingleInstanceTest)
#include "SingleInstanceTest.moc"
