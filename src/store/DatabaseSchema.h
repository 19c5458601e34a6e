#pragma once
// The certificate database's statement texts, the columns of the certificate
// head and the types of the head's insert parameters.
#include <QString>
#include <QStringList>

#include "SqlQuery.h"

namespace Schema {

// The schema version this program writes.
constexpr int CurrentVersion = 4;

extern const QString CreateMcod;
extern const QString CreateMcodIndexReference;
extern const QString CreateMcodIndexLastDate;
extern const QString CreateDcod;
extern const QString CreateDcodIndex;
extern const QString CreateContragent;
extern const QString CreateContragentIndex;
extern const QString CreatePhrase;
extern const QString CreatePhraseIndex;
extern const QString CreateOptions;

// The rows that the fixes of older rows run at every start still have to
// change: hidden by a search, or holding an old status or year digit.
extern const QString OlderRowsCondition;

// The statuses of a user's own certificates in the list's own-certificates
// filter (issued, issued with its file not yet sent, projects), written the
// way the filter writes them, so that the filter can use the partial index
// MCodeOwn.
extern const QString OwnStatusCondition;

// Indexes of ours beside the schema above, made wherever they are missing (a
// new database, an older one, one from another workstation): the goods lines
// of a certificate, the numbering's and the check's look-ups by language and
// certificate number and by year digit and blank number, the list's order
// (LastDate, then id, see ListSql), the rows of
// OlderRowsCondition (a partial index, empty as a rule), so the fixes at
// start need not read the whole table, and the own-certificates filter's two
// alternatives in the list's order: a user's own certificates by Expert, and
// those whose status a user changed by BadExpert (see MyOnlyFilter); each
// holds the columns its count tests, so the count reads the indexes alone.
QStringList LookupIndexes();

// The tables and indexes of a new database in creation order, Options not included.
QStringList CertificateTables();
// mcod and its two indexes.
QStringList McodWithIndexes();
// The version 3 layout of mcod (without the five columns from fileComment13 on),
// under the name temptable.
QString CreateTempTable();

// The 48 columns of mcod in table order.
const QStringList &McodColumns();
// The first columns of mcod that a version 3 database has (id .. fSize12).
constexpr int Version3ColumnCount = 43;

// The type of the insert parameter of a column of mcod (pFilter has none).
SqlParam::Type McodParamType(const QString &column);

// The certificate head's insert: every column in table order, each value the
// parameter of its name except pFilter, which is always the text TRUE.
QString InsertMcod();
extern const QString InsertDcod;

} // namespace Schema
