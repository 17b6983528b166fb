#include "app/Application.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QPointer>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "host/LocalHost.h"
#include "host/StationSourceFactory.h"
#include "platform/DbusNotifier.h"
#include "platform/DesktopServicesOpener.h"
#include "platform/LatencyLog.h"
#include "platform/ProgramLayout.h"
#include "platform/ProgramLocation.h"
#include "platform/QtMessageDisplay.h"
#include "platform/QtSoundPlayer.h"
#include "platform/QtSpeechVoice.h"
#include "platform/SpeechQueue.h"
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

// The folder of the running executable as a path that opens the folder
// itself, and the executable's name. File names are bytes here: a folder
// whose name is not valid UTF-8 ("caf\xe9") does not survive the trip through
// a QString, so it is opened once by its bytes and then named through that
// open descriptor.
void locateProgram(const ProgramLayout &layout, QString &folder, QString &executableName)
{
    folder = layout.programFolder();
    executableName = layout.executableName();
    char target[4096];
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target - 1);
    if (length <= 0)
        return;
    const QByteArray path(target, length);
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folderBytes = path.left(qMax<qsizetype>(slash, 1));
    if (QFile::encodeName(QFile::decodeName(folderBytes)) == folderBytes)
        return;
    const int fd = ::open(folderBytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    folder = QStringLiteral("/proc/self/fd/%1").arg(fd);
    const ProgramLocation reachable(folder + u'/' + QFile::decodeName(path.mid(slash + 1)));
    executableName = reachable.executableName();
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
    // Until start-up has completed a stop signal ends the program at once.
    SignalWatcher::setStarting(true);
    // Beyond a file-size limit a write fails with an error the saves report,
    // instead of the signal ending the program in the middle of the save.
    std::signal(SIGXFSZ, SIG_IGN);

    QApplication app(argc, argv);
    SignalWatcher signalWatcher;
    initResources();
    QApplication::setApplicationName(QStringLiteral("Nearbell"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/nearbell/nearbell.png")));
    // Lets the desktop match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("nearbell"));

    ProgramLayout layout = ProgramLayout::ofRunningProgram(forcedFolder);
    // A portable folder is the executable's own, whatever bytes name it:
    // every later use (preparing it, the lock, the files) goes through the
    // path that reaches it.
    QString executableName = layout.executableName();
    if (!layout.installed() && forcedFolder.isEmpty()) {
        QString reachable;
        locateProgram(layout, reachable, executableName);
        layout = layout.portableFolderAs(reachable);
    }
    const QString folder = layout.programFolder();
    QtMessageDisplay messages;
    if (const QString problem = layout.prepareProgramFolder(); !problem.isEmpty()) {
        // A failed write never stops the program: it runs on, and every save
        // that fails is shown in red in the status line and ends the program
        // with a non-zero status.
        std::fprintf(stderr, "Nearbell: %s\n", problem.toLocal8Bit().constData());
    }
    SingleInstance instance(folder);
    QtPopupMenuPresenter popups;
    QtSoundPlayer sound;
    DesktopServicesOpener opener;
    QtDialogPresenter dialogs;
    DbusNotifier notifier;
    QtSpeechVoice voice;
    SpeechQueue speaker(&voice);

    ProgramServices services;
    services.programFolder = folder;
    services.dataFolder = layout.dataFolder();
    services.executableName = executableName;
    services.dialogs = &dialogs;
    services.messages = &messages;
    services.popups = &popups;
    services.sound = &sound;
    services.opener = &opener;
    services.notifier = &notifier;
    services.speaker = &speaker;
    services.anotherInstanceRunning = [&instance] {
        const bool running = instance.anotherInstanceRunning();
        if (!instance.failure().isEmpty()) {
            const QString line = QStringLiteral("Cannot tell whether Nearbell already runs: %1")
                                     .arg(instance.failure());
            std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        }
        return running;
    };
    services.instanceCheckFailure = [&instance] { return instance.failure(); };
    // Long-run measurements (scripts/soak.sh), only on request.
    const std::unique_ptr<LatencyLog> latency = LatencyLog::fromEnvironment();
    services.createHost = [&latency](const ProgramGlobals &globals) -> std::unique_ptr<HostApplication> {
        // The host as its profile describes it: station source and, for a
        // mobile station, the gpsd position.
        std::unique_ptr<LocalHost> host = LocalHost::create(globals.gstrHostIniFile, globals.gstrMyCallsign);
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
    if (latency) {
        LatencyLog *log = latency.get();
        services.alarmRaised = [log](const QString &callsign) { log->note("alarm", callsign.toUtf8()); };
    }

    Program program(services);
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &program, &Program::terminate);

    if (!program.Form_Load())
        return program.exitStatus();
    if (latency && program.window())
        latency->watchCycle(program.window()->findChild<QTimer *>(QStringLiteral("Timer1")));
    // From here a stop request closes the window and the list is saved.
    SignalWatcher::setStarting(false);
    const int loopStatus = app.exec();
    return loopStatus != 0 ? loopStatus : program.exitStatusAtEnd();
}

} // namespace nearbell
