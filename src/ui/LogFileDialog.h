#pragma once

#include <QDateTime>
#include <QString>

class QWidget;

// The file dialog that asks where the traffic log, or the plot's picture or
// values, is saved.
namespace LogFileDialog {

// Save: the file is written anew (replacing one is confirmed). Record: the
// log is appended to the file as it happens; an existing file is appended to,
// which the title says, so replacing it is not asked about. Plot and Values:
// the plot as a PNG picture, its values as a CSV file, written anew.
enum class Purpose { Save, Record, Plot, Values };

// The file name's suffix for a purpose: "log", "png" or "csv".
QString suffix(Purpose purpose);

// The path offered first: Lintrova-YYYYMMDD-HHMMSS.<suffix> (UTC) in the
// folder, or in the home folder when no folder was used yet.
QString suggestedPath(const QString &folder, const QDateTime &utc,
                      const QString &suffix = QStringLiteral("log"));

// Asks for the file; empty when cancelled. language is the Language setting.
QString choose(QWidget *parent, const QString &suggested, quint8 language,
               Purpose purpose = Purpose::Save);

} // namespace LogFileDialog
