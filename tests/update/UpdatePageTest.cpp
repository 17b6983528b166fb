#include "common/TestRegistry.h"
#include "update/UpdatePage.h"

#include <QTest>

using namespace nearbell;
using K = UpdateOutcome::Kind;

namespace {
const QString kTitle = QStringLiteral("UI-View32 add-on Nearbell");
const QString kAddress = QStringLiteral("http://updates.example.net/nearbell");
const QString kPage = QStringLiteral("<p>by the Nearbell authors</p>");

QString record(const QString &version) { return kTitle + QStringLiteral(" Version V") + version; }
QString fileRecord(const QString &name) { return QStringLiteral("UpdateFile_") + kTitle + u'=' + name; }

QString statusFor(K kind)
{
    switch (kind) {
    case K::NotGenuine: return QStringLiteral("Can not contact webserver, maybe behind proxy ");
    case K::NoVersionInformation: return QStringLiteral("No version information found for app ") + kTitle;
    case K::UpToDate: return QStringLiteral("Your current version is up to date");
    case K::UpdateFileMissing: return QStringLiteral("The update file information is not found or invalid");
    case K::NewerVersion: return QStringLiteral("There is a newer version of this program at ") + kAddress;
    }
    return {};
}
} // namespace

class UpdatePageTest : public QObject
{
    Q_OBJECT

private slots:
    // Program version 0.5.4 against pages of every kind.
    void outcome_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<K>("kind");
        QTest::addColumn<QString>("pageVersion");
        QTest::addColumn<QString>("fileName"); // empty: no link

        const QString file = fileRecord("nb.zip ");
        QTest::newRow("empty reply") << QString() << K::NotGenuine << "" << "";
        QTest::newRow("record without identity") << record("0.6.0 ") + file << K::NotGenuine << "" << "";
        QTest::newRow("identity in other case") << "nearbell AUTHORS " + record("0.6.0 ") << K::NotGenuine << "" << "";
        QTest::newRow("no version record") << kPage << K::NoVersionInformation << "" << "";
        QTest::newRow("title in other case") << kPage + "ui-view32 add-on nearbell Version V0.6.0 "
                                             << K::NoVersionInformation << "" << "";
        QTest::newRow("equal") << kPage + record("0.5.4 ") + file << K::UpToDate << "0.5.4" << "";
        QTest::newRow("older") << kPage + record("0.5.3 ") + file << K::UpToDate << "0.5.3" << "";
        QTest::newRow("0.5.10 is 0.510, below 0.54") << kPage + record("0.5.10 ") + file << K::UpToDate << "0.5.10" << "";
        QTest::newRow("leading zeros") << kPage + record("0.05.4 ") << K::UpToDate << "0.5.4" << "";
        QTest::newRow("4.5 rounds to even 4") << kPage + record("0.5.4.5 ") << K::UpToDate << "0.5.4" << "";
        QTest::newRow("5.5 rounds to even 6") << kPage + record("0.5.5.5 ") + file << K::NewerVersion << "0.5.6" << "nb.zip";
        QTest::newRow("empty numbers are 0") << kPage + record("..5 ") << K::UpToDate << "0.0.5" << "";
        QTest::newRow("first record counts") << kPage + record("0.5.0 ") + record("0.9.9 ") + file << K::UpToDate
                                             << "0.5.0" << "";
        QTest::newRow("less-than sign, no blank") << kPage + record("0.5.5<br>") << K::NoVersionInformation << "" << "";
        QTest::newRow("text ends after version") << kPage + record("0.5.5") << K::NoVersionInformation << "" << "";
        QTest::newRow("blank just past window") << kPage + record("0.5.0000005 ") << K::NoVersionInformation << "" << "";
        QTest::newRow("blank as window's last") << kPage + record("0.5.00004 ") << K::UpToDate << "0.5.4" << "";
        QTest::newRow("one point in window") << kPage + record("0.5 abcdefgh.1 ") << K::NoVersionInformation << "" << "";
        QTest::newRow("beyond 16 bits") << kPage + record("0.99999.1 ") << K::NoVersionInformation << "" << "";
        QTest::newRow("newer, no file record") << kPage + record("0.6.0 ") << K::UpdateFileMissing << "0.6.0" << "";
        QTest::newRow("newer major, record first") << fileRecord("n1.zip ") + kPage + record("1.0.0 ") << K::NewerVersion
                                                   << "1.0.0" << "n1.zip";
        QTest::newRow("name up to the blank") << kPage + record("0.5.5 x") + fileRecord("nb055.zip rest")
                                              << K::NewerVersion << "0.5.5" << "nb055.zip";
        QTest::newRow("one-letter name") << kPage + record("0.6.0 ") + fileRecord("z ") << K::NewerVersion << "0.6.0" << "z";
        QTest::newRow("name at end of text") << kPage + record("0.6.0 ") + fileRecord("nb.zip") << K::UpdateFileMissing
                                             << "0.6.0" << "";
        QTest::newRow("name starting with blank") << kPage + record("0.6.0 ") + fileRecord(" nb.zip ")
                                                  << K::UpdateFileMissing << "0.6.0" << "";
        QTest::newRow("name climbing out") << kPage + record("0.6.0 ") + fileRecord(".. ") << K::UpdateFileMissing
                                           << "0.6.0" << "";
    }

    void outcome()
    {
        QFETCH(QString, reply);
        QFETCH(K, kind);
        QFETCH(QString, pageVersion);
        QFETCH(QString, fileName);

        const UpdatePage page(kTitle, QStringLiteral("Nearbell authors"), kAddress, ProgramVersion{0, 5, 4});
        const UpdateOutcome outcome = page.evaluateText(reply);
        QCOMPARE(outcome.kind, kind);
        QCOMPARE(outcome.status, statusFor(kind));
        const bool good = kind == K::UpToDate || kind == K::NewerVersion;
        QCOMPARE(outcome.colour, good ? QColor(0, 128, 0) : QColor(255, 0, 0));
        QCOMPARE(outcome.pageVersion, pageVersion);
        QCOMPARE(outcome.showLink, !fileName.isEmpty());
        if (fileName.isEmpty())
            return;
        QCOMPARE(outcome.linkText, QStringLiteral("Download the update ") + fileName);
        QCOMPARE(outcome.linkURL, kAddress + u'/' + fileName);
        QCOMPARE(outcome.linkToolTip, QStringLiteral("Download update ") + fileName + QStringLiteral(" from ") + kAddress);
    }

    void ownVersionByTheSameRule()
    {
        // Program 1.2.9 (1.29) counts as newer than the page's 1.2.10 (1.210).
        const QString reply = QStringLiteral("Nearbell authors ") + record("1.2.10 ") + fileRecord("n.zip ");
        const auto kindFor = [&](ProgramVersion own) {
            return UpdatePage(kTitle, QStringLiteral("Nearbell authors"), kAddress, own).evaluateText(reply).kind;
        };
        QCOMPARE(kindFor({1, 2, 9}), K::UpToDate);
        QCOMPARE(kindFor({1, 2, 0}), K::NewerVersion);
    }

    void fileNameCannotLeaveThePage_data()
    {
        QTest::addColumn<QByteArray>("name"); // bytes of the page, one character each
        QTest::addColumn<QString>("encoded");
        QTest::newRow("slashes, query, fragment, user") << QByteArray("../../evil?x=1#@other.example")
                                                        << "..%2F..%2Fevil%3Fx%3D1%23%40other.example";
        QTest::newRow("Latin-1 byte") << QByteArray("caf\xe9.zip") << "caf%C3%A9.zip";
        QTest::newRow("control character") << QByteArray("a\rb") << "a%0Db";
    }

    void fileNameCannotLeaveThePage()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, encoded);
        const QByteArray body = "Nearbell authors " + record("0.6.0 ").toLatin1() + " UpdateFile_" + kTitle.toLatin1()
            + '=' + name + ' ';
        const UpdateOutcome outcome =
            UpdatePage(kTitle, QStringLiteral("Nearbell authors"), kAddress, {0, 5, 4}).evaluate(body);
        QCOMPARE(outcome.kind, K::NewerVersion);
        QCOMPARE(outcome.fileName, QString::fromLatin1(name));
        QCOMPARE(outcome.linkURL, kAddress + u'/' + encoded);
    }
};

NEARBELL_TEST(UpdatePageTest)
#include "UpdatePageTest.moc"
