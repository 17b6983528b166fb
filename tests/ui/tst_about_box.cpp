#include "app/ProgramGlobals.h"
#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
#include "platform/ScreenPointer.h"
#include "ui/AboutBox.h"
#include "ui/RecordingDesktopOpener.h"
#include "ui/URLLink.h"
#include "ui/frmAbout.h"

#include "Version.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace nearbell;

class AboutBoxTest : public QObject
{
    Q_OBJECT

    ProgramGlobals globals;
    nearbell::test::RecordingDesktopOpener opener;
    nearbell::test::RecordingMessageDisplay messages;

    static void closeAndDelete(QWidget *window)
    {
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void initTestCase()
    {
        globals.gstrProgramTitle = QStringLiteral("UI-View32 add-on Nearbell");
        globals.gstrCaption = QStringLiteral("UI-View32 add-on Nearbell V0.5.4");
    }

    void contents()
    {
        AboutBox about(globals, opener, messages);
        about.mnuHelpAbout_Click();
        frmAbout *box = about.window();
        QVERIFY(box);
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowTitle(), QStringLiteral("About UI-View32 add-on Nearbell V0.5.4"));
        QCOMPARE(box->Label1->text(), globals.gstrCaption);
        QCOMPARE(box->Label2->text(), QStringLiteral("written by the Nearbell authors"));
        QCOMPARE(box->Label3->text(),
                 QStringLiteral("This UI-View32 add-on sounds an alarm when stations are withing a certain range. "));
        QCOMPARE(box->Label4->text(), QStringLiteral("Legal"));
        QCOMPARE(box->Label5->text(), QString::fromUtf8(version::copyright));
        QCOMPARE(box->Label8->text(), QStringLiteral("More information on this website"));
        QVERIFY(!box->Label6->text().isEmpty());
        QCOMPARE(box->Command1->text(), QStringLiteral("&OK"));
        QCOMPARE(box->URLLink1->Text(), QString::fromUtf8(version::homeUrl));
        QCOMPARE(box->URLLink1->URL(), QString::fromUtf8(version::homeUrl));
        QVERIFY(box->Label1->font().bold());
        QVERIFY(!box->Label3->font().bold());
        QVERIFY(box->Label3->wordWrap());

        // The disclaimer sits between the legal notice and the OK button,
        // overlapping neither.
        QVERIFY(box->Label6->geometry().top() >= box->Label5->geometry().bottom());
        QVERIFY(!box->Label6->geometry().intersects(box->Command1->geometry()));
        QVERIFY(box->rect().contains(box->Label6->geometry()));
        QVERIFY(box->rect().contains(box->Command1->geometry()));

        // Centred on the screen.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(box->pos(), QPoint(screen.left() + (screen.width() - box->width()) / 2,
                                    screen.top() + (screen.height() - box->height()) / 2));

        // The home-page link opens the home page.
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(box->URLLink1->lblURL(), &press);
        QCOMPARE(opener.opened.value(0), QString::fromUtf8(version::homeUrl));
        closeAndDelete(box);
    }

    void legalNotice_data()
    {
        QTest::addColumn<QString>("versionText");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << QString() << QStringLiteral("Not set in Project!");
        QTest::newRow("set") << QStringLiteral("Copyright (C) 2026 someone") << QStringLiteral("Copyright (C) 2026 someone");
    }

    void legalNotice()
    {
        QFETCH(QString, versionText);
        QFETCH(QString, shown);
        AboutBox about(globals, opener, messages);
        about.setLegalNoticeText(versionText);
        about.mnuHelpAbout_Click();
        QCOMPARE(about.window()->Label5->text(), shown);
        closeAndDelete(about.window());
    }

    void openBoxIsLeftUnchanged()
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

        // OK unloads it; the next command loads it afresh.
        QTest::mouseClick(first->Command1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        about.mnuHelpAbout_Click();
        QVERIFY(about.window());
        QCOMPARE(about.window()->Label2->text(), QStringLiteral("written by the Nearbell authors"));
        closeAndDelete(about.window());
    }

    void closingRestoresTheDefaultPointer()
    {
        AboutBox about(globals, opener, messages);
        about.mnuHelpAbout_Click();
        ScreenPointer::setHourglass();
        closeAndDelete(about.window());
        QVERIFY(!ScreenPointer::isHourglass());
    }
};

NEARBELL_TEST(AboutBoxTest)
#include "tst_about_box.moc"
