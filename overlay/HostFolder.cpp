#include "overlay/HostFolder.h"

#include "platform/ProfileFile.h"
#include "platform/ProgramLayout.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace nearbell {

namespace {
const QString kSection = QStringLiteral("UI-View32");
const QString kKey = QStringLiteral("Program Folder");
const QString kOverlays = QStringLiteral("overlays");
} // namespace

HostFolder::HostFolder(QString storePath, QString ownFolder)
    : m_storePath(std::move(storePath)), m_ownFolder(std::move(ownFolder))
{
}

QString HostFolder::defaultStorePath()
{
    // The same base as the program's own folder, with the same fallbacks.
    return ProgramLayout::configBase(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath())
           + QStringLiteral("/Peak Systems.ini");
}

QString HostFolder::programFolderSetting() const
{
    return ProfileFile::readString(m_storePath, kSection, kKey, QString()).trimmed();
}

QString HostFolder::hostFolder() const
{
    // A folder that is named but absent (another machine's drive letter, a
    // removed installation) falls back too, so overlays beside the program
    // are still found.
    const QString named = localPath(programFolderSetting());
    if (!named.isEmpty() && QFileInfo(named).isDir())
        return named;
    return localPath(m_ownFolder);
}

QStringList HostFolder::overlayFiles() const
{
    const QString host = hostFolder();
    if (host.isEmpty())
        return {};
    const QString overlays = findOverlaysFolder(host);
    if (overlays.isEmpty())
        return {};
    return positionFilesIn(overlays);
}

QString HostFolder::localPath(const QString &folderText)
{
    if (folderText.isEmpty())
        return {};
    QString path = folderText;
    path.replace(u'\\', u'/');
    return QDir::cleanPath(path); // also folds doubled separators and drops the final one
}

QString HostFolder::findOverlaysFolder(const QString &hostFolder)
{
    const QDir host(hostFolder);
    // The two usual spellings first, so the common case costs no listing.
    for (const QString &name : {kOverlays.toUpper(), kOverlays}) {
        if (QFileInfo(host.filePath(name)).isDir())
            return host.filePath(name);
    }
    const QStringList dirs =
        host.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QString &name : dirs) {
        if (name.compare(kOverlays, Qt::CaseInsensitive) == 0)
            return host.filePath(name);
    }
    return {};
}

QStringList HostFolder::positionFilesIn(const QString &overlaysFolder)
{
    const QDir dir(overlaysFolder);
    QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::NoSort);
    names.removeIf([](const QString &name) {
        return !name.endsWith(QStringLiteral(".pos"), Qt::CaseInsensitive);
    });

    // The host's file system lists names in the order of their upper-case
    // forms; equal forms (only possible here) fall back to the exact text.
    std::vector<std::pair<QString, QString>> keyed;
    keyed.reserve(names.size());
    for (const QString &name : std::as_const(names))
        keyed.emplace_back(name.toUpper(), name);
    std::sort(keyed.begin(), keyed.end());

    QStringList paths;
    paths.reserve(qsizetype(keyed.size()));
    for (const auto &entry : keyed)
        paths.append(dir.filePath(entry.second));
    return paths;
}

} // namespace nearbell
