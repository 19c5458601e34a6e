#include "PickListLoaders.h"

#include "CommonTessal.h"
#include "DataTessal.h"
#include "PickListData.h"
#include "SqliteDatabase.h"

#include <QList>
#include <QSet>
#include <QStringList>

const char *const PickListLoadQuestion =
    "Список будет дополнен недостающими данными из выданных сертификатов. Продолжить?";

namespace {

// One kind of entry a loader makes: the columns that give its names.
struct LoadTarget {
    uint8_t stype;
    QStringList columns;
};

struct LoadRule {
    bool contragents;     // Contragent (nameT, nameB), else Phrase (name)
    bool fromGoodsLines;  // the certificates' goods lines, else their heads
    bool perCertificate;  // one transaction per certificate, else one for the walk
    bool utf8Text;        // the column holds UTF-8 text; the pick list takes UTF-16LE
    QList<LoadTarget> targets;
};

LoadRule RuleOf(PickListLoad kind)
{
    switch (kind) {
    case PickListLoad::Contragents:
        return {true, false, true, false, {{1, {"Sender", "Exporter"}}, {2, {"Recipient", "Importer"}}}};
    case PickListLoad::Goods: return {false, true, true, false, {{8, {"d8Description"}}}};
    case PickListLoad::Transport: return {false, false, false, false, {{3, {"transport"}}}};
    case PickListLoad::Details: return {false, false, false, false, {{6, {"AdditionalInfo"}}}};
    case PickListLoad::Package: return {false, true, true, false, {{9, {"d9Package"}}}};
    case PickListLoad::Quantity: return {false, true, true, false, {{10, {"d10Q"}}}};
    case PickListLoad::OfficialUse: return {false, false, false, false, {{5, {"OfficialNote"}}}};
    case PickListLoad::Country: return {false, false, false, true, {{20, {"Country5"}}, {20, {"Country12"}}}};
    }
    return {};
}

struct Entry {
    QByteArray lang;
    uint8_t stype;
    QList<QByteArray> names;
};

// The entries of one transaction.
using EntryGroup = QList<Entry>;

class EntryCollector {
public:
    explicit EntryCollector(const LoadRule &rule) : m_rule(rule) {}

    // The values of one row: Columns(i) gives the row's column, in the order
    // of the rule's targets and their columns.
    template <typename ColumnValue>
    void addRow(const QByteArray &lang, ColumnValue columnValue, EntryGroup &group)
    {
        int column = 0;
        for (const LoadTarget &target : m_rule.targets) {
            Entry entry{lang, target.stype, {}};
            bool anyValue = false;
            for (qsizetype i = 0; i < target.columns.size(); ++i, ++column) {
                QByteArray bytes = columnValue(column);
                if (m_rule.utf8Text)
                    bytes = WideTextBytes(QString::fromUtf8(bytes));
                anyValue = anyValue || !bytes.isEmpty();
                entry.names << bytes;
            }
            QByteArrayList key{entry.lang, QByteArray::number(entry.stype)};
            key += entry.names;
            if (anyValue && !m_seen.contains(key)) {
                m_seen.insert(key);
                group << entry;
            }
        }
    }

private:
    const LoadRule &m_rule;
    QSet<QByteArrayList> m_seen; // stored once in a run, even when many certificates hold it
};

QStringList AllColumns(const LoadRule &rule)
{
    QStringList columns;
    for (const LoadTarget &target : rule.targets)
        columns += target.columns;
    return columns;
}

// Steps over the rows the list lists, all of its pages, with the given columns.
class ListedRows {
public:
    ListedRows(SqlQuery &list, const QStringList &columns)
    {
        SqlQuery all(list.database());
        all.setSql(list.sql());
        all.params().assignFrom(list.params());
        all.setFilter(list.filter());
        all.setFiltered(list.filtered());
        m_statement = std::make_unique<SqliteStatement>(
            *list.database(),
            QStringLiteral("SELECT ") + columns.join(u',') + QStringLiteral(" FROM (\n") + all.selectSql()
                + QStringLiteral("\n)"));
        all.params().bindTo(*m_statement);
        if (all.filtered() && !all.filter().isEmpty())
            all.filter().params.bindTo(*m_statement);
    }
    SqliteStatement &statement() { return *m_statement; }

private:
    std::unique_ptr<SqliteStatement> m_statement;
};

QList<EntryGroup> CollectFromHeads(TDM &dm, const LoadRule &rule)
{
    EntryCollector collector(rule);
    QList<EntryGroup> groups{EntryGroup()};
    ListedRows listed(dm.ASQM, QStringList{"Language"} + AllColumns(rule));
    SqliteStatement &row = listed.statement();
    while (row.step()) {
        if (rule.perCertificate && !groups.last().isEmpty())
            groups << EntryGroup();
        collector.addRow(row.columnBlob(0), [&row](int column) { return row.columnBlob(column + 1); },
                         groups.last());
    }
    return groups;
}

QList<EntryGroup> CollectFromGoodsLines(TDM &dm, const LoadRule &rule)
{
    QList<QPair<qint64, QByteArray>> certificates;
    {
        ListedRows listed(dm.ASQM, {QStringLiteral("id"), QStringLiteral("Language")});
        while (listed.statement().step())
            certificates.append({listed.statement().columnInteger(0), listed.statement().columnBlob(1)});
    }
    EntryCollector collector(rule);
    QList<EntryGroup> groups;
    SqliteStatement lines(dm.ASQLite3DBd, QStringLiteral("select ") + AllColumns(rule).join(u',')
                                              + QStringLiteral(" from dcod where (idM = :id) order by dOrder"));
    for (const auto &[id, lang] : std::as_const(certificates)) {
        lines.reset();
        lines.bindInteger(QStringLiteral("id"), id);
        EntryGroup group;
        while (lines.step())
            collector.addRow(lang, [&lines](int column) { return lines.columnBlob(column); }, group);
        if (!group.isEmpty())
            groups << group;
    }
    return groups;
}

} // namespace

int LoadPickList(TDM &dm, PickListLoad kind, const QByteArray &location)
{
    const LoadRule rule = RuleOf(kind);
    PickListData list(dm, rule.contragents ? dm.ASQContragent : dm.ASQPhrase,
                      rule.contragents ? ContragentTable() : PhraseTable());
    const QList<EntryGroup> groups = rule.fromGoodsLines ? CollectFromGoodsLines(dm, rule) : CollectFromHeads(dm, rule);
    int stored = 0;
    for (const EntryGroup &group : groups) {
        if (group.isEmpty())
            continue;
        try {
            SqliteTransaction transaction(dm.ASQLite3DBd);
            for (const Entry &entry : group)
                list.storeEntry(entry.lang, entry.stype, entry.names);
            transaction.commit();
            stored += int(group.size());
        } catch (const std::exception &e) {
            LogException(location, e); // rolled back; the walk goes on
        }
    }
    dm.ALQueryWork.close();
    list.reopen();
    list.query().refresh();
    return stored;
}
