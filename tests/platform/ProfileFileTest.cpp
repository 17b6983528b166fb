#include "common/TestRegistry.h"
#include "platform/ProfileFile.h"
#include "platform/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using nearbell::ProfileFile;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void putBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class ProfileFileTest : public QObject
{
    Q_OBJECT

private slots:
    void readsValue_data();
    void readsValue();
    void readingNeverCreates();
    void writesValue_data();
    void writesValue();
    void writtenValueReadsBack();
    void refusesValuesThatBreakTheFile_data();
    void refusesValuesThatBreakTheFile();
    void readOnlyFileStaysUntouched();
    void unwritableFolderStaysUntouched();
    void missingFolderIsNotCreated();
    void writeKeepsPermissionsAndLeavesNoTemporaryFile();
    void symlinkedFileStaysALink();
    void unchangedWriteLeavesFileAlone();
    void fullDiskLeavesOldFile();
    void codePageRoundTripsEveryByte();
    void codePageEncodesUnknownCharactersAsQuestionMark();
};

void ProfileFileTest::readsValue_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("names match in any letter case")
        << QByteArray("[Setup]\r\nMin_Distance=5\r\n") << "SETUP" << "min_distance" << "5";
    QTest::newRow("blanks around names and value ignored")
        << QByteArray("  [ SETUP ]  \r\n \t KEY  =  value here \t \r\n") << " SETUP" << "KEY "
        << "value here";
    QTest::newRow("blanks inside a name count")
        << QByteArray("[SETUP]\r\nMIN DISTANCE=5\r\n") << "SETUP" << "MINDISTANCE" << "dflt";
    QTest::newRow("double quotes removed, blanks inside kept")
        << QByteArray("[S]\r\nK=\"  x  \"\r\n") << "S" << "K" << "  x  ";
    QTest::newRow("single quotes removed") << QByteArray("[S]\r\nK='y'\r\n") << "S" << "K" << "y";
    QTest::newRow("mismatched quotes kept")
        << QByteArray("[S]\r\nK=\"y'\r\n") << "S" << "K" << "\"y'";
    QTest::newRow("lone quote kept") << QByteArray("[S]\r\nK=\"\r\n") << "S" << "K" << "\"";
    QTest::newRow("empty quotes give empty") << QByteArray("[S]\r\nK=\"\"\r\n") << "S" << "K" << "";
    QTest::newRow("empty value is not missing") << QByteArray("[S]\r\nK=\r\n") << "S" << "K" << "";
    QTest::newRow("missing key") << QByteArray("[S]\r\nA=1\r\n") << "S" << "K" << "dflt";
    QTest::newRow("missing section") << QByteArray("[T]\r\nK=1\r\n") << "S" << "K" << "dflt";
    QTest::newRow("key of another section")
        << QByteArray("[A]\r\nK=1\r\n[B]\r\nX=2\r\n") << "B" << "K" << "dflt";
    QTest::newRow("first of duplicate keys")
        << QByteArray("[S]\r\nK=1\r\nk=2\r\n") << "S" << "K" << "1";
    QTest::newRow("first of duplicate sections")
        << QByteArray("[S]\r\nK=1\r\n[s]\r\nK=2\r\n") << "S" << "K" << "1";
    QTest::newRow("LF-only lines") << QByteArray("[S]\nA=0\nK=v\n") << "S" << "K" << "v";
    QTest::newRow("no final line end") << QByteArray("[S]\r\nK=v") << "S" << "K" << "v";
    QTest::newRow("comment is not a key") << QByteArray("[S]\r\n;K=1\r\n") << "S" << "K" << "dflt";
    QTest::newRow("line without equals is not a key")
        << QByteArray("[S]\r\nK\r\n") << "S" << "K" << "dflt";
    QTest::newRow("key before any section unreachable")
        << QByteArray("K=1\r\n[S]\r\n") << "S" << "K" << "dflt";
    QTest::newRow("unfinished header is no section")
        << QByteArray("[S\r\nK=1\r\n") << "S" << "K" << "dflt";
    QTest::newRow("header with trailing comment")
        << QByteArray("[S] ; the setup\r\nK=v\r\n") << "S" << "K" << "v";
    QTest::newRow("garbage and binary lines around the key")
        << QByteArrayLiteral("\x00\x01\xff\r\n[S]\r\n\x00garbage\xfe\r\n===\r\n=x\r\nK=ok\r\n") << "S"
        << "K" << "ok";
    QTest::newRow("value holding equals and comment")
        << QByteArray("[S]\r\nK=a=b ; note\r\n") << "S" << "K" << "a=b ; note";
    QTest::newRow("Windows-1252 text")
        << QByteArray("[S]\r\nK=\x80 caf\xe9 \x9f\r\n") << "S" << "K"
        << QStringLiteral("\u20ac caf\u00e9 \u0178");
    QTest::newRow("byte order mark before first header")
        << QByteArray("\xEF\xBB\xBF[S]\r\nK=v\r\n") << "S" << "K" << "v";
}

void ProfileFileTest::readsValue()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath("test.ini");
    putBytes(path, content);
    QCOMPARE(ProfileFile::readString(path, section, key, "dflt"), expected);
    QCOMPARE(fileBytes(path), content);
}

void ProfileFileTest::readingNeverCreates()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.ini");
    QCOMPARE(ProfileFile::readString(missing, "S", "K", "dflt"), QString("dflt"));
    QVERIFY(!QFile::exists(missing));

    const QString inMissingFolder = dir.filePath("sub/missing.ini");
    QCOMPARE(ProfileFile::readString(inMissingFolder, "S", "K", "dflt"), QString("dflt"));
    QVERIFY(!QDir(dir.filePath("sub")).exists());

    // A folder where a file is expected is just a missing file.
    QCOMPARE(ProfileFile::readString(dir.path(), "S", "K", "dflt"), QString("dflt"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
}

void ProfileFileTest::writesValue_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("missing file created")
        << false << QByteArray() << "SETUP" << "MIN_DISTANCE" << "10"
        << QByteArray("[SETUP]\r\nMIN_DISTANCE=10\r\n");
    QTest::newRow("empty file gets the section")
        << true << QByteArray() << "S" << "K" << "v" << QByteArray("[S]\r\nK=v\r\n");
    QTest::newRow("value replaced in place, other lines kept")
        << true << QByteArray("; head\r\n[S]\r\nA=1\r\n  K = old  \r\nB=2\r\n") << "S" << "K"
        << "new" << QByteArray("; head\r\n[S]\r\nA=1\r\nK=new\r\nB=2\r\n");
    QTest::newRow("key keeps the spelling of the file")
        << true << QByteArray("[setup]\r\nMin_Distance=1\r\n") << "SETUP" << "MIN_DISTANCE"
        << "2" << QByteArray("[setup]\r\nMin_Distance=2\r\n");
    QTest::newRow("missing key after the section's last key")
        << true << QByteArray("[A]\r\nX=1\r\n\r\n; about B\r\n[B]\r\nY=2\r\n") << "A" << "Z" << "3"
        << QByteArray("[A]\r\nX=1\r\nZ=3\r\n\r\n; about B\r\n[B]\r\nY=2\r\n");
    QTest::newRow("missing key in empty section")
        << true << QByteArray("[A]\r\n[B]\r\n") << "A" << "Z" << "3"
        << QByteArray("[A]\r\nZ=3\r\n[B]\r\n");
    QTest::newRow("missing key of the last section")
        << true << QByteArray("[A]\r\nX=1\r\n[B]\r\nY=2") << "b" << "Z" << "3"
        << QByteArray("[A]\r\nX=1\r\n[B]\r\nY=2\r\nZ=3\r\n");
    QTest::newRow("missing section at the end")
        << true << QByteArray("[A]\r\nX=1\r\n") << "S" << "K" << "v"
        << QByteArray("[A]\r\nX=1\r\n\r\n[S]\r\nK=v\r\n");
    QTest::newRow("LF-only file keeps LF")
        << true << QByteArray("[S]\nK=1\nfoo\n") << "S" << "K" << "2"
        << QByteArray("[S]\nK=2\nfoo\n");
    QTest::newRow("mixed line ends become CRLF")
        << true << QByteArray("[S]\r\nK=1\nfoo\n") << "S" << "K" << "2"
        << QByteArray("[S]\r\nK=2\r\nfoo\r\n");
    QTest::newRow("only the first duplicate key replaced")
        << true << QByteArray("[S]\r\nK=1\r\nK=2\r\n") << "S" << "K" << "9"
        << QByteArray("[S]\r\nK=9\r\nK=2\r\n");
    QTest::newRow("only the first duplicate section used")
        << true << QByteArray("[S]\r\nA=1\r\n[S]\r\nK=2\r\n") << "S" << "K" << "9"
        << QByteArray("[S]\r\nA=1\r\nK=9\r\n[S]\r\nK=2\r\n");
    QTest::newRow("8-bit bytes of other lines kept byte for byte")
        << true << QByteArray("[S]\r\n; \x81\x8d\x8f\x90\x9d\xff\xe9\x80\xa0\r\nK=\xe9\r\n") << "S"
        << "K" << "2" << QByteArray("[S]\r\n; \x81\x8d\x8f\x90\x9d\xff\xe9\x80\xa0\r\nK=2\r\n");
    QTest::newRow("binary garbage kept, key added after header")
        << true << QByteArrayLiteral("\x00\x01\x02\r\n[S]\r\ngarbage \xfe\xff no equals\r\n") << "S"
        << "K" << "v"
        << QByteArrayLiteral("\x00\x01\x02\r\n[S]\r\nK=v\r\ngarbage \xfe\xff no equals\r\n");
    QTest::newRow("commented key left alone")
        << true << QByteArray("[S]\r\n;K=1\r\nA=0\r\n") << "S" << "K" << "2"
        << QByteArray("[S]\r\n;K=1\r\nA=0\r\nK=2\r\n");
    QTest::newRow("value stored in Windows-1252")
        << true << QByteArray("[S]\r\n") << "S" << "K" << QStringLiteral("\u20ac caf\u00e9")
        << QByteArray("[S]\r\nK=\x80 caf\xe9\r\n");
    QTest::newRow("character outside the code page becomes ?")
        << true << QByteArray("[S]\r\n") << "S" << "K" << QStringLiteral("a\u03a9b")
        << QByteArray("[S]\r\nK=a?b\r\n");
    QTest::newRow("empty value") << true << QByteArray("[S]\r\nK=1\r\n") << "S" << "K" << ""
                                 << QByteArray("[S]\r\nK=\r\n");
}

void ProfileFileTest::writesValue()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    const QString path = dir.filePath("test.ini");
    if (exists)
        putBytes(path, before);
    QVERIFY(ProfileFile::writeString(path, section, key, value));
    QCOMPARE(fileBytes(path), after);
}

void ProfileFileTest::writtenValueReadsBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("test.ini");
    const QString eightBit = QStringLiteral("\u00e9\u00ff\u20ac\u0178 x");
    QVERIFY(ProfileFile::writeString(path, "SETUP", "A", eightBit));
    QVERIFY(ProfileFile::writeString(path, "SETUP", "B", "TRUE"));
    QVERIFY(ProfileFile::writeString(path, "OTHER", "A", "other"));
    QVERIFY(ProfileFile::writeString(path, "setup", "a", "second"));
    QCOMPARE(ProfileFile::readString(path, "SETUP", "A", "dflt"), QString("second"));
    QCOMPARE(ProfileFile::readString(path, "SETUP", "B", "dflt"), QString("TRUE"));
    QCOMPARE(ProfileFile::readString(path, "OTHER", "A", "dflt"), QString("other"));
    QVERIFY(ProfileFile::writeString(path, "OTHER", "A", eightBit));
    QCOMPARE(ProfileFile::readString(path, "OTHER", "A", "dflt"), eightBit);
}

void ProfileFileTest::refusesValuesThatBreakTheFile_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("line break in value") << "S" << "K" << "1\r\n[EVIL]\r\nK=2";
    QTest::newRow("LF in value") << "S" << "K" << "1\n[EVIL]";
    QTest::newRow("null in value") << "S" << "K" << QString("a") + QChar(0) + "b";
    QTest::newRow("equals in key") << "S" << "K=X" << "1";
    QTest::newRow("empty key") << "S" << "  " << "1";
    QTest::newRow("key looks like header") << "S" << "[K]" << "1";
    QTest::newRow("key looks like comment") << "S" << ";K" << "1";
    QTest::newRow("bracket in section") << "S]X" << "K" << "1";
    QTest::newRow("line break in section") << "S\r\n[T" << "K" << "1";
}

void ProfileFileTest::refusesValuesThatBreakTheFile()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);

    QTemporaryDir dir;
    const QString path = dir.filePath("test.ini");
    const QByteArray before("[S]\r\nK=0\r\n");
    putBytes(path, before);
    QVERIFY(!ProfileFile::writeString(path, section, key, value));
    QCOMPARE(fileBytes(path), before);
}

void ProfileFileTest::readOnlyFileStaysUntouched()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("test.ini");
    const QByteArray before = QByteArrayLiteral("[S]\nK=0\n\x00\xff junk\n");
    putBytes(path, before);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    QVERIFY(!ProfileFile::writeString(path, "S", "K", "1"));
    QVERIFY(!ProfileFile::writeString(path, "NEW", "K", "1"));
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(ProfileFile::readString(path, "S", "K", "dflt"), QString("0"));
    QCOMPARE(QFile::permissions(path) & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());
}

void ProfileFileTest::unwritableFolderStaysUntouched()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("locked");
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + "/test.ini";
    const QByteArray before("[S]\r\nK=0\r\n");
    putBytes(path, before);
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));

    const bool existingWritten = ProfileFile::writeString(path, "S", "K", "1");
    const bool newWritten = ProfileFile::writeString(folder + "/new.ini", "S", "K", "1");
    const QStringList entries = QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QVERIFY(!existingWritten);
    QVERIFY(!newWritten);
    QCOMPARE(entries, QStringList{"test.ini"});
    QCOMPARE(fileBytes(path), before);
}

void ProfileFileTest::missingFolderIsNotCreated()
{
    QTemporaryDir dir;
    QVERIFY(!ProfileFile::writeString(dir.filePath("sub/test.ini"), "S", "K", "1"));
    QVERIFY(!QDir(dir.filePath("sub")).exists());

    // A "folder" that is a file cannot take a file even for a privileged user.
    const QString plain = dir.filePath("plain");
    putBytes(plain, "x");
    QVERIFY(!ProfileFile::writeString(plain + "/test.ini", "S", "K", "1"));
    QCOMPARE(fileBytes(plain), QByteArray("x"));

    QVERIFY(!ProfileFile::writeString(QString(), "S", "K", "1"));
}

void ProfileFileTest::writeKeepsPermissionsAndLeavesNoTemporaryFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("test.ini");
    putBytes(path, "[S]\r\nK=0\r\n");
    const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner;
    QVERIFY(QFile::setPermissions(path, mode));

    QVERIFY(ProfileFile::writeString(path, "S", "K", "1"));
    QVERIFY(!ProfileFile::writeString(path, "S", "K", "bad\n"));
    QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), mode);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{"test.ini"});
}

void ProfileFileTest::symlinkedFileStaysALink()
{
    QTemporaryDir dir;
    const QString real = dir.filePath("real.ini");
    const QString link = dir.filePath("link.ini");
    putBytes(real, "[S]\r\nK=0\r\n");
    QVERIFY(QFile::link(real, link));
    QVERIFY(ProfileFile::writeString(link, "S", "K", "1"));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(fileBytes(real), QByteArray("[S]\r\nK=1\r\n"));
}

void ProfileFileTest::unchangedWriteLeavesFileAlone()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("test.ini");
    putBytes(path, "[S]\r\nK=0\r\n");
    struct stat before = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
    QVERIFY(ProfileFile::writeString(path, "s", "k", "0"));
    struct stat after = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino); // not replaced by a new file

    // The same value with blanks around it stays as the user wrote it; a
    // quoted one is rewritten.
    putBytes(path, "[S]\nK = 0\n");
    QVERIFY(ProfileFile::writeString(path, "S", "K", "0"));
    QCOMPARE(fileBytes(path), QByteArray("[S]\nK = 0\n"));
    putBytes(path, "[S]\nK = '0'\n");
    QVERIFY(ProfileFile::writeString(path, "S", "K", "0"));
    QCOMPARE(fileBytes(path), QByteArray("[S]\nK=0\n"));
}

void ProfileFileTest::fullDiskLeavesOldFile()
{
    // A file size limit makes every write beyond it fail as a full disk does.
    QTemporaryDir dir;
    const QString path = dir.filePath("test.ini");
    const QByteArray before = "[S]\r\nK=0\r\n; " + QByteArray(4000, 'x') + "\r\n";
    putBytes(path, before);

    struct rlimit saved = {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = ProfileFile::writeString(path, "S", "K", "1");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{"test.ini"});
    QVERIFY(ProfileFile::writeString(path, "S", "K", "1"));
}

void ProfileFileTest::codePageRoundTripsEveryByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = nearbell::fromWindows1252(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(text.at(0x80), QChar(0x20AC));
    QCOMPARE(text.at(0x9F), QChar(0x0178));
    QCOMPARE(text.at(0x81), QChar(0x0081));
    QCOMPARE(text.at(0xE9), QChar(0x00E9));
    QCOMPARE(nearbell::toWindows1252(text), all);
}

void ProfileFileTest::codePageEncodesUnknownCharactersAsQuestionMark()
{
    // One '?' per character, also for one outside the basic plane.
    QCOMPARE(nearbell::toWindows1252(QStringLiteral("a\u03a9\U0001F600b")), QByteArray("a??b"));
    QCOMPARE(nearbell::windows1252Code(QChar(0x2122)), 0x99);
    QCOMPARE(nearbell::windows1252Code(QChar(0x0100)), -1);
}

NEARBELL_TEST(ProfileFileTest)
#include "ProfileFileTest.moc"
