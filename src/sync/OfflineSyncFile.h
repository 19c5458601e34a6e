#pragma once
// The offline synchronisation file: a full synchronisation carried to the
// central database by other means than the network. It is the zip archive of
// the full certificate packet (entry "sync.xml") and of the attached-file
// copies in the data folder (each under its copy's name), enciphered with the
// chamber's key. Nothing in this system reads it back.
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <cstdint>

class SqliteDatabase;

// "<program folder>/send": where the packet is left and the file is proposed.
QString SendDir(const QString &programDir);

// "TS_" + chamber in 3 digits + "_" + workstation in 2 digits + "_" + today as
// "YYYY.MM.DD" + "_x.zip.cod"; a longer number keeps its last digits.
QString DefaultOfflineFileName(int32_t chamberNumber, int32_t workstationNumber, const QDate &today);

class AtomicFileWriter;

// Builds ZipFile (replaced whole) from PacketFile (entry "sync.xml") and the
// attached-file copies of every certificate whose copy lies in DataDir, each
// read from its file while the archive is written. A reference number that
// cannot name a file is passed over, as is a copy that does not exist.
// Returns the certificates of status 5 that count as delivered by the file:
// their attached file went into the archive, or they have none.
QList<qint64> BuildOfflineArchive(SqliteDatabase &db, const QString &dataDir, const QString &packetFile,
                                  const QString &zipFile);

// Raises for a chamber key the file cannot be enciphered with (empty: the
// built-in key, which the central side does not use; or too short).
void CheckOfflineFileKey(const QByteArray &chamberKey);

// Enciphers ZipFile with the chamber's key into Out, block by block.
void EncipherOfflineFile(const QString &zipFile, const QByteArray &chamberKey, AtomicFileWriter &out);

// Commits File (the writer of FileName) and, as one step with it, moves the
// delivered certificates from status 5 to 7 and stores the option LastSync :=
// Today. A failure raises and leaves the folder as it was (an older file of
// that name stays, byte for byte) and the database unchanged.
void CommitOfflineFile(SqliteDatabase &db, const QString &fileName, AtomicFileWriter &file,
                       const QList<qint64> &delivered, uint32_t today);
