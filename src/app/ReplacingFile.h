#pragma once

#include <QByteArrayView>
#include <QString>

#include <chrono>

// Writes a file that takes the place of the file at a path only once it is
// complete. The bytes go to a temporary file beside the target, named '.' +
// the target's name + ".lintrova-save-" + six letters or digits (a name no
// user gives a file); commit() puts it to disk and renames it over the
// target, which keeps the old file's permissions (a new file gets the usual
// ones). A crash, a full disk or a refused write never leaves a cut file:
// without a successful commit the old file stays as it was and the temporary
// goes away. A symbolic link is followed, so the file it names is replaced,
// not the link.
//
// Every failure records the system's error number; the first one is kept and
// later calls do nothing.
class ReplacingFile {
public:
    explicit ReplacingFile(const QString &path);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile &) = delete;
    ReplacingFile &operator=(const ReplacingFile &) = delete;

    bool open();
    bool write(QByteArrayView bytes);
    bool commit();

    // The errno of the first failure, 0 while everything worked.
    int error() const { return m_error; }

    // Removes the temporary files that saves killed halfway left in folder:
    // regular files named exactly as above, last changed more than
    // minimumAge ago (a younger one may belong to a save running in another
    // instance). A link of the folder to a file elsewhere is saved beside
    // that file, so that file's leftovers there go too. Nothing of another
    // name is ever touched, whatever it looks like: a user's
    // "Settings.ini.backup" stays. Returns how many were removed.
    static int removeLeftovers(const QString &folder, std::chrono::seconds minimumAge);

    // Whether name is that of a temporary file of this class.
    static bool isTemporaryName(QStringView name);

private:
    bool fail(int err);
    void discard();

    QString m_path;
    QByteArray m_target;
    QByteArray m_temporary;
    int m_fd = -1;
    int m_error = 0;
};
