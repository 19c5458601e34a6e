#pragma once
// The certificate data packet: the XML document in which the workstation
// reports its certificates to the central database. One "row" per certificate
// head of mcod with its goods lines, behind an "arm" element that describes
// the workstation and its computer. (Not to be confused with the client
// dataset's data packet of the users-and-settings file.)
//
// Three kinds share one format:
//  - TessalDay: TessalCert's packet of one day of changes (/save);
//  - TessalFull: TessalCert's packet of every certificate (the offline
//    synchronisation file), with progress and a retry of a failing row;
//  - RestavoDay: Restavo's packet of one day, which it posts itself.
// The full packet and Restavo's packet carry the attached file's comment and
// name; the full packet also writes the exporter's line breaks as "&#xA;".
// Projects (status 6) and status 12 are never sent.
//
// The document is written out row by row, so memory does not grow with the
// number of certificates. Every value goes through the XML writer (escaped),
// without the control characters XML cannot hold; line breaks that the
// packet sends as "&#xA;" reach the server as that character reference.
#include "CommonTessal.h"
#include "MachineValues.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <functional>

class ProgressSink;
class QIODevice;
class SqliteDatabase;
struct WorkstationFile;

// A packet that fails to build is built again at once, this many times in all.
constexpr int PacketAttempts = 9;

enum class CertificatePacketKind { TessalDay, TessalFull, RestavoDay };

// What the packet says besides the certificates.
struct CertificatePacketHeading {
    QString programFullVersion;
    int32_t chamberNumber = 0;
    int32_t workstationNumber = 0;
    QDate created;
    QString lastKnownChange; // the option lastChange as stored; the packet says "0" when empty
    StatusCounters statusCounts;
    MachineValues machine;
};

// TessalCert's heading: its version, the chamber and workstation of the
// workstation file the application state holds, today, the option lastChange
// of Db, the status counters as the statistics last counted them and this
// computer's values.
CertificatePacketHeading TessalPacketHeading(SqliteDatabase &db);
// Restavo's heading: the same with Version from its command line, the
// chamber and workstation of the workstation file Restavo read (it keeps no
// application state), and the statuses counted in Db now.
CertificatePacketHeading RestavoPacketHeading(SqliteDatabase &db, const QString &version,
                                              const WorkstationFile &workstation);

class CertificatePacketWriter {
public:
    CertificatePacketWriter(SqliteDatabase &db, CertificatePacketKind kind, const CertificatePacketHeading &heading);

    // Called before each row is read (the synchronisation window keeps
    // answering meanwhile).
    void setBeforeEachRow(std::function<void()> callback) { m_beforeEachRow = std::move(callback); }
    // Where the full packet reports its progress, per mille of the id range.
    void setProgress(ProgressSink *progress) { m_progress = progress; }

    // Writes the packet to Out and returns the number of rows in it; writes
    // nothing at all when there is no row. The day kinds take the certificates
    // whose LastDate is Day (every certificate for Day 0); the full packet
    // ignores Day. A failure is recorded in the journal and raised again;
    // what was written by then is not a whole packet.
    qint64 write(QIODevice &out, uint32_t day = 0);
    // The packet as 8-bit (UTF-8) text; empty when there is no row.
    QByteArray text(uint32_t day = 0);

private:
    class Output;
    void writeDayRows(Output &output, uint32_t day);
    void writeAllRows(Output &output);
    void logFailure(const QString &message) const;

    SqliteDatabase &m_db;
    CertificatePacketKind m_kind;
    CertificatePacketHeading m_heading;
    std::function<void()> m_beforeEachRow;
    ProgressSink *m_progress = nullptr;
};
