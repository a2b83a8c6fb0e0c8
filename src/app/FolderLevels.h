#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// The folders that a level-by-level folder creation tests and makes, from
// the outermost to Path itself: one per separator-delimited name, and Path
// with its trailing separator as the last level when it has one. With
// driveAndNetworkForms, a leading "X:\" drive root and a leading "\\" of a
// network path are taken with the first name and never tested on their own.
//
//   'C:\ProgramData\Kavrel\' gives 'C:\ProgramData', 'C:\ProgramData\Kavrel' and
//   'C:\ProgramData\Kavrel\'; '\\server\share' gives '\\server' and '\\server\share';
//   '/var/lib' gives '/var' and '/var/lib'.
QStringList fkt_FileFolderLevels(const QString &Path, QChar separator, bool driveAndNetworkForms);
