#pragma once

#include <QString>

class QWidget;
struct SettingsRecord;

// The file dialog for command files: it starts in the data folder, proposes
// "UserDefinedCommands.icf" every time and adds ".icf" to a name typed
// without extension. Opening requires an existing file; saving over one asks
// first. Returns the chosen path, or an empty text when cancelled.
namespace CommandFileDialog {

QString choose(QWidget *parent, bool save, const SettingsRecord &settings);

// "Description (*.icf)|*.icf" as the dialog's filter "Description (*.icf)".
QString filterFromResource(const QString &resource);

// The path with ".icf" appended when its file name has no extension.
QString withDefaultExtension(const QString &path);

} // namespace CommandFileDialog
