#pragma once
// The certificate list's work on the data module that needs no window: the
// blank question's option, the removal of a project with its goods lines and
// its attached copy, and the certificate a row names.
#include <QByteArray>
#include <QString>
#include <cstdint>

class TDM;

// The option DlgPaper asks the blank question unless it reads as false: the
// number 0 or the word False in any letter case. A missing or unreadable value
// asks.
bool DlgPaperWanted(const QString &optionValue);

// Where the copy of a certificate's attached file lies in the data folder:
// ReferenceNo + "_" + CertNo in 7 digits. Empty when the reference number is not
// 10 digits: such a number never becomes part of a path.
QString AttachedCopyPath(const QString &dataDir, const QByteArray &referenceNo, qint64 certNo);

// The certificate of the list's current row, as the actions need it.
struct ListedCertificate {
    qint64 id = 0;
    QByteArray referenceNo;
    qint64 certNo = 0;
    bool hasAttachedFile = false;
};
// Raises when the list query has no current row.
ListedCertificate CurrentListedCertificate(TDM &dm);

// Fills the insert parameters of QueryInsM with a new project (status 6) of
// that id, blank number and language: the chamber's name and city, the
// countries and cities from the language's phrases, today's dates. The font
// sizes stay as the last preparation left them.
void FillNewCertificate(TDM &dm, qint64 id, int32_t blankNumber, const QString &language);

// Deletes the certificate and its goods lines in one transaction; on an error
// the transaction is rolled back and AppError carries the database's message
// + " id = " + id. Only after the commit are the journal record written and
// the attached copy removed (a failure to remove it is ignored).
void DeleteCertificate(TDM &dm, const ListedCertificate &certificate);
