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

struct OfflineArchive {
    QByteArray zip;
    // The certificates of status 5 that count as delivered by this file: their
    // attached file went into the archive, or they have none.
    QList<qint64> delivered;
};

// The archive of Packet and of the attached-file copies of every certificate
// whose copy lies in DataDir. A reference number that cannot name a file is
// passed over, as is a copy that does not exist.
OfflineArchive BuildOfflineArchive(SqliteDatabase &db, const QString &dataDir, const QByteArray &packet);

// The archive enciphered with the chamber's key; an empty or short key raises.
QByteArray EncipherOfflineFile(QByteArray zip, const QByteArray &chamberKey);

// Writes Bytes to FileName and, as one step with it, moves the delivered
// certificates from status 5 to 7 and stores the option LastSync := Today.
// A failure raises and leaves neither a new file nor a change in the database.
void CommitOfflineFile(SqliteDatabase &db, const QString &fileName, const QByteArray &bytes,
                       const QList<qint64> &delivered, uint32_t today);
