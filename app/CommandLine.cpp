#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include "Version.h"

namespace nearbell {

namespace {

// Options the toolkit reads itself; accepted here so that they still reach it.
void addToolkitOptions(QCommandLineParser &parser)
{
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowicon", "qwindowtitle", "style", "stylesheet", "session", "display",
                             "geometry", "title"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

QString folderProblem(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("the folder %1 does not exist").arg(folder);
    if (!info.isDir())
        return QStringLiteral("%1 is not a folder").arg(folder);
    QTemporaryFile probe(folder + QStringLiteral("/.nearbell-XXXXXX"));
    if (!probe.open())
        return QStringLiteral("files cannot be written in the folder %1").arg(folder);
    return {};
}

} // namespace

QString CommandLine::versionLine()
{
    return QStringLiteral("Nearbell %1.%2.%3").arg(version::major).arg(version::minor).arg(version::revision);
}

CommandLine::Outcome CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Proximity alarm for APRS stations: lists the stations closer than your alarm range "
                       "and sounds a siren."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Print the version and end."));
    const QCommandLineOption folder(
        QStringLiteral("folder"),
        QStringLiteral("Keep every file in <folder>, as a portable program folder does."),
        QStringLiteral("folder"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(folder);
    addToolkitOptions(parser);

    Outcome outcome;
    auto fail = [&](const QString &reason) {
        outcome.action = Action::Print;
        outcome.status = 2;
        outcome.standardError = reason + QStringLiteral("\n\n") + parser.helpText();
        return outcome;
    };

    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        outcome.action = Action::Print;
        outcome.standardOutput = parser.helpText();
        return outcome;
    }
    if (parser.isSet(version)) {
        outcome.action = Action::Print;
        outcome.standardOutput = versionLine() + u'\n';
        return outcome;
    }
    if (parser.isSet(folder)) {
        const QString given = parser.value(folder);
        const QString absolute = given.isEmpty() ? QString() : QFileInfo(given).absoluteFilePath();
        if (absolute.isEmpty())
            return fail(QStringLiteral("--folder needs a folder."));
        const QString problem = folderProblem(absolute);
        if (!problem.isEmpty()) {
            outcome.action = Action::Print;
            outcome.status = 2;
            outcome.standardError = QStringLiteral("Nearbell cannot use --folder: %1.\n").arg(problem);
            return outcome;
        }
        outcome.folder = QDir::cleanPath(absolute);
    }
    return outcome;
}

} // namespace nearbell
