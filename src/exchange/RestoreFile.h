#pragma once
// The restore file that the central database produces: a zip archive
// enciphered with the chamber key, whose first entry is the restore XML.
#include <QByteArray>
#include <QString>

// Deciphers and unzips RestoreFile in memory and writes its first entry to
// DataDir under the restore file's name without its last ".cod"; returns that
// path. Only the XML ever reaches the disk, and only in the data folder.
// Raises AppError when the file cannot be read or is no such archive, when
// the first entry is a folder or lies in one, or when the XML's name is not
// a plain file name or names a file the data folder holds already.
QString ExtractRestoreXml(const QString &restoreFile, const QByteArray &chamberKey, const QString &dataDir);
