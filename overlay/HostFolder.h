#pragma once

#include <QString>
#include <QStringList>

namespace nearbell {

// Where the host keeps its overlay files.
//
// Responsibilities:
//  - read the host's "Program Folder" setting from the per-user store (a
//    profile file, section "UI-View32"); never write it;
//  - fall back to the program's own folder when the setting is empty or
//    names no existing folder;
//  - map the host's folder text to this file system: backslashes are folder
//    separators, doubled separators are harmless, the "overlays" subfolder
//    and the ".pos" ending match in any letter case;
//  - list the overlay files in the order the host's own file system gives
//    them: by name without regard to letter case.
class HostFolder
{
public:
    // storePath: the per-user settings store; ownFolder: the program's own folder.
    HostFolder(QString storePath, QString ownFolder);

    // $XDG_CONFIG_HOME/Peak Systems.ini, or ~/.config/Peak Systems.ini when
    // the variable is unset, relative or names a file.
    static QString defaultStorePath();

    const QString &storePath() const { return m_storePath; }
    const QString &ownFolder() const { return m_ownFolder; }

    // The stored "Program Folder" text, empty when missing or blank.
    QString programFolderSetting() const;
    // The host folder on this file system: the setting when it names an
    // existing folder, else the own folder.
    QString hostFolder() const;
    // The overlay files of the host folder, in enumeration order.
    QStringList overlayFiles() const;

    // Folder text of the host (backslashes, doubled separators) as a local path.
    static QString localPath(const QString &folderText);
    // The subfolder of hostFolder named "overlays" in any letter case, or an
    // empty text when there is none.
    static QString findOverlaysFolder(const QString &hostFolder);
    // Regular files ending in ".pos" in any letter case, full paths, sorted by
    // name without regard to case.
    static QStringList positionFilesIn(const QString &overlaysFolder);

private:
    QString m_storePath;
    QString m_ownFolder;
};

} // namespace nearbell
