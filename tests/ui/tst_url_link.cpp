#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
#include "platform/DesktopServicesOpener.h"
#include "platform/ScreenPointer.h"
#include "ui/PropertyBag.h"
#include "ui/RecordingDesktopOpener.h"
#include "ui/URLLink.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

using namespace nearbell;

namespace {
void pressOn(QWidget *widget, Qt::MouseButton button)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)), button,
                      button, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}
} // namespace

class URLLinkTest : public QObject
{
    Q_OBJECT

    nearbell::test::RecordingDesktopOpener opener;
    nearbell::test::RecordingMessageDisplay messages;

private slots:
    void init()
    {
        opener = {};
        messages.shown.clear();
        ScreenPointer::setDefault();
    }
    void cleanup() { ScreenPointer::setDefault(); }

    void newInstanceShowsTheDefaultsWithoutToolTip()
    {
        URLLink link(opener, messages);
        QCOMPARE(link.Text(), QStringLiteral("Tallowick Home Page"));
        QCOMPARE(link.URL(), URLLink::defaultURL);
        QVERIFY(!link.ShowToolTip());
        QVERIFY(link.lblURL()->toolTip().isEmpty());
        QVERIFY(link.lblURL()->font().underline());
        QCOMPARE(link.lblURL()->cursor().shape(), Qt::PointingHandCursor);
    }

    void toolTipFollowsTheAddressOnlyWhenSwitchedOn_data()
    {
        QTest::addColumn<bool>("show");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }

    void toolTipFollowsTheAddressOnlyWhenSwitchedOn()
    {
        QFETCH(bool, show);
        URLLink link(opener, messages);
        link.setURL(QStringLiteral("http://a.example/"));
        link.setShowToolTip(show);
        QCOMPARE(link.lblURL()->toolTip(), show ? QStringLiteral("http://a.example/") : QString());
        link.setURL(QStringLiteral("http://b.example/"));
        QCOMPARE(link.lblURL()->toolTip(), show ? QStringLiteral("http://b.example/") : QString());
        link.setShowToolTip(!show);
        QCOMPARE(link.lblURL()->toolTip(), show ? QString() : QStringLiteral("http://b.example/"));
    }

    void longerTextWidensTheLabelNotTheControl()
    {
        URLLink link(opener, messages);
        link.resize(300, 17);
        link.setText(QStringLiteral("ab"));
        const int narrow = link.lblURL()->width();
        link.setText(QStringLiteral("Download the update nearbell060.zip"));
        QVERIFY(link.lblURL()->width() > narrow);
        QCOMPARE(link.lblURL()->width(),
                 QFontMetrics(link.font()).horizontalAdvance(QStringLiteral("Download the update nearbell060.zip")));
        QCOMPARE(link.lblURL()->pos(), QPoint(0, 0));
        QCOMPARE(link.size(), QSize(300, 17));
    }

    void pressOpensWithTheLeftButtonOnly_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("opens");
        QTest::newRow("left") << int(Qt::LeftButton) << true;
        QTest::newRow("right") << int(Qt::RightButton) << false;
        QTest::newRow("middle") << int(Qt::MiddleButton) << false;
    }

    void pressOpensWithTheLeftButtonOnly()
    {
        QFETCH(int, button);
        QFETCH(bool, opens);
        URLLink link(opener, messages);
        link.setURL(QStringLiteral("http://nearbell.example.org"));
        ScreenPointer::setHourglass(); // left over from elsewhere
        pressOn(link.lblURL(), Qt::MouseButton(button));

        QCOMPARE(opener.opened, opens ? QStringList{QStringLiteral("http://nearbell.example.org")} : QStringList{});
        if (opens)
            QCOMPARE(opener.hourglassWhileOpening, QList<bool>{true});
        QVERIFY(!ScreenPointer::isHourglass());
        QVERIFY(messages.shown.isEmpty());
    }

    void goToUrlHandlerMayChangeOrCancel_data()
    {
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("untouched") << QString() << false << QStringList{QStringLiteral("http://old.example/")};
        QTest::newRow("changed") << QStringLiteral("http://new.example/") << false
                                 << QStringList{QStringLiteral("http://new.example/")};
        QTest::newRow("cancelled") << QString() << true << QStringList{};
        QTest::newRow("changed and cancelled") << QStringLiteral("http://new.example/") << true << QStringList{};
    }

    void goToUrlHandlerMayChangeOrCancel()
    {
        QFETCH(QString, replacement);
        QFETCH(bool, cancel);
        QFETCH(QStringList, opened);

        URLLink link(opener, messages);
        link.setURL(QStringLiteral("http://old.example/"));
        QString seen;
        bool cancelSeen = true;
        connect(&link, &URLLink::GoToURL, this, [&](QString &URL, bool &Cancel) {
            seen = URL;
            cancelSeen = Cancel;
            if (!replacement.isEmpty())
                URL = replacement;
            Cancel = cancel;
        });
        ScreenPointer::setHourglass();
        pressOn(link.lblURL(), Qt::LeftButton);

        QCOMPARE(seen, QStringLiteral("http://old.example/"));
        QVERIFY(!cancelSeen);
        QCOMPARE(opener.opened, opened);
        QCOMPARE(link.URL(), QStringLiteral("http://old.example/"));
        // A cancelled press leaves the pointer alone.
        QCOMPARE(ScreenPointer::isHourglass(), cancel);
    }

    void failedOpenIsReportedAndThePointerRestored()
    {
        URLLink link(opener, messages);
        link.setURL(QStringLiteral("bad address"));
        opener.failure = DesktopOpenError(DesktopOpenError::MalformedAddress, QStringLiteral("Malformed address"));
        pressOn(link.lblURL(), Qt::LeftButton);

        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text,
                 QStringLiteral("Unable to load 'bad address' : Malformed address (Error 2)"));
        QCOMPARE(messages.shown[0].title, QStringLiteral("Nearbell"));
        QVERIFY(!ScreenPointer::isHourglass());
    }

    void changesAreMarkedForSaving()
    {
        URLLink link(opener, messages);
        link.clearChangedProperties();
        QStringList order;
        connect(&link, &URLLink::PropertyChanged, this, [&](const QString &name) { order.append(name); });
        link.setText(QStringLiteral("x"));
        link.setShowToolTip(true);
        link.setURL(QStringLiteral("http://x.example/"));
        QCOMPARE(order, (QStringList{QStringLiteral("Text"), QStringLiteral("ShowToolTip"), QStringLiteral("URL")}));
        QCOMPARE(link.changedProperties().size(), 3);
    }

    void writeLeavesOutDefaults_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("show");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("all defaults") << URLLink::defaultText << URLLink::defaultURL << false << QStringList{};
        QTest::newRow("text only") << QStringLiteral("Home") << URLLink::defaultURL << false
                                   << QStringList{QStringLiteral("Text")};
        QTest::newRow("all changed") << QStringLiteral("Home") << QStringLiteral("http://h.example/") << true
                                     << QStringList{QStringLiteral("ShowToolTip"), QStringLiteral("Text"),
                                                    QStringLiteral("URL")};
    }

    void writeLeavesOutDefaults()
    {
        QFETCH(QString, text);
        QFETCH(QString, url);
        QFETCH(bool, show);
        QFETCH(QStringList, stored);

        URLLink link(opener, messages);
        link.setText(text);
        link.setURL(url);
        link.setShowToolTip(show);
        PropertyBag bag;
        bag.writeProperty(QStringLiteral("Text"), QStringLiteral("stale"));
        link.WriteProperties(bag);
        QCOMPARE(bag.names(), stored);

        // What was written reads back as the same control.
        URLLink copy(opener, messages);
        copy.ReadProperties(bag);
        QCOMPARE(copy.Text(), text);
        QCOMPARE(copy.URL(), url);
        QCOMPARE(copy.ShowToolTip(), show);
        QCOMPARE(copy.lblURL()->toolTip(), show ? url : QString());
    }

    void readProperties_data()
    {
        QTest::addColumn<QVariant>("text");
        QTest::addColumn<QVariant>("url");
        QTest::addColumn<QVariant>("show");
        QTest::addColumn<QString>("expectText");
        QTest::addColumn<QString>("expectUrl");
        QTest::addColumn<bool>("expectShow");

        const QVariant absent;
        const QString home = QStringLiteral("http://h.example/");
        QTest::newRow("nothing saved") << absent << absent << absent << URLLink::defaultText << URLLink::defaultURL
                                       << false;
        QTest::newRow("no ShowToolTip reads as False")
            << QVariant(QStringLiteral("Home")) << QVariant(home) << absent << "Home" << home << false;
        QTest::newRow("ShowToolTip as the word True")
            << QVariant(QStringLiteral("Home")) << QVariant(home) << QVariant(QStringLiteral("true")) << "Home"
            << home << true;
        QTest::newRow("ShowToolTip as -1") << QVariant(QStringLiteral("Home")) << QVariant(home) << QVariant(-1)
                                           << "Home" << home << true;
        QTest::newRow("unreadable ShowToolTip resets everything")
            << QVariant(QStringLiteral("Home")) << QVariant(home) << QVariant(QStringLiteral("maybe"))
            << URLLink::defaultText << URLLink::defaultURL << false;
        QTest::newRow("unreadable Text resets everything")
            << QVariant(QVariantList{1, 2}) << QVariant(home) << QVariant(true) << URLLink::defaultText
            << URLLink::defaultURL << false;
        QTest::newRow("unreadable URL resets everything")
            << QVariant(QStringLiteral("Home")) << QVariant(QVariantMap{}) << QVariant(true) << URLLink::defaultText
            << URLLink::defaultURL << false;
    }

    void readProperties()
    {
        QFETCH(QVariant, text);
        QFETCH(QVariant, url);
        QFETCH(QVariant, show);
        QFETCH(QString, expectText);
        QFETCH(QString, expectUrl);
        QFETCH(bool, expectShow);

        PropertyBag bag;
        if (text.isValid())
            bag.writeProperty(QStringLiteral("Text"), text);
        if (url.isValid())
            bag.writeProperty(QStringLiteral("URL"), url);
        if (show.isValid())
            bag.writeProperty(QStringLiteral("ShowToolTip"), show);

        URLLink link(opener, messages);
        link.setText(QStringLiteral("before"));
        link.setURL(QStringLiteral("http://before.example/"));
        link.setShowToolTip(true);
        link.ReadProperties(bag);
        QCOMPARE(link.Text(), expectText);
        QCOMPARE(link.URL(), expectUrl);
        QCOMPARE(link.ShowToolTip(), expectShow);
        QCOMPARE(link.lblURL()->toolTip(), expectShow ? expectUrl : QString());
    }

    void desktopAddresses_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("url"); // empty: refused
        QTest::addColumn<int>("errorNumber");
        QTest::newRow("web address keeps its encoding")
            << "http://h.example/dir/a%2Fb%3F.zip" << "http://h.example/dir/a%2Fb%3F.zip" << 0;
        QTest::newRow("mail address") << "mailto:someone@h.example" << "mailto:someone@h.example" << 0;
        QTest::newRow("absolute file") << "/opt/nearbell/nearbell.html" << "file:///opt/nearbell/nearbell.html"
                                       << 0;
        QTest::newRow("file name with hash")
            << "/opt/nearbell/a#b.html" << "file:///opt/nearbell/a%23b.html" << 0;
        QTest::newRow("empty") << "" << "" << int(DesktopOpenError::EmptyAddress);
        QTest::newRow("blanks only") << "   " << "" << int(DesktopOpenError::EmptyAddress);
    }

    void desktopAddresses()
    {
        QFETCH(QString, target);
        QFETCH(QString, url);
        QFETCH(int, errorNumber);
        try {
            const QUrl result = DesktopServicesOpener::toUrl(target);
            QCOMPARE(errorNumber, 0);
            QCOMPARE(result.toString(QUrl::FullyEncoded), url);
        } catch (const DesktopOpenError &error) {
            QCOMPARE(error.number(), errorNumber);
            QVERIFY(!error.description().isEmpty());
        }
    }
};

NEARBELL_TEST(URLLinkTest)
#include "tst_url_link.moc"
