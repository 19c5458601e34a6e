#pragma once
// The restore file that the central database produces: a zip archive
// enciphered with the chamber key, whose first entry is the restore XML.
#include <QByteArray>
#include <QString>

// Deciphers and unzips RestoreFile from file to file and writes its first
// entry under the restore file's name without its last ".cod", in a folder of
// its own inside DataDir (readable by the owner only), so that the document
// never takes a name the database, its journal or any other file of the data
// folder uses; returns that path. The folder is one of this process's
// temporaries (see TemporaryFolder): a start after a kill removes it. Only
// the XML stays on the disk. The entry may be as large as the free space of
// the data folder allows.
// Raises AppError when the file cannot be read or is no such archive, when
// the first entry is a folder or lies in one, when the XML's name is not a
// plain file name, or when the disk cannot hold it; nothing is left then.
QString ExtractRestoreXml(const QString &restoreFile, const QByteArray &chamberKey, const QString &dataDir);

// Removes an extracted restore XML and its folder.
void RemoveRestoreXml(const QString &xmlPath);
