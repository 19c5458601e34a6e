#pragma once
// The search over the certificates, without its window: the conditions go
// in; every certificate under the list's own filter that fails them is
// marked with pFilter 'FALSE', the two counters and the search-option
// records for the reports come out.
#include "SqlQuery.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>

class ClientDataSet;
class SqliteDatabase;

// One choice of the status box: its text and the status it asks for (none
// for "нет данных").
struct SearchStatusChoice {
    QString text;
    std::optional<uint8_t> status;
};
// "нет данных", "Выдан", "Дубликат", "Испорчен бланк", "Аннулирован", "Проект".
const QList<SearchStatusChoice> &SearchStatusChoices();

// The blank place of the number masks; it is also the mask's "any character".
inline constexpr QChar SearchMaskBlank = QLatin1Char('?');

struct SearchConditions {
    // Day numbers; a bound counts only when set.
    std::optional<int64_t> beginDay;
    std::optional<int64_t> endDay;
    // Masks over the year digit, characters 5 to 10 of the reference number
    // and the blank number in 7 digits; all places "?" sets no condition.
    QString yearMask = QStringLiteral("?");
    QString numberMask = QStringLiteral("??????");
    QString blankMask = QStringLiteral("???????");
    int statusChoice = 0; // index into SearchStatusChoices()
    QString importer;     // box 2
    QString officialNote; // box 4
    QString additionalInfo; // box 6
    QString country;      // box 12
    QString expert;
    // Box 1 and the goods descriptions: terms (empty ones are left out); with
    // allTerms ("И") every term must be found, else ("Или") one is enough.
    QStringList exporterTerms;
    bool exporterAllTerms = true;
    QStringList goodsTerms;
    bool goodsAllTerms = true;
};

// A record of cdsSearchOptions.
struct SearchOption {
    QString name;
    QString value;
    bool operator==(const SearchOption &other) const = default;
};

// The counter texts of the main window.
QString TotalCounterText(qint64 total);
QString FoundCounterText(qint64 found);
// The records of cdsSearchOptions for these conditions, the two counter
// texts first.
QList<SearchOption> SearchOptionRecords(const SearchConditions &conditions, const QString &totalText,
                                        const QString &foundText);

// Empties the search-options dataset and fills it with the records.
void FillSearchOptions(ClientDataSet &options, const QList<SearchOption> &records);
// The search-options record the dataset stands on.
SearchOption CurrentSearchOption(DataSet &options);
// The search's diagnostic record: "TfSearch.aOkExecute " and the step in three digits.
void WriteSearchDiagnostic(int step);

struct SearchOutcome {
    qint64 total = 0; // under the list's filter, projects left out
    qint64 found = 0; // marked 'TRUE' under the list's filter, projects counted
    QList<int32_t> hidden; // the ids marked 'FALSE'
};

class CertificateSearch {
public:
    // Filter: the list's own-certificates filter (empty for all), spliced
    // with its bound values into every statement that must keep to it.
    CertificateSearch(SqliteDatabase &db, SqlFragment filter);

    // Called between groups of certificates, so that the windows can paint.
    void setPump(std::function<void()> pump) { m_pump = std::move(pump); }

    // Tests every certificate under the filter, marks those that fail in one
    // transaction and counts. Any failure sets every mark back to 'TRUE'
    // and raises: nothing is left half-marked.
    SearchOutcome run(const SearchConditions &conditions);

    // The steps of run(), each on its own: the row numbers of the
    // certificates under the filter; the ids of those that fail; marking;
    // both counters.
    QList<qint64> listedRows();
    QList<int32_t> failingIds(const QList<qint64> &rows, const SearchConditions &conditions);
    void mark(const QList<int32_t> &ids);
    void count(SearchOutcome &outcome);
    // Every certificate back to 'TRUE', in one transaction.
    void resetMarks();

private:
    class RowTests;
    void diagnostic(int step);
    void keepGoodsPassing(QList<int32_t> &failing, QList<int32_t> &candidates, const SearchConditions &conditions);
    QString filtered(const QString &select, const QString &condition) const;

    SqliteDatabase &m_db;
    SqlFragment m_filter;
    std::function<void()> m_pump;
    // The steps passed once per certificate, from 140 to 290 by tens.
    static constexpr int FirstRowStep = 140, LastRowStep = 290;
    std::bitset<(LastRowStep - FirstRowStep) / 10 + 1> m_rowStepsWritten;
};
