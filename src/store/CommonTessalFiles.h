#pragma once
// File copies that leave a journal record, and the archive copies of the
// database and the users-and-settings file.
#include <QDate>
#include <QString>
#include <cstdint>

class TDM;

// Copies Source over Target through a temporary file beside Target, so that a
// copy cut short never takes Target's name. 0 on success, else the system
// error code (the Windows number of the same meaning).
uint32_t CopyFileReplacing(const QString &source, const QString &target);

// The system error code of a copy from Source to Target that failed with the
// errno ErrorNumber: the source is opened first, so while it is there the
// failure is the target's.
uint32_t CopyFailureCode(int errorNumber, const QString &source, const QString &target);

// The journal record of one copy: "file copied" when Error is 0, else
// "copy failed" with the system's text for Error.
void LogFileCopy(const QString &source, const QString &target, uint32_t error);

// Copies SourceDir/FileName to TargetDir/TargetName ("*": the same name),
// overwriting. 0 and a "file copied" record on success; else the system error
// code and a "copy failed" record.
int32_t CopyFileLogged(const QString &SourceDir, const QString &FileName, const QString &TargetDir,
                       const QString &TargetName);

// "Tessal_<chamber>_<workstation in 2 digits>_<YYYY.MM.DD>".
QString ArchiveFolderName(int32_t chamber, int32_t workstation, const QDate &day);

struct ArchiveCopy {
    QString folder;  // today's archive folder, when both copies are there
    QString failure; // else why not, in the operator's words (empty when no folder was set)
};

// Copies Tessal.sqb (with the database closed meanwhile) and k.cod into
// today's archive folder inside Folder. A failure is also in the journal.
ArchiveCopy SaveBaseToArj(TDM &dm, const QString &Folder);
