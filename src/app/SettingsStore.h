#pragma once

#include "app/CommandFile.h"
#include "app/modGlobal.h"

#include <QList>

// Loading the settings and the default command set at start, saving both
// at the end.

// DataFolder + "Settings.ini" and DataFolder + "DefaultCommands.icf".
QString SettingsFilePath(const QString &dataFolder);
QString DefaultCommandFilePath(const QString &dataFolder);

// Start: data folder, first-run copy of the template, all keys into
// settings, the default command file into slots. A numeric key whose text is
// no number in its field's range takes the key's default.
void fkt_MainLoadSettings(SettingsRecord &settings, CommandTexts &slots);

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
QList<SaveFailure> fkt_MainSaveSettings(SettingsRecord &settings, std::optional<qint16> waitTime,
                                        const CommandTexts &slots);
