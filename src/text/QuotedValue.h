#pragma once

#include <QString>

// A path, name or value as a message quotes it: at most kMostQuotedCharacters
// of it, then "…". A hand-edited file may hold a value of megabytes, and a
// message box lays out every character it is given (a 10 MB path took it
// minutes, with the window's events stopped all the while).
inline constexpr qsizetype kMostQuotedCharacters = 300;

QString quotedValue(const QString &value);
