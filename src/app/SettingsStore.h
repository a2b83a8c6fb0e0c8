#pragma once

#include "app/CommandFile.h"
#include "app/modGlobal.h"

// Loading the settings and the default command set at start, saving both
// at the end.

// DataFolder + "Settings.ini" and DataFolder + "DefaultCommands.icf".
QString SettingsFilePath(const QString &dataFolder);
QString DefaultCommandFilePath(const QString &dataFolder);

// Start: data folder, first-run copy of the template, all keys into
// settings, the default command file into slots. A numeric key whose text is
// no number in its field's range takes the key's default.
void fkt_MainLoadSettings(SettingsRecord &settings, CommandTexts &slots);

// End: all written keys in their order, WaitTime from waitTime (the number
// the window reads from its box; without one WaitTime keeps its value), then
// the default command file. The data folder is created first when it is
// missing. Failures go unnoticed; a record never loaded (no DataFolder)
// saves nothing.
void fkt_MainSaveSettings(SettingsRecord &settings, std::optional<qint16> waitTime,
                          const CommandTexts &slots);
