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
    return QLatin1Char('*') + term + QLatin1Char('*');
}

bool Contains(const QString &value, const QString &term)
{
    return MatchMaskW(Anywhere(term), value, false);
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
bool FeedTerms(const QStringList &terms, bool allTerms, const QString &value, TermBits &open)
{
    for (int i = 0; i < terms.size(); ++i) {
        const TermBits bit = TermBits(1) << i;
        if (!(open & bit) || !Contains(value, terms.at(i)))
            continue;
        if (!allTerms)
            return true;
        open &= ~bit;
    }
    return allTerms && open == 0;
}

// The columns a certificate is tested on, in the order the tests read them.
namespace Col {
enum { Id, Date11, GNum, ReferenceNo, CertNo, Status, Recipient, Importer, OfficialNote, AdditionalInfo, Country12,
       Expert, Sender, Exporter };
}

QString GroupSelect()
{
    QStringList markers;
    for (int i = 0; i < GroupSize; ++i)
        markers << QStringLiteral(":SearchId%1").arg(i);
    return QStringLiteral("select id, Date11, GNum, ReferenceNo, CertNo, status, Recipient, Importer, OfficialNote, "
                          "AdditionalInfo, Country12, Expert, Sender, Exporter from mcod where id in (")
         + markers.join(QLatin1Char(',')) + QLatin1Char(')');
}

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
        : m_search(search), m_c(c), m_exporterTerms(NonEmpty(c.exporterTerms)),
          m_status(SearchStatusChoices().value(c.statusChoice).status)
    {
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
        if (!m_c.importer.isEmpty()
            && !Contains(JoinLines(Wide(row, Col::Recipient), Wide(row, Col::Importer)), m_c.importer))
            return false;
        step(210);
        if (!m_c.officialNote.isEmpty() && !Contains(Wide(row, Col::OfficialNote), m_c.officialNote))
            return false;
        step(220);
        if (!m_c.additionalInfo.isEmpty() && !Contains(Wide(row, Col::AdditionalInfo), m_c.additionalInfo))
            return false;
        step(230);
        if (!m_c.country.isEmpty() && !Contains(row.columnText(Col::Country12), m_c.country))
            return false;
        step(240);
        if (!m_c.expert.isEmpty() && !Contains(row.columnText(Col::Expert), m_c.expert))
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
    if (step >= 140 && step <= 290) {
        if (m_rowStepsWritten.contains(step))
            return;
        m_rowStepsWritten << step;
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

QList<int32_t> CertificateSearch::listedIds()
{
    diagnostic(20);
    SqliteStatement select(m_db, filtered(QStringLiteral("select id from mcod"), QString()));
    m_filter.params.bindTo(select);
    diagnostic(110);
    QList<int32_t> ids;
    while (select.step())
        ids << int32_t(select.columnInteger(0));
    diagnostic(120);
    return ids;
}

QList<int32_t> CertificateSearch::failingIds(const QList<int32_t> &ids, const SearchConditions &conditions)
{
    RowTests tests(*this, conditions);
    SqliteStatement group(m_db, GroupSelect());
    QList<int32_t> failing;
    QList<int32_t> candidates; // passed every test but the goods
    for (qsizetype start = 0; start < ids.size(); start += GroupSize) {
        group.reset();
        for (int i = 0; i < GroupSize; ++i) {
            const QString name = QStringLiteral("SearchId%1").arg(i);
            if (start + i < ids.size())
                group.bindInteger(name, ids.at(start + i));
            else
                group.bindNull(name);
        }
        while (group.step()) {
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
    const QStringList terms = NonEmpty(conditions.goodsTerms);
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

qint64 CertificateSearch::count(const QString &sql)
{
    SqliteStatement count(m_db, sql);
    m_filter.params.bindTo(count);
    return count.step() ? count.columnInteger(0) : 0;
}

qint64 CertificateSearch::countTotal()
{
    diagnostic(320);
    const qint64 total = count(filtered(QStringLiteral("select count(*) as mr from mcod"), QStringLiteral("status <> 6")));
    diagnostic(330);
    return total;
}

qint64 CertificateSearch::countFound()
{
    diagnostic(340);
    const qint64 found =
        count(filtered(QStringLiteral("select count(*) as mr from mcod"), QStringLiteral("pFilter = 'TRUE'")));
    diagnostic(350);
    return found;
}

void CertificateSearch::resetMarks()
{
    SqliteTransaction transaction(m_db);
    m_db.exec(QStringLiteral("update mcod set pFilter = 'TRUE'"));
    transaction.commit();
}

SearchOutcome CertificateSearch::run(const SearchConditions &conditions)
{
    m_rowStepsWritten.clear();
    diagnostic(10);
    try {
        const QList<int32_t> ids = listedIds();
        diagnostic(130);
        SearchOutcome outcome;
        outcome.hidden = failingIds(ids, conditions);
        mark(outcome.hidden);
        outcome.total = countTotal();
        outcome.found = countFound();
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
