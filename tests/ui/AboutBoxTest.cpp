#include "Version.h"
#include "platform/ProgramGlobals.h"
#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
#include "platform/ScreenPointer.h"
#include "ui/AboutBox.h"
#include "ui/RecordingDesktopOpener.h"
#include "ui/URLLink.h"
#include "ui/frmAbout.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace nearbell;

class AboutBoxTest : public QObject
{
    Q_OBJECT

    ProgramGlobals globals;
    test::RecordingDesktopOpener opener;
    test::RecordingMessageDisplay messages;

private slots:
    void initTestCase() { globals.gstrCaption = QStringLiteral("UI-View32 add-on Nearbell V0.5.4"); }

    void contents_data()
    {
        QTest::addColumn<QString>("legalText");
        QTest::addColumn<QString>("shown");
        QTest::newRow("build's copyright") << QString::fromUtf8(version::copyright) << QString::fromUtf8(version::copyright);
        QTest::newRow("empty legal notice") << QString() << QStringLiteral("Not set in Project!");
    }

    void contents()
    {
        QFETCH(QString, legalText);
        QFETCH(QString, shown);
        AboutBox about(globals, opener, messages);
        about.setLegalNoticeText(legalText);
        about.mnuHelpAbout_Click();
        std::unique_ptr<frmAbout> box(about.window());
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->windowTitle(), QStringLiteral("About UI-View32 add-on Nearbell V0.5.4"));
        QCOMPARE(box->Label1->text(), globals.gstrCaption);
        QCOMPARE(box->Label2->text(), QStringLiteral("written by the Nearbell authors"));
        QCOMPARE(box->Label3->text(),
                 QStringLiteral("This UI-View32 add-on sounds an alarm when stations are withing a certain range. "));
        QCOMPARE(box->Label5->text(), shown);
        QVERIFY(!box->Label6->text().isEmpty());
        QCOMPARE(box->URLLink1->Text(), QString::fromUtf8(version::homeUrl));

        // The disclaimer sits below the legal notice and clear of the OK button.
        QVERIFY(box->Label6->geometry().top() >= box->Label5->geometry().bottom());
        QVERIFY(!box->Label6->geometry().intersects(box->Command1->geometry()));
        QVERIFY(box->rect().contains(box->Label6->geometry()));

        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(box->pos(), QPoint(screen.left() + (screen.width() - box->width()) / 2,
                                    screen.top() + (screen.height() - box->height()) / 2));

        QTest::mouseClick(box->URLLink1->lblURL(), Qt::LeftButton);
        QCOMPARE(opener.opened.value(0), QString::fromUtf8(version::homeUrl));
    }

    void openBoxIsLeftUnchangedAndOkUnloadsIt()
    {
        AboutBox about(globals, opener, messages);
        about.mnuHelpAbout_Click();
        QPointer<frmAbout> first = about.window();
        first->move(10, 20);
        first->Label2->setText(QStringLiteral("marker"));
        about.mnuHelpAbout_Click();
        QCOMPARE(about.window(), first.data());
        QCOMPARE(first->Label2->text(), QStringLiteral("marker"));
        QCOMPARE(first->pos(), QPoint(10, 20));

        ScreenPointer::setHourglass();
        QTest::mouseClick(first->Command1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QVERIFY(!ScreenPointer::isHourglass());

        about.mnuHelpAbout_Click();
        std::unique_ptr<frmAbout> second(about.window());
        QVERIFY(second);
        QCOMPARE(second->Label2->text(), QStringLiteral("written by the Nearbell authors"));
    }
};

NEARBELL_TEST(AboutBoxTest)
#include "AboutBoxTest.moc"
