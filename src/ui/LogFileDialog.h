#pragma once

#include <QDateTime>
#include <QString>

class QWidget;

// The file dialog that asks where the traffic log is saved.
namespace LogFileDialog {

// The path offered first: Lintrova-YYYYMMDD-HHMMSS.log (UTC) in the folder,
// or in the home folder when no folder was used yet.
QString suggestedPath(const QString &folder, const QDateTime &utc);

// Save: the file is written anew (replacing one is confirmed). Record: the
// log is appended to the file as it happens; an existing file is appended to,
// which the title says, so replacing it is not asked about.
enum class Purpose { Save, Record };

// Asks for the file; empty when cancelled. language is the Language setting.
QString choose(QWidget *parent, const QString &suggested, quint8 language,
               Purpose purpose = Purpose::Save);

} // namespace LogFileDialog
