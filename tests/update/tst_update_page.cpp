#include "common/TestRegistry.h"
#include "update/UpdatePage.h"

#include <QTest>

using namespace nearbell;

namespace {
const QString kTitle = QStringLiteral("UI-View32 add-on Nearbell");
const QString kIdentity = QStringLiteral("Nearbell authors");
const QString kAddress = QStringLiteral("http://updates.example.net/nearbell");

QString record(const QString &version)
{
    return kTitle + QStringLiteral(" Version V") + version;
}
QString fileRecord(const QString &name)
{
    return QStringLiteral("UpdateFile_") + kTitle + u'=' + name;
}
} // namespace

class UpdatePageTest : public QObject
{
    Q_OBJECT

private slots:
    void outcome_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("pageVersion");
        QTest::addColumn<QString>("linkText");
        QTest::addColumn<QString>("linkURL");

        using K = UpdateOutcome::Kind;
        const QString notGenuine = QStringLiteral("Can not contact webserver, maybe behind proxy ");
        const QString noVersion = QStringLiteral("No version information found for app ") + kTitle;
        const QString upToDate = QStringLiteral("Your current version is up to date");
        const QString noFile = QStringLiteral("The update file information is not found or invalid");
        const QString newer = QStringLiteral("There is a newer version of this program at ") + kAddress;
        const QString page = QStringLiteral("<p>by the Nearbell authors</p>");

        QTest::newRow("empty reply") << QString() << int(K::NotGenuine) << notGenuine << "" << "" << "";
        QTest::newRow("proxy page with a record but no identity")
            << record("0.6.0 ") + fileRecord("nb.zip ") << int(K::NotGenuine) << notGenuine << "" << "" << "";
        QTest::newRow("identity in other letter case")
            << "nearbell AUTHORS " + record("0.6.0 ") << int(K::NotGenuine) << notGenuine << "" << "" << "";
        QTest::newRow("no version record") << page << int(K::NoVersionInformation) << noVersion << "" << ""
                                           << "";
        QTest::newRow("title in other letter case")
            << page + "ui-view32 add-on nearbell Version V0.6.0 " << int(K::NoVersionInformation) << noVersion
            << "" << "" << "";
        QTest::newRow("equal") << page + record("0.5.4 ") << int(K::UpToDate) << upToDate << "0.5.4" << ""
                               << "";
        QTest::newRow("older") << page + record("0.5.3 ") << int(K::UpToDate) << upToDate << "0.5.3" << ""
                               << "";
        QTest::newRow("0.5.10 counts below 0.5.4")
            << page + record("0.5.10 ") + fileRecord("nb.zip ") << int(K::UpToDate) << upToDate << "0.5.10"
            << "" << "";
        QTest::newRow("leading zeros read as numbers")
            << page + record("0.05.4 ") << int(K::UpToDate) << upToDate << "0.5.4" << "" << "";
        QTest::newRow("revision 4.5 rounds to even 4")
            << page + record("0.5.4.5 ") << int(K::UpToDate) << upToDate << "0.5.4" << "" << "";
        QTest::newRow("revision 5.5 rounds to even 6, newer")
            << page + record("0.5.5.5 ") + fileRecord("nb.zip ") << int(K::NewerVersion) << newer << "0.5.6"
            << "Download the update nb.zip" << kAddress + "/nb.zip";
        QTest::newRow("newer minor without update file")
            << page + record("0.6.0 ") << int(K::UpdateFileMissing) << noFile << "0.6.0" << "" << "";
        QTest::newRow("newer with update file")
            << page + record("0.5.5 and more") + " " + fileRecord("nearbell055.zip rest") << int(K::NewerVersion)
            << newer << "0.5.5" << "Download the update nearbell055.zip" << kAddress + "/nearbell055.zip";
        QTest::newRow("newer major")
            << fileRecord("n1.zip ") + page + record("1.0.0 ") << int(K::NewerVersion) << newer << "1.0.0"
            << "Download the update n1.zip" << kAddress + "/n1.zip";
        QTest::newRow("first record counts")
            << page + record("0.5.0 ") + record("0.9.9 ") + fileRecord("x.zip ") << int(K::UpToDate)
            << upToDate << "0.5.0" << "" << "";
        QTest::newRow("less-than sign instead of blank")
            << page + record("0.5.5<br>") << int(K::NoVersionInformation) << noVersion << "" << "" << "";
        QTest::newRow("text ends after the version")
            << page + record("0.5.5") << int(K::NoVersionInformation) << noVersion << "" << "" << "";
        QTest::newRow("blank just past the window")
            << page + record("0.5.0000005 ") << int(K::NoVersionInformation) << noVersion << "" << "" << "";
        QTest::newRow("blank at the window's last character")
            << page + record("0.5.00004 ") << int(K::UpToDate) << upToDate << "0.5.4" << "" << "";
        QTest::newRow("only one point in the window")
            << page + record("0.5 abcdefgh.1 ") << int(K::NoVersionInformation) << noVersion << "" << "" << "";
        QTest::newRow("number beyond 16 bits")
            << page + record("0.99999.1 ") << int(K::NoVersionInformation) << noVersion << "" << "" << "";
        QTest::newRow("empty numbers read as 0")
            << page + record("..5 ") << int(K::UpToDate) << upToDate << "0.0.5" << "" << "";
        QTest::newRow("update file name at the end of the text")
            << page + record("0.6.0 ") + fileRecord("nb.zip") << int(K::UpdateFileMissing) << noFile << "0.6.0"
            << "" << "";
        QTest::newRow("update file name starting with a blank")
            << page + record("0.6.0 ") + fileRecord(" nb.zip ") << int(K::UpdateFileMissing) << noFile
            << "0.6.0" << "" << "";
        QTest::newRow("update file name climbing out")
            << page + record("0.6.0 ") + fileRecord(".. ") << int(K::UpdateFileMissing) << noFile << "0.6.0"
            << "" << "";
        QTest::newRow("one-character file name")
            << page + record("0.6.0 ") + fileRecord("z ") << int(K::NewerVersion) << newer << "0.6.0"
            << "Download the update z" << kAddress + "/z";
        QTest::newRow("hostile file name stays one path segment")
            << page + record("0.6.0 ") + fileRecord("../../evil?x=1#@other.example ") << int(K::NewerVersion)
            << newer << "0.6.0" << "Download the update ../../evil?x=1#@other.example"
            << kAddress + "/..%2F..%2Fevil%3Fx%3D1%23%40other.example";
    }

    void outcome()
    {
        QFETCH(QString, reply);
        QFETCH(int, kind);
        QFETCH(QString, status);
        QFETCH(QString, pageVersion);
        QFETCH(QString, linkText);
        QFETCH(QString, linkURL);

        const UpdatePage page(kTitle, kIdentity, kAddress, ProgramVersion{0, 5, 4});
        const UpdateOutcome outcome = page.evaluateText(reply);
        QCOMPARE(int(outcome.kind), kind);
        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.pageVersion, pageVersion);
        const bool good = outcome.kind == UpdateOutcome::Kind::UpToDate
            || outcome.kind == UpdateOutcome::Kind::NewerVersion;
        QCOMPARE(outcome.colour, good ? UpdatePage::goodColour() : UpdatePage::failureColour());
        QCOMPARE(outcome.showLink, !linkText.isEmpty());
        QCOMPARE(outcome.linkText, linkText);
        QCOMPARE(outcome.linkURL, linkURL);
        if (outcome.showLink)
            QCOMPARE(outcome.linkToolTip, QStringLiteral("Download update ") + outcome.fileName
                                              + QStringLiteral(" from ") + kAddress);
    }

    void versionValues_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<double>("value");
        QTest::newRow("this build") << 0 << 5 << 4 << 0.54;
        QTest::newRow("two-digit revision") << 1 << 2 << 10 << 1.210;
        QTest::newRow("zero minor and revision") << 0 << 6 << 0 << 0.60;
        QTest::newRow("large numbers") << 32767 << 32767 << 32767 << 32767.3276732767;
    }

    void versionValues()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(double, value);
        QCOMPARE(UpdatePage::versionValue(ProgramVersion{major, minor, revision}), value);
    }

    void ownVersionIsComparedByTheSameRule()
    {
        // A program 1.2.9 counts as newer than a page's 1.2.10 (1.29 > 1.210).
        const QString reply = kIdentity + u' ' + record("1.2.10 ") + fileRecord("n.zip ");
        QCOMPARE(UpdatePage(kTitle, kIdentity, kAddress, {1, 2, 9}).evaluateText(reply).kind,
                 UpdateOutcome::Kind::UpToDate);
        QCOMPARE(UpdatePage(kTitle, kIdentity, kAddress, {1, 2, 0}).evaluateText(reply).kind,
                 UpdateOutcome::Kind::NewerVersion);
    }

    void replyBytesAreLatin1()
    {
        // Every byte is one character: a non-ASCII byte in the file name
        // keeps its character and is encoded for the address.
        const QByteArray body = "Nearbell authors " + record("0.6.0 ").toLatin1() + " UpdateFile_"
            + kTitle.toLatin1() + "=caf\xe9.zip ";
        const UpdateOutcome outcome = UpdatePage(kTitle, kIdentity, kAddress, {0, 5, 4}).evaluate(body);
        QCOMPARE(outcome.kind, UpdateOutcome::Kind::NewerVersion);
        QCOMPARE(outcome.fileName, QString::fromLatin1("caf\xe9.zip"));
        QCOMPARE(outcome.linkURL, kAddress + QStringLiteral("/caf%C3%A9.zip"));
    }
};

NEARBELL_TEST(UpdatePageTest)
#include "tst_update_page.moc"
