#include "PickListLoaders.h"

#include "CommonTessal.h"
#include "DataTessal.h"
#include "PickListData.h"
#include "ProgressSink.h"
#include "SqliteDatabase.h"

#include <QHash>
#include <QList>
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
    bool utf8Text;        // the column holds UTF-8 text; the pick list takes UTF-16LE
    QList<LoadTarget> targets;
};

LoadRule RuleOf(PickListLoad kind)
{
    switch (kind) {
    case PickListLoad::Contragents:
        return {true, false, false, {{1, {"Sender", "Exporter"}}, {2, {"Recipient", "Importer"}}}};
    case PickListLoad::Goods: return {false, true, false, {{8, {"d8Description"}}}};
    case PickListLoad::Transport: return {false, false, false, {{3, {"transport"}}}};
    case PickListLoad::Details: return {false, false, false, {{6, {"AdditionalInfo"}}}};
    case PickListLoad::Package: return {false, true, false, {{9, {"d9Package"}}}};
    case PickListLoad::Quantity: return {false, true, false, {{10, {"d10Q"}}}};
    case PickListLoad::OfficialUse: return {false, false, false, {{5, {"OfficialNote"}}}};
    case PickListLoad::Country: return {false, false, true, {{20, {"Country5"}}, {20, {"Country12"}}}};
    }
    return {};
}

QStringList AllColumns(const LoadRule &rule)
{
    QStringList columns;
    for (const LoadTarget &target : rule.targets)
        columns += target.columns;
    return columns;
}

// The text that tells entries apart: language, kind and name bytes, each
// with its length so that no two different entries meet. Written into Key,
// whose room is kept from one entry to the next.
void WriteEntryKey(QByteArray &key, const QByteArray &lang, int stype, const QList<QByteArray> &names)
{
    key.truncate(0);
    const auto add = [&key](const QByteArray &part) {
        const qint32 size = qint32(part.size());
        key.append(reinterpret_cast<const char *>(&size), sizeof size);
        key.append(part);
    };
    add(lang);
    const qint32 kind = stype;
    key.append(reinterpret_cast<const char *>(&kind), sizeof kind);
    for (const QByteArray &name : names)
        add(name);
}

// The pick list's table as the loader finds and changes it: what it holds
// already (how many times) and two statements prepared once for the walk.
class StoredEntries {
public:
    StoredEntries(SqliteDatabase &db, const PickListTable &table, const LoadRule &rule)
        : m_names(table.nameFields.size())
    {
        QStringList stypes;
        for (const LoadTarget &target : rule.targets)
            stypes << QString::number(target.stype);
        stypes.removeDuplicates();
        // An entry equals a value only where its language is text and its
        // names are blobs: the only rows the delete by equal values meets.
        QStringList conditions{QStringLiteral("typeof(lang) = 'text'"),
                               QStringLiteral("stype in (") + stypes.join(u',') + u')'};
        for (const QString &field : table.nameFields)
            conditions << QStringLiteral("typeof(%1) = 'blob'").arg(field);
        SqliteStatement stored(db, QStringLiteral("select lang, stype, %1 from %2 where %3")
                                       .arg(table.nameFields.join(u','), table.name,
                                            conditions.join(QStringLiteral(" and "))));
        QList<QByteArray> names(m_names);
        while (stored.step()) {
            for (int i = 0; i < m_names; ++i)
                names[i] = stored.columnBlob(2 + i);
            WriteEntryKey(m_key, stored.columnBlob(0), int(stored.columnInteger(1)), names);
            ++m_counts[m_key];
        }

        QStringList keyConditions{QStringLiteral("(lang = :lang)"), QStringLiteral("(stype = :stype)")};
        for (const QString &field : table.nameFields)
            keyConditions << QStringLiteral("(%1 = :%1)").arg(field);
        m_delete = std::make_unique<SqliteStatement>(
            db, QStringLiteral("delete from %1 where %2").arg(table.name, keyConditions.join(QStringLiteral(" and "))));
        m_insert = std::make_unique<SqliteStatement>(
            db, QStringLiteral("INSERT INTO %1 (lang,stype,%2) VALUES (:lang,:stype,:%3);")
                    .arg(table.name, table.nameFields.join(u','), table.nameFields.join(QStringLiteral(",:"))));
    }

    // Stores the entry unless it is there already; an entry held more than
    // once is made single. Returns whether the table changed.
    bool store(const QByteArray &lang, int stype, const QList<QByteArray> &names)
    {
        WriteEntryKey(m_key, lang, stype, names);
        const auto found = m_counts.constFind(m_key);
        if (found != m_counts.constEnd() && *found == 1)
            return false;
        int &count = m_counts[m_key];
        if (count > 1)
            run(*m_delete, lang, stype, names);
        run(*m_insert, lang, stype, names);
        count = 1;
        return true;
    }

private:
    void run(SqliteStatement &statement, const QByteArray &lang, int stype, const QList<QByteArray> &names)
    {
        statement.reset();
        const QString langText = QString::fromUtf8(lang);
        statement.bindValue(1, langText.isNull() ? QStringLiteral("") : langText);
        statement.bindValue(2, stype);
        for (int i = 0; i < m_names; ++i)
            statement.bindValue(3 + i, names[i].isNull() ? QByteArray("") : names[i]);
        statement.execute();
    }

    int m_names;
    QByteArray m_key;
    QHash<QByteArray, int> m_counts;
    std::unique_ptr<SqliteStatement> m_delete;
    std::unique_ptr<SqliteStatement> m_insert;
};

// The statement that reads every row the list lists, all of its pages, in
// the list's order: the language, the certificate's id and the rule's
// columns, of the heads or of their goods lines.
std::unique_ptr<SqliteStatement> ListedValues(SqlQuery &list, const LoadRule &rule)
{
    SqlQuery all(list.database());
    all.setSql(list.sql());
    all.params().assignFrom(list.params());
    all.setFilter(list.filter());
    all.setFiltered(list.filtered());
    QString sql;
    if (rule.fromGoodsLines) {
        QStringList columns;
        for (const QString &column : AllColumns(rule))
            columns << QStringLiteral("d.") + column;
        // The listed heads lead, each followed by its goods lines.
        sql = QStringLiteral("SELECT m.Language, m.id, ") + columns.join(u',') + QStringLiteral(" FROM (\n")
            + all.selectSql() + QStringLiteral("\n) AS m CROSS JOIN dcod AS d ON d.idM = m.id");
    } else {
        sql = QStringLiteral("SELECT Language, id, ") + AllColumns(rule).join(u',') + QStringLiteral(" FROM (\n")
            + all.selectSql() + QStringLiteral("\n)");
    }
    auto statement = std::make_unique<SqliteStatement>(*list.database(), sql);
    all.params().bindTo(*statement);
    if (all.filtered() && !all.filter().isEmpty())
        all.filter().params.bindTo(*statement);
    return statement;
}

} // namespace

int LoadPickList(TDM &dm, PickListLoad kind, const QByteArray &location, ProgressSink *progress,
                 qint64 listedCertificates)
{
    const LoadRule rule = RuleOf(kind);
    PickListData list(dm, rule.contragents ? dm.ASQContragent : dm.ASQPhrase,
                      rule.contragents ? ContragentTable() : PhraseTable());
    if (progress)
        progress->open();
    int stored = 0;
    try {
        SqliteTransaction transaction(dm.ASQLite3DBd);
        StoredEntries entries(dm.ASQLite3DBd, list.table(), rule);
        std::unique_ptr<SqliteStatement> listed = ListedValues(dm.ASQM, rule);
        SqliteStatement &row = *listed;
        QList<QByteArray> names;
        qint64 certificates = 0;
        qint64 lastId = 0;
        while (row.step()) {
            const qint64 id = row.columnInteger(1);
            if (certificates == 0 || id != lastId) {
                lastId = id;
                ++certificates;
                if (progress && listedCertificates > 0 && certificates % 256 == 0)
                    progress->setPermille(int(qMin<qint64>(1000, certificates * 1000 / listedCertificates)));
            }
            const QByteArray lang = row.columnBlob(0);
            int column = 2;
            for (const LoadTarget &target : rule.targets) {
                names.clear();
                bool anyValue = false;
                for (qsizetype i = 0; i < target.columns.size(); ++i, ++column) {
                    QByteArray bytes = row.columnBlob(column);
                    if (rule.utf8Text)
                        bytes = WideTextBytes(QString::fromUtf8(bytes));
                    anyValue = anyValue || !bytes.isEmpty();
                    names << bytes;
                }
                if (anyValue && entries.store(lang, target.stype, names))
                    ++stored;
            }
        }
        listed.reset();
        transaction.commit();
    } catch (const std::exception &e) {
        stored = 0; // rolled back whole: the pick list stays as it was
        LogException(location, e);
    }
    if (progress) {
        progress->setPermille(1000);
        progress->close();
    }
    // The pick list's shared query is shown only by a pick list, which opens
    // it for its language and kind: closed here, it reads the table then.
    list.query().close();
    return stored;
}
