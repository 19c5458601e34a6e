#pragma once
// Numbering, checks and status changes of certificates: the first free blank
// number, the id and certificate number of a new row, the year digit of the
// reference number, the field-by-field check, the status changes of the
// current list row, templates and duplicates, and the date questions of the
// start-up and the synchronisation. All of them work on the insert
// parameters of DM.QueryInsM and the current row of DM.ASQM.
#include <QByteArray>
#include <QString>
#include <cstdint>

class TDM;

// The outcome of a certificate check.
struct TStatusCheckError {
    uint8_t level = 0; // 0 no finding, 1 findings the operator may accept, 2 findings that block
    QString text;      // the findings, each ending in "\r"
};

// The first free blank number of the workstation's range this year, left in
// Tag(ASQM); 0 when there is none (the operator is told why).
void MaxNumberPaperToTag(TDM &dm);

// The id for a new row (-1 when it cannot be read) and, in
// App().ProposedCertNo, the certificate number proposed for Language.
int32_t GetNewId(TDM &dm, const QString &Language);

// GNum and the first character of ReferenceNo take the last digit of the year
// of Date11. Raises AppError when ReferenceNo is empty.
void SetYearDigit(TDM &dm);

// Checks the certificate held in the insert parameters.
void CheckCert(TDM &dm, TStatusCheckError &Result);

// Status 6: checks a project before the editor saves it (the operator may go
// on despite findings of level 1). Statuses 5, 7 (issue), 8 (spoilt blank) and
// 9 (cancelled): checks and changes the current list row. Status 10: checks a
// duplicate prepared by TemplateCopy(dm, true). False when the operator did not
// confirm or the change could not be written.
bool SetStatusPaper(TDM &dm, uint8_t Status);

// Fills the insert parameters with a new project (or a duplicate) made from
// the current list row.
void TemplateCopy(TDM &dm, bool isDuplicate);

// The earliest issue date of an issued, spoilt, cancelled or duplicate
// certificate; today when there is none. Raises AppError("error in
// GetMinDateOfDocument") when the database cannot be read.
int32_t GetMinDateOfDocument(TDM &dm);
// The latest LastDate; today - 3 when there is none.
int32_t GetMaxLastDate(TDM &dm);
// Days since the oldest change not yet synchronised; 0 when there is none.
int32_t DaysWithoutSync(TDM &dm);

