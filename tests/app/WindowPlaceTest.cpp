#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/Program.h"
#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
#include "host/ScriptedHost.h"
#include "platform/DesktopOpener.h"
#include "platform/SoundPlayer.h"
#include "platform/WindowRaiser.h"
#include "ui/PopupMenuPresenter.h"
#include "ui/frmMain.h"

using namespace nearbell;

namespace {

class Quiet : public SoundPlayer, public WindowRaiser, public DesktopOpener, public PopupMenuPresenter
{
public:
    void play(const QString &) override {}
    void bringToFront() override {}
    bool open(const QString &) override { return false; }
    void popup(QMenu *, QPoint) override {}
};

QByteArray setting(const QByteArray &ini, const QByteArray &key)
{
    const qsizetype at = ini.indexOf("\n" + key + "=");
    return at < 0 ? QByteArray() : ini.mid(at + key.size() + 2).split('\r').first();
}

} // namespace

// LEFT/TOP are the outer window's position: starting and ending the program
// again and again leaves the window where it was, to the pixel, also under a
// window manager that draws frames.
class WindowPlaceTest : public QObject
{
    Q_OBJECT

private slots:
    void windowStaysWhereItWas_data()
    {
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QByteArray>("top");
        QTest::newRow("1500, 1500") << QByteArray("1500") << QByteArray("1500");
        QTest::newRow("3000, 600") << QByteArray("3000") << QByteArray("600");
    }

    void windowStaysWhereItWas()
    {
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, top);
        QTemporaryDir dir;
        {
            QFile profile(dir.filePath("uiview32.ini"));
            QVERIFY(profile.open(QIODevice::WriteOnly));
            profile.write("[STATION]\r\nCALLSIGN=N0DEMO\r\n");
            QFile ini(dir.filePath("nearbell.INI"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[SETUP]\r\nLEFT=" + left + "\r\nTOP=" + top + "\r\n");
        }
        QList<QPoint> frames;
        for (int run = 0; run < 10; ++run) {
            test::RecordingMessageDisplay messages;
            Quiet quiet;
            ProgramServices services;
            services.programFolder = dir.path();
            services.executableName = QStringLiteral("nearbell");
            services.messages = &messages;
            services.popups = &quiet;
            services.sound = &quiet;
            services.raiser = &quiet;
            services.opener = &quiet;
            services.createHost = [](const ProgramGlobals &) { return std::make_unique<ScriptedHost>(); };
            services.endProgram = [](int) {};
            services.quit = [] {};
            Program program(services);
            QVERIFY(program.Form_Load());
            frmMain *w = program.window();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            const double tpp = w->twipsPerPixel();
            const QPoint wanted(qRound(left.toInt() / tpp), qRound(top.toInt() / tpp));
            QTRY_COMPARE_WITH_TIMEOUT(w->frameGeometry().topLeft(), wanted, 3000);
            frames << w->frameGeometry().topLeft();
            QVERIFY2(frames.last() == wanted, qPrintable(QStringLiteral("run %1").arg(run + 1)));
            w->mnuFileExit->trigger();
            QFile ini(dir.filePath("nearbell.INI"));
            QVERIFY(ini.open(QIODevice::ReadOnly));
            const QByteArray saved = ini.readAll();
            QCOMPARE(setting(saved, "LEFT"), left);
            QCOMPARE(setting(saved, "TOP"), top);
        }
        QCOMPARE(frames.count(frames.first()), 10);
    }
};

NEARBELL_TEST(WindowPlaceTest)
#include "WindowPlaceTest.moc"
