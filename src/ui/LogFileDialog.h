#pragma once

#include <QDateTime>
#include <QString>

class QWidget;

// The file dialog that asks where the traffic log is saved.
namespace LogFileDialog {

// The path offered first: Lintrova-YYYYMMDD-HHMMSS.log (UTC) in the folder,
// or in the home folder when no folder was used yet.
QString suggestedPath(const QString &folder, const QDateTime &utc);

// Asks for the file; empty when cancelled. language is the Language setting.
QString choose(QWidget *parent, const QString &suggested, quint8 language);

} // namespace LogFileDialog
