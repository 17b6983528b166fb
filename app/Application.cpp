#include "app/Application.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "host/HostProfile.h"
#include "host/LocalHost.h"
#include "host/StationSourceFactory.h"
#include "platform/DesktopServicesOpener.h"
#include "platform/LatencyLog.h"
#include "platform/ProgramLayout.h"
#include "platform/QtMessageDisplay.h"
#include "platform/QtSoundPlayer.h"
#include "platform/SignalWatcher.h"
#include "platform/SingleInstance.h"
#include "ui/DialogPresenter.h"
#include "ui/QtPopupMenuPresenter.h"
#include "ui/frmMain.h"

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

// Reads the command line before any window exists, so --help and --version
// work without a desktop. False when the program is to end with *status.
bool readCommandLine(int argc, char **argv, QString &folder, int &status)
{
    if (argc <= 1)
        return true;
    const QCoreApplication core(argc, argv);
    const CommandLine::Outcome outcome = CommandLine::parse(QCoreApplication::arguments());
    if (outcome.action == CommandLine::Action::Print) {
        std::fputs(outcome.standardOutput.toLocal8Bit().constData(), stdout);
        std::fputs(outcome.standardError.toLocal8Bit().constData(), stderr);
        status = outcome.status;
        return false;
    }
    folder = outcome.folder;
    return true;
}

} // namespace

int Application::run(int argc, char **argv)
{
    QString forcedFolder;
    int status = 0;
    if (!readCommandLine(argc, argv, forcedFolder, status))
        return status;
    if (!hasDisplay()) {
        std::fputs("Nearbell needs a desktop session, and none was found (DISPLAY is not set).\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    initResources();
    QApplication::setApplicationName(QStringLiteral("Nearbell"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/nearbell/nearbell.png")));
    // Lets the desktop match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("nearbell"));

    const ProgramLayout layout = ProgramLayout::ofRunningProgram(forcedFolder);
    QtMessageDisplay messages;
    if (const QString problem = layout.prepareProgramFolder(); !problem.isEmpty()) {
        // Running on would lose every setting and acknowledgement at exit.
        std::fprintf(stderr, "Nearbell: %s\n", problem.toLocal8Bit().constData());
        messages.show(nullptr, QStringLiteral("Nearbell"),
                      problem + QStringLiteral("\n\nStart it with --folder and a folder that can be written, or make this one writable. The program will be stopped"), MessageDisplay::Icon::Critical);
        return 1;
    }
    SingleInstance instance(layout.executablePath());
    QtPopupMenuPresenter popups;
    QtSoundPlayer sound;
    DesktopServicesOpener opener;
    QtDialogPresenter dialogs;

    ProgramServices services;
    services.programFolder = layout.programFolder();
    services.dataFolder = layout.dataFolder();
    services.executableName = layout.executableName();
    services.dialogs = &dialogs;
    services.messages = &messages;
    services.popups = &popups;
    services.sound = &sound;
    services.opener = &opener;
    services.anotherInstanceRunning = [&instance] { return instance.anotherInstanceRunning(); };
    // Long-run measurements (scripts/soak.sh), only on request.
    const std::unique_ptr<LatencyLog> latency = LatencyLog::fromEnvironment();
    services.createHost = [&latency](const ProgramGlobals &globals) -> std::unique_ptr<HostApplication> {
        const HostSettings settings = HostProfile::read(globals.gstrHostIniFile);
        auto host = std::make_unique<LocalHost>(settings, makeStationSource(settings));
        if (latency) {
            QPointer<LocalHost> held(host.get());
            latency->addFigure("stations", [held] { return held ? held->table().entryCount() : 0; });
            latency->addFigure("dropped", [held] { return held ? held->table().droppedCount() : 0; });
        }
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
    if (latency && program.window())
        latency->watchCycle(program.window()->findChild<QTimer *>(QStringLiteral("Timer1")));
    return app.exec();
}

} // namespace nearbell
