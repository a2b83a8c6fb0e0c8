#pragma once

#include "app/CommandFile.h"
#include "app/FileStamp.h"
#include "app/modGlobal.h"

#include <QList>

// Loading the settings and the default command set at start, saving both
// at the end.

// DataFolder + "Settings.ini" and DataFolder + "DefaultCommands.icf".
QString SettingsFilePath(const QString &dataFolder);
QString DefaultCommandFilePath(const QString &dataFolder);

// Start: data folder (the profile's folder with a profile, see
// SystemFolders::ProfileFolder), first-run copy of the template, all keys
// into settings, the default command file into slots. A numeric key whose
// text is no number in its field's range takes the key's default. On the
// very first start (no Settings.ini yet) a desktop that speaks a language
// other than German gives Language=1 (see DesktopLanguage), written into the
// copied template.
void fkt_MainLoadSettings(SettingsRecord &settings, CommandTexts &slots);

// What the window's own two files held when it read (or last wrote) them,
// so that the end can tell whether another window changed one meanwhile.
struct ProfileStamps {
    FileStamp settingsFile;
    FileStamp commandFile;
};
ProfileStamps stampProfileFiles(const QString &dataFolder);

// Whether the window's files already hold what the end would write: every
// key of the settings with the value the end writes (WaitTime from waitTime
// where given), as a reader reads it back, but for the window's place; the
// eight command lines. Writing such a file would change nothing another
// window put there but where that window was.
bool settingsFileHolds(const SettingsRecord &settings, std::optional<qint16> waitTime);
bool commandFileHolds(const QString &dataFolder, const CommandTexts &slots);

// Which of the two files the end writes.
struct SaveSelection {
    bool settingsFile = true;
    bool commandFile = true;
};

// A file the end could not save, and why (an errno value).
struct SaveFailure {
    QString path;
    int error = 0;
};

// Whether the settings file can give path back exactly as the file of the
// log's recording (RecordLogFile).
bool isKeepableRecordLogFile(const QString &path);

// End: all written keys in their order, WaitTime from waitTime (the number
// the window reads from its box; without one WaitTime keeps its value), then
// the default command file. The data folder is created first when it is
// missing. A file that cannot be saved keeps its old content; each is named
// in the answer, for the window to tell. A record never loaded (no
// DataFolder) saves nothing.
// A file left out by `which` is neither written nor named as a failure.
QList<SaveFailure> fkt_MainSaveSettings(SettingsRecord &settings, std::optional<qint16> waitTime,
                                        const CommandTexts &slots, SaveSelection which = {});
