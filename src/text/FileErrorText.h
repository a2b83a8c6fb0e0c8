#pragma once

#include <QString>

// Why a file could not be written or read, for a message to the user: the
// common reasons (disk full, no permission, read-only, missing) in the
// program's language, any other reason as the system describes it.
// errorNumber is an errno value; language is the Language setting.
QString fileErrorReason(int errorNumber, quint8 language);
