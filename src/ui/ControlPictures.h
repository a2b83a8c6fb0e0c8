#pragma once

#include <QString>

// Control characters would be invisible (or break the line) in the log view;
// they are drawn as their Unicode control pictures, such as U+240D for CR.
// Only the drawing changes: the log line keeps the raw characters.
QString withControlPictures(const QString &line);
