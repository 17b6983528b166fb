#include "common/TestRegistry.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using nearbell::SingleInstance;

namespace {

// Starts the helper program for the given executable path and returns its
// first answer line.
QString startHolder(QProcess &process, const QString &executable, const QString &lockFolder)
{
    process.start(QStringLiteral(NEARBELL_INSTANCE_HOLDER), {executable, lockFolder});
    if (!process.waitForStarted(5000))
        return QStringLiteral("not started");
    for (int i = 0; i < 50 && !process.canReadLine(); ++i)
        process.waitForReadyRead(100);
    return QString::fromLatin1(process.readLine()).trimmed();
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
    void secondProcessSeesTheFirst();
    void otherExecutableRunsBeside();
    void crashedInstanceDoesNotBlock();
    void lockEndsWithItsHolder();
    void samePathSpelledDifferentlyIsTheSameProgram();
    void unusableLockFolderLetsTheProgramRun();
};

void SingleInstanceTest::secondProcessSeesTheFirst()
{
    QTemporaryDir dir;
    SingleInstance first("/opt/uiview/nearbell.exe", dir.path());
    QVERIFY(!first.anotherInstanceRunning());
    QVERIFY(first.holdsLock());

    QProcess second;
    QCOMPARE(startHolder(second, "/opt/uiview/nearbell.exe", dir.path()), QString("busy"));
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 1);
    // The running instance is untouched by the attempt.
    QVERIFY(first.holdsLock());
    QVERIFY(!first.anotherInstanceRunning());
}

void SingleInstanceTest::otherExecutableRunsBeside()
{
    QTemporaryDir dir;
    SingleInstance first("/opt/uiview/nearbell.exe", dir.path());
    QVERIFY(!first.anotherInstanceRunning());

    QProcess other;
    QCOMPARE(startHolder(other, "/opt/uiview/Y.exe", dir.path()), QString("held"));
    stopHolder(other);
    QCOMPARE(other.exitCode(), 0);
}

void SingleInstanceTest::crashedInstanceDoesNotBlock()
{
    QTemporaryDir dir;
    QProcess holder;
    QCOMPARE(startHolder(holder, "/opt/uiview/nearbell.exe", dir.path()), QString("held"));
    {
        SingleInstance whileRunning("/opt/uiview/nearbell.exe", dir.path());
        QVERIFY(whileRunning.anotherInstanceRunning());
        QVERIFY(!whileRunning.holdsLock());
    }

    holder.kill(); // no clean-up runs: the lock file stays behind
    QVERIFY(holder.waitForFinished(5000));
    SingleInstance next("/opt/uiview/nearbell.exe", dir.path());
    QVERIFY(QFile::exists(next.lockFilePath()));
    QVERIFY(!next.anotherInstanceRunning());
    QVERIFY(next.holdsLock());
}

void SingleInstanceTest::lockEndsWithItsHolder()
{
    QTemporaryDir dir;
    {
        SingleInstance first("/opt/uiview/nearbell.exe", dir.path());
        QVERIFY(!first.anotherInstanceRunning());
        SingleInstance sameProcess("/opt/uiview/nearbell.exe", dir.path());
        QVERIFY(sameProcess.anotherInstanceRunning());
    }
    SingleInstance later("/opt/uiview/nearbell.exe", dir.path());
    QVERIFY(!later.anotherInstanceRunning());
    QVERIFY(later.holdsLock());
}

void SingleInstanceTest::samePathSpelledDifferentlyIsTheSameProgram()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("prog"));
    const QString exe = dir.filePath("prog/nearbell");
    QFile file(exe);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::link(dir.filePath("prog"), dir.filePath("alias")));

    const SingleInstance direct(exe, dir.path());
    QCOMPARE(SingleInstance(dir.filePath("prog/../prog/nearbell"), dir.path()).lockFilePath(),
             direct.lockFilePath());
    QCOMPARE(SingleInstance(dir.filePath("alias/nearbell"), dir.path()).lockFilePath(),
             direct.lockFilePath());
    QVERIFY(SingleInstance(dir.filePath("prog/other"), dir.path()).lockFilePath()
            != direct.lockFilePath());
    QVERIFY(direct.lockFilePath().startsWith(dir.path() + "/"));
}

void SingleInstanceTest::unusableLockFolderLetsTheProgramRun()
{
    QTemporaryDir dir;
    SingleInstance instance("/opt/uiview/nearbell.exe", dir.filePath("missing/folder"));
    QVERIFY(!instance.anotherInstanceRunning());
    QVERIFY(!instance.holdsLock());
}

NEARBELL_TEST(SingleInstanceTest)
#include "SingleInstanceTest.moc"
