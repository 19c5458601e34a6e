#include "CertificateSearch.h"

#include "BorinWin.h"
#include "ClientDataSet.h"
#include "CommonReportTessal.h"
#include "CommonTessal.h"
#include "GGDateTime.h"
#include "KDSUtils.h"
#include "SqliteDatabase.h"
#include "ggError.h"

#include <QHash>

#include <algorithm>

namespace {

// Certificates are read this many ids at a time.
constexpr int GroupSize = 20;

const QString Indent = QStringLiteral("    ");

bool AllBlank(const QString &mask)
{
    for (QChar c : mask)
        if (c != SearchMaskBlank)
            return false;
    return true;
}

// "*" + term + "*": the term anywhere in the value.
QString Anywhere(const QString &term)
{
    return term.isEmpty() ? QString() : QLatin1Char('*') + term + QLatin1Char('*');
}

QStringList Anywhere(const QStringList &terms)
{
    QStringList masks;
    for (const QString &term : terms)
        masks << Anywhere(term);
    return masks;
}

// Letter case ignored.
bool Matches(const QString &value, const QString &mask)
{
    return MatchMaskW(mask, value, false);
}

// The terms still to be found, one bit each.
using TermBits = quint64;

QStringList NonEmpty(const QStringList &terms)
{
    QStringList kept;
    for (const QString &term : terms)
        if (!term.isEmpty())
            kept << term;
    if (kept.size() > 64)
        throw AppError(QStringLiteral("Слишком много условий поиска"));
    return kept;
}

TermBits AllTermBits(int count)
{
    return count >= 64 ? ~TermBits(0) : (TermBits(1) << count) - 1;
}

// Walks the terms still open against one value. With all terms wanted, each
// term found is taken out and the walk passes once none is left; otherwise
// the first term found passes.
bool FeedTerms(const QStringList &masks, bool allTerms, const QString &value, TermBits &open)
{
    for (int i = 0; i < masks.size(); ++i) {
        const TermBits bit = TermBits(1) << i;
        if (!(open & bit) || !Matches(value, masks.at(i)))
            continue;
        if (!allTerms)
            return true;
        open &= ~bit;
    }
    return allTerms && open == 0;
}

// The columns a certificate is tested on, in the order the tests read them.
namespace Col {
enum { RowId, Id, Date11, GNum, ReferenceNo, CertNo, Status, Recipient, Importer, OfficialNote, AdditionalInfo, Country12,
       Expert, Sender, Exporter };
}

const QStringList ColumnNames = {"rowid", "id", "Date11", "GNum", "ReferenceNo", "CertNo", "status", "Recipient",
                                 "Importer", "OfficialNote", "AdditionalInfo", "Country12", "Expert", "Sender",
                                 "Exporter"};

QString Wide(const SqliteStatement &row, int column)
{
    return WideTextFromBytes(row.columnBlob(column));
}

} // namespace

const QList<SearchStatusChoice> &SearchStatusChoices()
{
    static const QList<SearchStatusChoice> choices = {
        {QStringLiteral("нет данных"), std::nullopt}, {QStringLiteral("Выдан"), uint8_t(7)},
        {QStringLiteral("Дубликат"), uint8_t(10)},    {QStringLiteral("Испорчен бланк"), uint8_t(8)},
        {QStringLiteral("Аннулирован"), uint8_t(9)},  {QStringLiteral("Проект"), uint8_t(6)},
    };
    return choices;
}

QString TotalCounterText(qint64 total)
{
    return QStringLiteral("Всего документов: ") + QString::number(total);
}

QString FoundCounterText(qint64 found)
{
    return QStringLiteral("Найдено документов: ") + QString::number(found);
}

QList<SearchOption> SearchOptionRecords(const SearchConditions &c, const QString &totalText,
                                        const QString &foundText)
{
    QList<SearchOption> records{{totalText, {}},
                                {foundText, {}},
                                {QStringLiteral("Список поисковых условий, накладываемых при отборе."), {}}};
    const auto add = [&records](const char *name, const QString &value) {
        records.append({Indent + QString::fromUtf8(name), value});
    };
    if (!AllBlank(c.yearMask))
        add("Год выдачи", c.yearMask);
    if (!AllBlank(c.numberMask))
        add("номер", c.numberMask);
    if (!AllBlank(c.blankMask))
        add("бланк", c.blankMask);
    if (c.beginDay)
        add("Выдан (С)", FormatDayNumber(*c.beginDay));
    if (c.endDay)
        add("Выдан до (По)", FormatDayNumber(*c.endDay));
    for (const QString &term : NonEmpty(c.exporterTerms))
        add("Экспортёр", term);
    if (!c.importer.isEmpty())
        add("Импортёр", c.importer);
    if (!c.officialNote.isEmpty())
        add("Служебные отметки", c.officialNote);
    if (!c.expert.isEmpty())
        add("Эксперт", c.expert);
    add("Статус", SearchStatusChoices().value(c.statusChoice).text);
    for (const QString &term : NonEmpty(c.goodsTerms))
        add("Товар", term);
    return records;
}

// ---------------------------------------------------------------- tests of one certificate

// The tests 1 to 11 in their fixed order; the goods test needs the goods
// lines and is run over all candidates at once.
class CertificateSearch::RowTests {
public:
    RowTests(CertificateSearch &search, const SearchConditions &c)
        : m_search(search), m_c(c), m_importer(Anywhere(c.importer)), m_officialNote(Anywhere(c.officialNote)),
          m_additionalInfo(Anywhere(c.additionalInfo)), m_country(Anywhere(c.country)), m_expert(Anywhere(c.expert)),
          m_exporterTerms(Anywhere(NonEmpty(c.exporterTerms))),
          m_status(SearchStatusChoices().value(c.statusChoice).status)
    {
    }

    // The certificates whose row numbers lie from the first to the last of a
    // group of listed ones (the list is in row order; those in between that
    // are not listed are passed over), with the columns the conditions read.
    QString groupSelect() const
    {
        const bool dates = m_c.beginDay || m_c.endDay;
        const bool needed[] = {true, true, dates, !AllBlank(m_c.yearMask), !AllBlank(m_c.numberMask),
                               !AllBlank(m_c.blankMask), m_status.has_value(), !m_importer.isEmpty(),
                               !m_importer.isEmpty(), !m_officialNote.isEmpty(), !m_additionalInfo.isEmpty(),
                               !m_country.isEmpty(), !m_expert.isEmpty(), !m_exporterTerms.isEmpty(),
                               !m_exporterTerms.isEmpty()};
        QStringList columns;
        for (int i = 0; i < ColumnNames.size(); ++i)
            columns << (needed[i] ? ColumnNames.at(i) : QStringLiteral("null"));
        return QStringLiteral("select ") + columns.join(QStringLiteral(", "))
             + QStringLiteral(" from mcod where rowid between :SearchFirst and :SearchLast order by rowid");
    }

    bool passes(const SqliteStatement &row)
    {
        step(150);
        const qint64 date = row.isNull(Col::Date11) ? 0 : row.columnInteger(Col::Date11);
        if ((m_c.beginDay && date < *m_c.beginDay) || (m_c.endDay && date > *m_c.endDay))
            return false;
        step(160);
        if (!AllBlank(m_c.yearMask) && !MatchMaskW(m_c.yearMask, row.columnText(Col::GNum), true))
            return false;
        step(170);
        if (!AllBlank(m_c.numberMask)
            && !MatchMaskW(m_c.numberMask, row.columnText(Col::ReferenceNo).mid(4, 6), true))
            return false;
        step(180);
        if (!AllBlank(m_c.blankMask)
            && !MatchMaskW(m_c.blankMask, PaddedCertNo(row.columnInteger(Col::CertNo)), true))
            return false;
        step(190);
        if (m_status && row.columnInteger(Col::Status) != *m_status)
            return false;
        step(200);
        if (!m_importer.isEmpty()
            && !Matches(JoinLines(Wide(row, Col::Recipient), Wide(row, Col::Importer)), m_importer))
            return false;
        step(210);
        if (!m_officialNote.isEmpty() && !Matches(Wide(row, Col::OfficialNote), m_officialNote))
            return false;
        step(220);
        if (!m_additionalInfo.isEmpty() && !Matches(Wide(row, Col::AdditionalInfo), m_additionalInfo))
            return false;
        step(230);
        if (!m_country.isEmpty() && !Matches(row.columnText(Col::Country12), m_country))
            return false;
        step(240);
        if (!m_expert.isEmpty() && !Matches(row.columnText(Col::Expert), m_expert))
            return false;
        step(250);
        if (!m_exporterTerms.isEmpty()) {
            TermBits open = AllTermBits(int(m_exporterTerms.size()));
            const QString boxOne = JoinLines(Wide(row, Col::Sender), Wide(row, Col::Exporter));
            if (!FeedTerms(m_exporterTerms, m_c.exporterAllTerms, boxOne, open))
                return false;
        }
        return true;
    }

private:
    void step(int number) { m_search.diagnostic(number); }

    CertificateSearch &m_search;
    const SearchConditions &m_c;
    // The "*term*" masks.
    const QString m_importer, m_officialNote, m_additionalInfo, m_country, m_expert;
    const QStringList m_exporterTerms;
    const std::optional<uint8_t> m_status;
};

// ---------------------------------------------------------------- the search

CertificateSearch::CertificateSearch(SqliteDatabase &db, SqlFragment filter) : m_db(db), m_filter(std::move(filter))
{
}

void CertificateSearch::diagnostic(int step)
{
    // The points passed once per certificate are recorded the first time
    // only: a record per certificate and test would bury the journal.
    if (step >= FirstRowStep && step <= LastRowStep) {
        const auto bit = std::size_t((step - FirstRowStep) / 10);
        if (m_rowStepsWritten.test(bit))
            return;
        m_rowStepsWritten.set(bit);
    }
    WriteSearchDiagnostic(step);
}

QString CertificateSearch::filtered(const QString &select, const QString &condition) const
{
    if (m_filter.isEmpty())
        return condition.isEmpty() ? select : select + QStringLiteral(" where ") + condition;
    const QString own = QLatin1Char('(') + m_filter.text + QLatin1Char(')');
    return select + QStringLiteral(" where ")
         + (condition.isEmpty() ? own : QLatin1Char('(') + condition + QStringLiteral(") and ") + own);
}

QList<qint64> CertificateSearch::listedRows()
{
    diagnostic(20);
    SqliteStatement select(m_db, filtered(QStringLiteral("select rowid from mcod"), QString()));
    m_filter.params.bindTo(select);
    diagnostic(110);
    QList<qint64> rows;
    while (select.step())
        rows << select.columnInteger(0);
    std::sort(rows.begin(), rows.end()); // the walk goes in row order
    diagnostic(120);
    return rows;
}

QList<int32_t> CertificateSearch::failingIds(const QList<qint64> &rows, const SearchConditions &conditions)
{
    RowTests tests(*this, conditions);
    SqliteStatement group(m_db, tests.groupSelect());
    QList<int32_t> failing;
    QList<int32_t> candidates; // passed every test but the goods
    for (qsizetype start = 0; start < rows.size(); start += GroupSize) {
        const qsizetype end = std::min(start + GroupSize, rows.size());
        group.reset();
        group.bindInteger(QStringLiteral("SearchFirst"), rows.at(start));
        group.bindInteger(QStringLiteral("SearchLast"), rows.at(end - 1));
        qsizetype next = start;
        while (group.step()) {
            const qint64 row = group.columnInteger(Col::RowId);
            while (next < end && rows.at(next) < row)
                ++next; // listed, but gone since
            if (next == end || rows.at(next) != row)
                continue;
            diagnostic(140);
            const int32_t id = int32_t(group.columnInteger(Col::Id));
            (tests.passes(group) ? candidates : failing) << id;
        }
        if (m_pump)
            m_pump();
    }
    keepGoodsPassing(failing, candidates, conditions);
    return failing;
}

// The goods test over all candidates in one pass over the goods lines: a
// candidate passes when it has no goods lines, or when its lines hold every
// term ("И") or one of them ("Или").
void CertificateSearch::keepGoodsPassing(QList<int32_t> &failing, QList<int32_t> &candidates,
                                         const SearchConditions &conditions)
{
    const QStringList terms = Anywhere(NonEmpty(conditions.goodsTerms));
    if (terms.isEmpty() || candidates.isEmpty()) {
        if (!candidates.isEmpty())
            diagnostic(290);
        return;
    }
    diagnostic(260);
    struct Lines {
        TermBits open;
        bool seen = false;
        bool passed = false;
    };
    QHash<int32_t, Lines> state;
    state.reserve(candidates.size());
    for (int32_t id : candidates)
        state.insert(id, {AllTermBits(int(terms.size()))});
    diagnostic(270);
    SqliteStatement lines(m_db, QStringLiteral("select idM, d8Description from dcod"));
    qint64 read = 0;
    while (lines.step()) {
        if (m_pump && ++read % (GroupSize * 50) == 0)
            m_pump();
        const auto it = state.find(int32_t(lines.columnInteger(0)));
        if (it == state.end() || it->passed)
            continue;
        it->seen = true;
        if (FeedTerms(terms, conditions.goodsAllTerms, Wide(lines, 1), it->open)) {
            diagnostic(280);
            it->passed = true;
        }
    }
    for (int32_t id : candidates) {
        const Lines &lines = state.value(id);
        if (lines.seen && !lines.passed)
            failing << id;
        else
            diagnostic(290);
    }
}

void CertificateSearch::mark(const QList<int32_t> &ids)
{
    diagnostic(300);
    SqliteTransaction transaction(m_db);
    SqliteStatement update(m_db, filtered(QStringLiteral("update mcod set pFilter = 'FALSE'"),
                                          QStringLiteral("id = :SearchId")));
    m_filter.params.bindTo(update);
    for (int32_t id : ids) {
        update.reset();
        update.bindInteger(QStringLiteral("SearchId"), id);
        update.execute();
    }
    transaction.commit();
    diagnostic(310);
}

void CertificateSearch::count(SearchOutcome &outcome)
{
    diagnostic(320);
    // Both counters in one pass: the total leaves projects out, the found count does not.
    SqliteStatement count(m_db, filtered(QStringLiteral("select sum(status <> 6), sum(pFilter = 'TRUE') from mcod"),
                                         QString()));
    m_filter.params.bindTo(count);
    const bool counted = count.step();
    outcome.total = counted ? count.columnInteger(0) : 0;
    diagnostic(330);
    diagnostic(340);
    outcome.found = counted ? count.columnInteger(1) : 0;
    diagnostic(350);
}

void CertificateSearch::resetMarks()
{
    SqliteTransaction transaction(m_db);
    m_db.exec(QStringLiteral("update mcod set pFilter = 'TRUE'"));
    transaction.commit();
}

SearchOutcome CertificateSearch::run(const SearchConditions &conditions)
{
    m_rowStepsWritten.reset();
    diagnostic(10);
    try {
        const QList<qint64> rows = listedRows();
        diagnostic(130);
        SearchOutcome outcome;
        outcome.hidden = failingIds(rows, conditions);
        mark(outcome.hidden);
        count(outcome);
        return outcome;
    } catch (const std::exception &) {
        try {
            resetMarks();
        } catch (const std::exception &e) {
            LogException("SearchForm.TfSearch.aOkExecute", e);
        }
        throw;
    }
}

// ---------------------------------------------------------------- records for the reports

void WriteSearchDiagnostic(int step)
{
    WriteEventLog(EventType::Success, EventCategory::Diagnostics, EventId::Diagnostic,
                  {QStringLiteral("TfSearch.aOkExecute %1").arg(step, 3, 10, QLatin1Char('0'))});
}

SearchOption CurrentSearchOption(DataSet &options)
{
    return {options.fieldByName(QStringLiteral("OptionName")).asString(),
            options.fieldByName(QStringLiteral("Value")).asString()};
}

void FillSearchOptions(ClientDataSet &options, const QList<SearchOption> &records)
{
    WriteSearchDiagnostic(360);
    options.emptyDataSet();
    const auto append = [&options](const SearchOption &record) {
        options.append();
        options.fieldByName(QStringLiteral("OptionName")).setValue(record.name);
        options.fieldByName(QStringLiteral("Value")).setValue(record.value);
        options.post();
    };
    for (qsizetype i = 0; i < records.size(); ++i) {
        append(records.at(i));
        if (i == 1)
            WriteSearchDiagnostic(370); // the two counters
        else if (i == 2)
            WriteSearchDiagnostic(380); // the heading of the conditions
    }
    WriteSearchDiagnostic(390);
}
