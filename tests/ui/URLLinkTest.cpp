#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
#include "platform/DesktopServicesOpener.h"
#include "platform/ScreenPointer.h"
#include "ui/PropertyBag.h"
#include "ui/RecordingDesktopOpener.h"
#include "ui/URLLink.h"

#include <QLabel>
#include <QTest>

using namespace nearbell;

class URLLinkTest : public QObject
{
    Q_OBJECT

    test::RecordingDesktopOpener opener;
    test::RecordingMessageDisplay messages;

private slots:
    void init()
    {
        opener = {};
        messages.shown.clear();
        ScreenPointer::setDefault();
    }
    void cleanup() { ScreenPointer::setDefault(); }

    void newInstanceHasDefaultsAndNoToolTip()
    {
        URLLink link(opener, messages);
        QCOMPARE(link.Text(), QStringLiteral("Tallowick Home Page"));
        QVERIFY(!link.ShowToolTip());
        QVERIFY(link.lblURL()->toolTip().isEmpty());
        QCOMPARE(link.lblURL()->cursor().shape(), Qt::PointingHandCursor);
    }

    void toolTipFollowsTheAddressOnlyWhenSwitchedOn()
    {
        URLLink link(opener, messages);
        link.setURL(QStringLiteral("http://a.example/"));
        QVERIFY(link.lblURL()->toolTip().isEmpty());
        link.setShowToolTip(true);
        QCOMPARE(link.lblURL()->toolTip(), QStringLiteral("http://a.example/"));
        link.setURL(QStringLiteral("http://b.example/"));
        QCOMPARE(link.lblURL()->toolTip(), QStringLiteral("http://b.example/"));
        link.setShowToolTip(false);
        QVERIFY(link.lblURL()->toolTip().isEmpty());
    }

    void longerTextWidensTheLabelNotTheControl()
    {
        URLLink link(opener, messages);
        link.resize(300, 17);
        link.setText(QStringLiteral("ab"));
        const int narrow = link.lblURL()->width();
        link.setText(QStringLiteral("Download the update nearbell060.zip"));
        QVERIFY(link.lblURL()->width() > narrow);
        QCOMPARE(link.lblURL()->pos(), QPoint(0, 0));
        QCOMPARE(link.size(), QSize(300, 17));
    }

    // What a press opens, with a GoToURL handler that may change or cancel.
    void press_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<bool>("hourglassAfter"); // an hourglass stood before the press

        const QStringList old{QStringLiteral("http://old.example/")};
        QTest::newRow("left") << Qt::LeftButton << QString() << false << old << false;
        QTest::newRow("right") << Qt::RightButton << QString() << false << QStringList{} << false;
        QTest::newRow("middle") << Qt::MiddleButton << QString() << false << QStringList{} << false;
        QTest::newRow("changed by handler") << Qt::LeftButton << QStringLiteral("http://new.example/") << false
                                            << QStringList{QStringLiteral("http://new.example/")} << false;
        QTest::newRow("cancelled, pointer untouched") << Qt::LeftButton << QStringLiteral("http://new.example/")
                                                      << true << QStringList{} << true;
    }

    void press()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(QString, replacement);
        QFETCH(bool, cancel);
        QFETCH(QStringList, opened);
        QFETCH(bool, hourglassAfter);

        URLLink link(opener, messages);
        link.setURL(QStringLiteral("http://old.example/"));
        QStringList seen;
        connect(&link, &URLLink::GoToURL, this, [&](QString &URL, bool &Cancel) {
            seen << URL << (Cancel ? "cancel" : "go");
            if (!replacement.isEmpty())
                URL = replacement;
            Cancel = cancel;
        });
        ScreenPointer::setHourglass();
        QTest::mousePress(link.lblURL(), button);

        if (button == Qt::LeftButton)
            QCOMPARE(seen, (QStringList{QStringLiteral("http://old.example/"), QStringLiteral("go")}));
        QCOMPARE(opener.opened, opened);
        QVERIFY(!opener.hourglassWhileOpening.contains(false));
        QCOMPARE(ScreenPointer::isHourglass(), hourglassAfter);
        QCOMPARE(link.URL(), QStringLiteral("http://old.example/"));
        QVERIFY(messages.shown.isEmpty());
    }

    void failedOpenIsReportedAndThePointerRestored()
    {
        URLLink link(opener, messages);
        link.setURL(QStringLiteral("bad address"));
        opener.failure = DesktopOpenError(DesktopOpenError::MalformedAddress, QStringLiteral("Malformed address"));
        QTest::mousePress(link.lblURL(), Qt::LeftButton);

        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("Unable to load 'bad address' : Malformed address (Error 2)"));
        QCOMPARE(messages.shown[0].title, QStringLiteral("Nearbell"));
        QVERIFY(!ScreenPointer::isHourglass());
    }

    void writeLeavesOutDefaultsAndReadsBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("show");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("all defaults") << URLLink::defaultText << false << QStringList{};
        QTest::newRow("all changed") << QStringLiteral("Home") << true
                                     << QStringList{QStringLiteral("ShowToolTip"), QStringLiteral("Text"), QStringLiteral("URL")};
    }

    void writeLeavesOutDefaultsAndReadsBack()
    {
        QFETCH(QString, text);
        QFETCH(bool, show);
        QFETCH(QStringList, stored);
        const QString url = show ? QStringLiteral("http://h.example/") : URLLink::defaultURL;

        URLLink link(opener, messages);
        link.setText(text);
        link.setURL(url);
        link.setShowToolTip(show);
        PropertyBag bag;
        bag.writeProperty(QStringLiteral("Text"), QStringLiteral("stale")); // an earlier save
        link.WriteProperties(bag);
        QCOMPARE(bag.names(), stored);

        URLLink copy(opener, messages);
        copy.ReadProperties(bag);
        QCOMPARE(copy.Text(), text);
        QCOMPARE(copy.URL(), url);
        QCOMPARE(copy.lblURL()->toolTip(), show ? url : QString());
    }

    void readProperties_data()
    {
        QTest::addColumn<QVariant>("text");
        QTest::addColumn<QVariant>("show");
        QTest::addColumn<QString>("expectText");
        QTest::addColumn<bool>("expectShow");

        const QVariant home(QStringLiteral("Home")), absent;
        QTest::newRow("no ShowToolTip reads as False") << home << absent << "Home" << false;
        QTest::newRow("ShowToolTip as the word true") << home << QVariant(QStringLiteral("true")) << "Home" << true;
        QTest::newRow("ShowToolTip as -1") << home << QVariant(-1) << "Home" << true;
        QTest::newRow("unreadable ShowToolTip resets all") << home << QVariant(QStringLiteral("maybe"))
                                                           << URLLink::defaultText << false;
        QTest::newRow("unreadable Text resets all") << QVariant(QVariantList{1, 2}) << QVariant(true)
                                                    << URLLink::defaultText << false;
    }

    void readProperties()
    {
        QFETCH(QVariant, text);
        QFETCH(QVariant, show);
        QFETCH(QString, expectText);
        QFETCH(bool, expectShow);

        PropertyBag bag;
        bag.writeProperty(QStringLiteral("Text"), text);
        bag.writeProperty(QStringLiteral("URL"), QStringLiteral("http://h.example/"));
        if (show.isValid())
            bag.writeProperty(QStringLiteral("ShowToolTip"), show);

        URLLink link(opener, messages);
        link.setShowToolTip(true);
        link.ReadProperties(bag);
        QCOMPARE(link.Text(), expectText);
        const bool reset = expectText == URLLink::defaultText;
        QCOMPARE(link.URL(), reset ? URLLink::defaultURL : QStringLiteral("http://h.example/"));
        QCOMPARE(link.ShowToolTip(), expectShow);
        QCOMPARE(link.lblURL()->toolTip(), expectShow ? link.URL() : QString());
    }

    void desktopAddresses_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("url"); // empty: refused as no address
        QTest::newRow("web address keeps its encoding") << "http://h.example/a%2Fb%3F.zip" << "http://h.example/a%2Fb%3F.zip";
        QTest::newRow("file path with hash") << "/opt/nearbell/a#b.html" << "file:///opt/nearbell/a%23b.html";
        QTest::newRow("blanks only") << "   " << "";
    }

    void desktopAddresses()
    {
        QFETCH(QString, target);
        QFETCH(QString, url);
        try {
            QCOMPARE(DesktopServicesOpener::toUrl(target).toString(QUrl::FullyEncoded), url);
        } catch (const DesktopOpenError &error) {
            QVERIFY(url.isEmpty());
            QCOMPARE(error.number(), int(DesktopOpenError::EmptyAddress));
        }
    }
};

NEARBELL_TEST(URLLinkTest)
#include "URLLinkTest.moc"
