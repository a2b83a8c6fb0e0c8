#pragma once

#include <QString>

#include <array>
#include <functional>
#include <optional>

// Command configuration files (.icf): the eight command slots as keys
// Param1 to Param8 of section SETTINGS.

using CommandTexts = std::array<QString, 8>; // slot 1..8 at index 0..7

// Installed by the window: the chosen path, empty when the user cancelled.
using FileChooser = std::function<QString()>;

// The section of the settings file and of the command files.
inline QString SettingsSectionName()
{
    return QStringLiteral("SETTINGS");
}

// Reads Param1..Param8; all eight are set on every load, a missing key or
// file gives "". With an empty Path the chooser is asked first; without a
// chooser, or when it is cancelled, nothing is read (nullopt).
std::optional<CommandTexts> fkt_MainLoadCommandFile(const QString &Path,
                                                    const FileChooser &chooser = {});

// Writes Param1..Param8, keeping every other key and section of the file.
// With an empty Path the chooser is asked first; a cancel writes nothing.
// True when all eight keys were written; otherwise *error (when given) says
// why as an errno value (0 after a cancel).
bool fkt_MainSaveCommandFile(const QString &Path, const CommandTexts &texts,
                             const FileChooser &chooser = {}, int *error = nullptr);
