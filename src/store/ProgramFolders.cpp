#include "ProgramFolders.h"

#include "AtomicFileWriter.h"
#include "ggFiles.h"

QStringList WrittenProgramFolders(const QString &programDir)
{
    return {programDir, DataDirOf(programDir), JoinPath(programDir, DownloadFolderName),
            JoinPath(programDir, SendFolderName)};
}

int SweepStaleTemporaries(const QString &programDir)
{
    int removed = 0;
    for (const QString &folder : WrittenProgramFolders(programDir))
        removed += RemoveStaleTemporaries(folder);
    return removed;
}
