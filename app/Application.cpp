#include "app/Application.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

#include "app/Program.h"
#include "host/LocalHost.h"
#include "platform/DesktopServicesOpener.h"
#include "platform/ProgramLocation.h"
#include "platform/QtMessageDisplay.h"
#include "platform/QtSoundPlayer.h"
#include "platform/SignalWatcher.h"
#include "platform/SingleInstance.h"
#include "ui/QtPopupMenuPresenter.h"

static void initResources()
{
    // The icon lives in the core library's resources.
    Q_INIT_RESOURCE(nearbell);
}

namespace nearbell {

namespace {

// Without any display the toolkit would abort with its own message; say
// plainly what is missing instead.
bool hasDisplay()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY")
           || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

int Application::run(int argc, char **argv)
{
    if (!hasDisplay()) {
        std::fputs("Nearbell needs a desktop session, and none was found (DISPLAY is not set).\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    initResources();
    QApplication::setApplicationName(QStringLiteral("Nearbell"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/nearbell/nearbell.png")));

    const ProgramLocation location = ProgramLocation::ofRunningProgram();
    SingleInstance instance(location.executablePath());
    QtMessageDisplay messages;
    QtPopupMenuPresenter popups;
    QtSoundPlayer sound;
    DesktopServicesOpener opener;

    ProgramServices services;
    services.programFolder = location.folder();
    services.executableName = location.executableName();
    services.messages = &messages;
    services.popups = &popups;
    services.sound = &sound;
    services.opener = &opener;
    services.anotherInstanceRunning = [&instance] { return instance.anotherInstanceRunning(); };
    services.createHost = [](const ProgramGlobals &globals) -> std::unique_ptr<HostApplication> {
        // The host as its profile describes it: station source and, for a
        // mobile station, the gpsd position.
        std::unique_ptr<LocalHost> host = LocalHost::create(globals.gstrHostIniFile);
        host->start();
        return host;
    };
    services.endProgram = [](int status) {
        std::fflush(nullptr);
        std::exit(status);
    };
    services.quit = [] { QCoreApplication::exit(0); };

    Program program(services);
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &program, &Program::terminate);

    if (!program.Form_Load())
        return program.exitStatus();
    return app.exec();
}

} // namespace nearbell
