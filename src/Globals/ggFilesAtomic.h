#pragma once
// Files replaced whole. The new content goes to a temporary file beside the
// target ("<name>.part-<process id>-<six letters>"), is flushed and synced to
// the disk, and only then takes the target's name. Cut short anywhere, the
// target holds its old content or the new one, never part of either.
// Temporaries that a killed process left behind are removed by the next
// replace of the same file and by RemoveStaleTemporaries.
#include <QByteArray>
#include <QString>

// Replaces the file's content by Data (an empty Data gives an empty file). A
// failure raises AppError and leaves the old file byte for byte.
void WriteFileAtomic(const QString &fileName, const QByteArray &data);

// Copies Source over Target, with Source's permissions. 0 on success, else
// the errno of the first failure; Target is then left as it was.
int CopyFileAtomic(const QString &source, const QString &target);

// Removes the temporaries in Folder whose process no longer runs; the
// number removed.
int RemoveStaleTemporaries(const QString &folder);
