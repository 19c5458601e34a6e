#pragma once
// The application-wide state and the small services every window, the data
// module and the synchronisation share.
#include "ListSql.h"
#include "SqlQuery.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>

// Numbers of certificates of status 7, 8, 9 and 10 as the synchronisation
// statistics last counted them; the certificate packet reports them.
struct StatusCounters {
    int32_t StatusCount7 = 0;
    int32_t StatusCount8 = 0;
    int32_t StatusCount9 = 0;
    int32_t StatusCount10 = 0;
};

struct TessalState {
    bool StopFlag = false;
    QString CurrentUserName = QStringLiteral("unknown");
    int32_t CurrentUserId = -1;
    int32_t ChamberNumber = 0;
    int32_t WorkstationNumber = 0;
    QByteArray ChamberKey;
    QString ServerUrl;
    int32_t ServerPort = 0;
    uint32_t ICodVersion = 0;
    bool UsersOldFlag = true;
    uint32_t NumberRangeMin = 1;
    uint32_t NumberRangeMax = 9999;
    QString ArchiveFolder;
    bool ArchiveAtStart = false;
    bool ArchiveAtExit = false;
    uint8_t EditMode = 0; // 0 none, 1 new, 2 saved project, 3 from a template, 4 duplicate
    bool DuplicateInProgress = false;
    bool MayPrintOriginal = false;
    QByteArray PrinterName;
    // Not empty: the printer dialog's print to file was chosen; each print
    // job then asks for a PDF file of its own, starting in this file's
    // folder, and the file last chosen is kept here.
    QString PrintFileName;
    SqlFragment ListFilterText; // the list's filter, with its bound values, for the code that splices it
    ListView ListQueryView;     // what the list query lists, in which order
    int32_t ProposedCertNo = 0;
    int32_t EditedRowId = 0;
    uint8_t SyncWarningChoice = 0; // 1 cancel, 2 synchronise, 3 synchronise to a file
    const QString MessageTitle = QStringLiteral("Certificate of origin");
    int32_t VersionScratch[4] = {0, 0, 0, 0}; // the update check's version comparison
    StatusCounters StatusCounts; // written by the statistics action only
    // The updater and support packages: installed and offered versions, as
    // the last update check read them.
    int32_t RestoratorVersionInstalled = 0;
    int32_t RestoratorVersionOffered = 0;
    int32_t SupportVersionInstalled = 0;
    int32_t SupportVersionOffered = 0;
};

// The one state object of the process.
TessalState &App();
// Back to the start values (tests, and nothing else).
void ResetAppState();

// The event source of every record: the product title.
inline const QString EventSource = QStringLiteral("Tessal");

namespace EventType {
constexpr uint16_t Success = 0, Error = 1, Warning = 2, Information = 4, AuditSuccess = 8, AuditFailure = 16;
}
namespace EventCategory {
constexpr uint16_t Exchange = 2, Diagnostics = 4, FunctionFailure = 6, UserAction = 7;
}
namespace EventId {
constexpr uint32_t Diagnostic = 0x40000101;          // file copied; exchange and print diagnostics
constexpr uint32_t ExceptionCaught = 0x40000103;
constexpr uint32_t ProgramStarted = 0x40000201;
constexpr uint32_t ProgramStopped = 0x40000207;
constexpr uint32_t FunctionFailed = 0x40000653;
constexpr uint32_t DialogsLibraryMissing = 0x40000700;
constexpr uint32_t FileCopyFailed = 0x40000812;
constexpr uint32_t AnswerNodeMissing = 0x40006500;
constexpr uint32_t AnswerAttributeMissing = 0x40006501;
constexpr uint32_t AnswerAttributeUnexpected = 0x40006502;
constexpr uint32_t UserAdded = 0x40007200;
constexpr uint32_t LogOnRefused = 0x40007201;
constexpr uint32_t UserDeleted = 0x40007202;
constexpr uint32_t PasswordChanged = 0x40007203;
constexpr uint32_t UserRenamed = 0x40007204;
constexpr uint32_t UserLoggedOn = 0x40007212;
constexpr uint32_t CertificateDeleted = 0x40007300;
constexpr uint32_t CertificateSaved = 0x40007301;
constexpr uint32_t CertificateSavedNew = 0x40007302;
constexpr uint32_t StatusChanged = 0x40007303;
constexpr uint32_t PrintedIssuedCopy = 0x40007350;
constexpr uint32_t PrintedOriginal = 0x40007351;
constexpr uint32_t PrintedOtherCopy = 0x40007352;
constexpr uint32_t OptionsChanged = 0x40007400;
constexpr uint32_t RequestFailed = 0x40007500;
constexpr uint32_t ApplicationTitle = 0x40007102; // a message-module text, not an event
}

// Writes one record under the source "Tessal"; never raises.
void WriteEventLog(uint16_t eventType, uint16_t category, uint32_t eventId, const QStringList &strings = {});
// Records a caught exception: "[" + user + "]" + location, then the message.
void LogException(const QByteArray &location, const QByteArray &message);
void LogException(const QByteArray &location, const std::exception &error);
// Records the failure of a value-returning function: "function " + location, then the message.
void LogFunctionFailure(const QByteArray &location, const QString &message);

// Reference number of blank Number: year digit, chamber in 3 digits, number in 6.
QByteArray MakeReferenceNo(int32_t number);
// Russian name of a certificate status; "неизвестен" for anything unknown.
QString StatusName(uint8_t status);
// The later of two dates as a day number (see the rules in the source).
int32_t LaterDayNumber(const QVariant &a, const QVariant &b);
// Our formatters are fixed, so there is nothing to set; kept so the places
// that reset the formats read as they should.
void SetDateFormats();

// True for a reference number that may become part of a file name: 10 digits.
bool IsWellFormedReferenceNo(const QByteArray &referenceNo);
