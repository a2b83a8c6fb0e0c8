#pragma once

#include <QString>
#include <QStringList>

// The folders the program keeps its files in and takes its template from.
namespace SystemFolders {

// The per-machine data folder, always ending with the path separator. On
// Linux $XDG_DATA_HOME/Kavrel/Lintrova/ (an unset, empty or relative
// XDG_DATA_HOME means ~/.local/share); on Windows the common application
// data folder + \Kavrel\Lintrova\. Only computed: nothing is created here.
QString DataFolder();

// The profile this run uses (--profile NAME): the window keeps its own files
// (Settings.ini, DefaultCommands.icf and the like) in a folder of its own,
// while the COM numbering (Ports.ini) belongs to the machine and stays in
// DataFolder(). Empty (the default) for no profile. Only names for which
// IsProfileName holds are taken; any other ends the profile.
void SetProfile(const QString &name);
QString Profile();

// Letters A-Z and a-z, digits, '-' and '_', 1 to 32 of them, not beginning
// with '-' (which would read as an option): a name that is safe as a folder
// name everywhere.
bool IsProfileName(const QString &name);
inline constexpr int kMostProfileNameLength = 32;

// Where the window keeps its own files: DataFolder() + "profiles/NAME/" with
// a profile, DataFolder() without one; always ending with the separator.
QString ProfileFolder();

// The folder holding the program's executable, without a trailing separator.
QString ProgramFolder();

// The folders a first start looks in, in this order, for the template
// Settings.ini: the program's own folder, then (not on Windows) the folder
// an installation puts the program's shared files in,
// <prefix>/share/lintrova, such as /usr/share/lintrova for /usr/bin/lintrova.
// No trailing separators; nothing is checked here.
QStringList TemplateFolders();

// Makes ProgramFolder() answer folder instead; an empty folder ends the
// override. For tests, which run from a build folder of their own.
void SetProgramFolderForTesting(const QString &folder);

// The same for the installation's shared folder in TemplateFolders().
void SetSharedFolderForTesting(const QString &folder);

} // namespace SystemFolders
