#pragma once

#include <QString>
#include <QStringList>

namespace nearbell {

// Where the program keeps its files, in one of two layouts.
//
// Installed: the executable sits in a folder named "bin" with
// "../share/nearbell" beside it (/usr/bin/nearbell, /usr/share/nearbell).
// The user's files (host profile, settings, list, OVERLAYS) then live in
// $XDG_CONFIG_HOME/nearbell, and the read-only help document and siren
// come from the share folder.
// Portable: every other case; everything lives beside the executable.
// The choice depends on the folders alone, never on write permission, so
// root and a user get the same layout.
//
// Responsibilities:
//  - tell the two layouts apart and name the program and data folders;
//  - choose the configuration base from $XDG_CONFIG_HOME with a sound
//    fallback when it is unset, relative or not a folder;
//  - find a read-only file in the program folder first, then the data folder;
//  - make the program folder ready (created 0700) or say why it cannot be.
class ProgramLayout
{
public:
    enum class Kind { Portable, Installed };

    // The layout for an executable path. configHome is the value of
    // $XDG_CONFIG_HOME (may be empty), home the user's home folder.
    static ProgramLayout forExecutable(const QString &executablePath, const QString &configHome,
                                       const QString &home);
    // The portable layout on folder (the --folder option). The executable
    // still names the files; an installed executable keeps its data folder
    // as the second place to look.
    static ProgramLayout forcedFolder(const QString &executablePath, const QString &folder);
    // The same portable layout with its folder named by another path (one
    // that reaches a folder whose name is not valid text); an installed
    // layout is returned as it is.
    ProgramLayout portableFolderAs(const QString &folder) const;
    // The running program, from its environment.
    static ProgramLayout ofRunningProgram(const QString &forcedFolder = QString());

    // $XDG_CONFIG_HOME when it is an absolute path that is not a file,
    // else home + "/.config".
    static QString configBase(const QString &configHome, const QString &home);

    Kind kind() const { return m_kind; }
    bool installed() const { return m_kind == Kind::Installed; }
    QString executablePath() const { return m_executablePath; }
    // Executable's file name without extension: names the settings, list and help files.
    QString executableName() const { return m_executableName; }
    // Where the user's files are read and written; no trailing separator.
    QString programFolder() const { return m_programFolder; }
    // Where the read-only files come from (equal to programFolder when portable).
    QString dataFolder() const { return m_dataFolder; }

    // relativePath below the program folder when it exists there, else below
    // the data folder when it exists there, else below the program folder.
    QString findFile(const QString &relativePath) const;
    // Both places to look, program folder first, without repeats.
    QStringList searchFolders() const;

    // Creates the program folder when missing (mode 0700 in the installed
    // layout) and checks that files can be written in it. Empty on success,
    // else a sentence saying what is wrong.
    QString prepareProgramFolder() const;

private:
    Kind m_kind = Kind::Portable;
    QString m_executablePath;
    QString m_executableName;
    QString m_programFolder;
    QString m_dataFolder;
};

} // namespace nearbell
