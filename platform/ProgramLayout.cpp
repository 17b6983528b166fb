#include "platform/ProgramLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

#include "platform/ProgramLocation.h"

namespace nearbell {

namespace {

const QString kAppFolder = QStringLiteral("nearbell");

QString dataFolderOf(const QString &executableFolder)
{
    return QDir::cleanPath(executableFolder + QStringLiteral("/../share/") + kAppFolder);
}

// The installed layout: "<prefix>/bin/<exe>" with "<prefix>/share/nearbell".
bool looksInstalled(const QString &executableFolder)
{
    return QFileInfo(executableFolder).fileName() == QLatin1String("bin")
           && QFileInfo(dataFolderOf(executableFolder)).isDir();
}

} // namespace

QString ProgramLayout::configBase(const QString &configHome, const QString &home)
{
    // A relative value is meaningless here and a file cannot hold folders:
    // both fall back to the usual place rather than to somewhere surprising.
    if (!configHome.isEmpty() && QDir::isAbsolutePath(configHome)) {
        const QFileInfo info(configHome);
        if (!info.exists() || info.isDir())
            return QDir::cleanPath(configHome);
    }
    return QDir::cleanPath(home + QStringLiteral("/.config"));
}

ProgramLayout ProgramLayout::forExecutable(const QString &executablePath, const QString &configHome,
                                           const QString &home)
{
    const ProgramLocation location(executablePath);
    ProgramLayout layout;
    layout.m_executablePath = location.executablePath();
    layout.m_executableName = location.executableName();
    if (looksInstalled(location.folder())) {
        layout.m_kind = Kind::Installed;
        layout.m_programFolder = configBase(configHome, home) + u'/' + kAppFolder;
        layout.m_dataFolder = dataFolderOf(location.folder());
    } else {
        layout.m_programFolder = location.folder();
        layout.m_dataFolder = location.folder();
    }
    return layout;
}

ProgramLayout ProgramLayout::forcedFolder(const QString &executablePath, const QString &folder)
{
    const ProgramLocation location(executablePath);
    ProgramLayout layout;
    layout.m_executablePath = location.executablePath();
    layout.m_executableName = location.executableName();
    layout.m_programFolder = QFileInfo(QDir::cleanPath(folder)).absoluteFilePath();
    layout.m_dataFolder = looksInstalled(location.folder()) ? dataFolderOf(location.folder())
                                                            : layout.m_programFolder;
    return layout;
}

ProgramLayout ProgramLayout::portableFolderAs(const QString &folder) const
{
    ProgramLayout layout = *this;
    if (m_kind == Kind::Portable) {
        layout.m_programFolder = folder;
        layout.m_dataFolder = folder;
    }
    return layout;
}

ProgramLayout ProgramLayout::ofRunningProgram(const QString &forcedFolder)
{
    const QString executable = QCoreApplication::applicationFilePath();
    if (!forcedFolder.isEmpty())
        return ProgramLayout::forcedFolder(executable, forcedFolder);
    return forExecutable(executable, qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
}

QStringList ProgramLayout::searchFolders() const
{
    if (m_dataFolder.isEmpty() || m_dataFolder == m_programFolder)
        return {m_programFolder};
    return {m_programFolder, m_dataFolder};
}

QString ProgramLayout::findFile(const QString &relativePath) const
{
    for (const QString &folder : searchFolders()) {
        const QString path = folder + u'/' + relativePath;
        if (QFileInfo::exists(path))
            return path;
    }
    return m_programFolder + u'/' + relativePath;
}

QString ProgramLayout::prepareProgramFolder() const
{
    const QFileInfo info(m_programFolder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("%1 is a file, not a folder.").arg(m_programFolder);
    if (!info.exists()) {
        if (!QDir().mkpath(m_programFolder))
            return QStringLiteral("The folder %1 cannot be created.").arg(m_programFolder);
        if (m_kind == Kind::Installed)
            QFile::setPermissions(m_programFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // Permission bits do not tell the whole story (read-only mounts, root):
    // only a real write proves that settings and lists will be kept.
    QTemporaryFile probe(m_programFolder + QStringLiteral("/.nearbell-XXXXXX"));
    if (!probe.open())
        return QStringLiteral("Files cannot be written in the folder %1: settings and acknowledged "
                              "stations would be lost.")
            .arg(m_programFolder);
    return {};
}

} // namespace nearbell
