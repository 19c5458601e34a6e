#pragma once
// Files replaced whole. The new content goes to a temporary file beside the
// target ("<name>.part-<process id>-<six letters>"), which commit() syncs to
// the disk, closes and renames over the target, checking every step. Until
// then, and whenever a step fails, the old file stays byte for byte; a writer
// dropped without commit() removes its temporary file. Temporaries that a
// killed process left behind (and the "-journal" SQLite keeps beside a
// database opened under a temporary name) are removed by the next writer of
// the same file and by RemoveStaleTemporaries.
//
// The files hold the chamber key, passwords and certificates: a new file is
// readable and writable by its owner only, and a replaced file keeps the
// permissions of the one it replaces. The temporary file is its owner's only
// until commit() gives it its final permissions.
#include "ggError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <sys/types.h>

// A failed replace, with the errno of the step that failed.
class FileReplaceError : public AppError {
public:
    FileReplaceError(const QString &message, int errorNumber) : AppError(message), m_errorNumber(errorNumber) {}
    int errorNumber() const { return m_errorNumber; }

private:
    int m_errorNumber;
};

class AtomicFileWriter {
public:
    // The permissions of a file that did not exist before: its owner's only.
    static constexpr mode_t NewFileMode = 0600;

    // Raises FileReplaceError when the temporary file cannot be made. Without
    // Mode the file keeps the permissions of the one it replaces; a new file
    // gets NewFileMode.
    explicit AtomicFileWriter(const QString &fileName, std::optional<mode_t> mode = std::nullopt);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter &) = delete;
    AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;

    // Raises FileReplaceError when the bytes cannot be written.
    void write(QByteArrayView bytes);
    // Raises FileReplaceError when the sync, the close or the rename fails.
    void commit();
    // The temporary file the content goes to until commit().
    QString temporaryName() const;

private:
    [[noreturn]] void fail(int errorNumber);

    QString m_fileName;
    QString m_target; // where a link points, else the file itself
    QByteArray m_temporary;
    int m_fd = -1;
    std::optional<mode_t> m_mode;
};

// The call that puts a temporary file's data on the disk before its rename:
// fsync, unless a test has put another in its place to see a failing disk.
// Returns the call it replaces.
using FileSyncCall = int (*)(int fd);
FileSyncCall ReplaceFileSyncCall(FileSyncCall sync);

// Copies Source over Target through an AtomicFileWriter: Target keeps its
// permissions, a new one is its owner's only, whatever Source's are. 0 on
// success, else the errno of the first failure; Target is then left as it was.
int CopyFileAtomic(const QString &source, const QString &target);

// Appends the whole of Source to Out (which is not committed). 0 on
// success, else the errno of the first failure (a folder: EACCES).
int CopyFileInto(const QString &source, AtomicFileWriter &out);

// A folder of this process's temporaries beside Target, named as the
// temporary files are ("<target>.part-<process id>-<six letters>") and
// readable by its owner only, for what must never outlive the work it
// serves (content in the clear, a document extracted for another program).
// It goes with all it holds when the object ends, unless release() hands it
// on; one that a killed process left behind is removed by the next folder
// made for the same target and by RemoveStaleTemporaries.
class TemporaryFolder {
public:
    // Raises FileReplaceError when the folder cannot be made.
    explicit TemporaryFolder(const QString &target);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const QString &path() const { return m_path; }
    // Keeps the folder beyond the object (its holder removes it); its path.
    QString release();

private:
    QString m_path;
    bool m_released = false;
};

// Whether EntryName names a temporary file or folder made for a target named
// TargetName (a name without its folder).
bool IsTemporaryOf(const QString &entryName, const QString &targetName);

// Removes the temporaries in Folder whose process no longer runs, temporary
// folders with all they hold (and the journals SQLite left beside them); the
// number removed.
int RemoveStaleTemporaries(const QString &folder);
