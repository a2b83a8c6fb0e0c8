#pragma once

#include <QByteArrayView>
#include <QString>

#include <chrono>

// Writes a file that takes the place of the file at a path only once it is
// complete. The bytes go to a temporary file beside the target (the target's
// name + ".XXXXXX"); commit() puts it to disk and renames it over the target,
// which keeps the old file's permissions (a new file gets the usual ones). A
// crash, a full disk or a refused write never leaves a cut file: without a
// successful commit the old file stays as it was and the temporary goes away.
// A symbolic link is followed, so the file it names is replaced, not the link.
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

    // Removes the temporary files that saves of the file at path left behind
    // when they were killed: regular files named as above (the name of the
    // file a link leads to, '.' and six letters or digits) last changed more
    // than minimumAge ago; a younger one may belong to a save running in
    // another instance. Returns how many were removed.
    static int removeLeftovers(const QString &path, std::chrono::seconds minimumAge);

private:
    bool fail(int err);
    void discard();

    QString m_path;
    QByteArray m_target;
    QByteArray m_temporary;
    int m_fd = -1;
    int m_error = 0;
};
