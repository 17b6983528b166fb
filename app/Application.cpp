#include "app/Application.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "app/Program.h"
#include "host/HostProfile.h"
#include "host/LocalHost.h"
#include "host/StationSourceFactory.h"
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

// The program folder as a path that opens the folder itself, and the
// executable's name. File names are bytes here: a folder whose name is not
// valid UTF-8 ("caf\xe9") does not survive the trip through a QString, so it
// is opened once by its bytes and then named through that open descriptor.
void locateProgram(const ProgramLocation &location, QString &folder, QString &executableName)
{
    folder = location.folder();
    executableName = location.executableName();
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

    const ProgramLocation location = ProgramLocation::ofRunningProgram();
    QString folder;
    QString executableName;
    locateProgram(location, folder, executableName);
    SingleInstance instance(folder);
    QtMessageDisplay messages;
    QtPopupMenuPresenter popups;
    QtSoundPlayer sound;
    DesktopServicesOpener opener;

    ProgramServices services;
    services.programFolder = folder;
    services.executableName = executableName;
    services.messages = &messages;
    services.popups = &popups;
    services.sound = &sound;
    services.opener = &opener;
    services.anotherInstanceRunning = [&instance] {
        const bool running = instance.anotherInstanceRunning();
        if (!instance.failure().isEmpty()) {
            const QString line = QStringLiteral("Cannot tell whether Nearbell already runs: %1")
                                     .arg(instance.failure());
            std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        }
        return running;
    };
    services.createHost = [](const ProgramGlobals &globals) -> std::unique_ptr<HostApplication> {
        const HostSettings settings = HostProfile::read(globals.gstrHostIniFile);
        auto host = std::make_unique<LocalHost>(settings, makeStationSource(settings));
        host->start();
        return host;
    };
    services.endProgram = [](int status) {
        std::fflush(nullptr);
        std::exit(status);
    };
    services.quit = [] { QCoreApplication::exit(0); };

    Program program(services);
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &program, &Program::terminate);

    if (!program.Form_Load())
        return program.exitStatus();
    // From here a stop request closes the window and the list is saved.
    SignalWatcher::setStarting(false);
    const int status = app.exec();
    return status != 0 ? status : program.exitStatusAtEnd();
}

} // namespace nearbell
