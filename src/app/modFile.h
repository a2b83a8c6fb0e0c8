#pragma once

#include <QString>

// File-system questions and folder creation for the start-up.

// True when Path names something that is not a folder. A path that exists
// but cannot be inspected (no search permission on a folder on the way)
// counts as present, so that nothing is copied over it.
bool fkt_FileExists(const QString &Path);

// True when a folder Path exists. Lets pending events run before and after
// asking, as the start-up may take a while on a slow drive.
bool fkt_FileFolderExists(const QString &Path);

// Creates Path level by level (each new level with the user's permissions
// only); a level that cannot be made is passed over. True exactly when the
// whole path exists as a folder at the end.
bool fkt_FileCreateFolder(const QString &Path);
