#include "PickListData.h"

#include "DataTessal.h"
#include "KDSUtils.h"
#include "ggError.h"

namespace {

const QString LangParam = QStringLiteral("lang");
const QString STypeParam = QStringLiteral("stype");

// A row value copied for a comparison with IS: a null field stays null, so
// that an entry stored without a value can still be deleted.
void RowValueToParam(const Field &field, SqlParam &param)
{
    if (field.isNull()) {
        param.setType(field.isBlob() ? SqlParam::Type::Blob : SqlParam::Type::Text);
        param.clear();
    } else if (field.isBlob()) {
        FieldToParam(field, param);
    } else {
        param.setText(field.asString());
    }
}

} // namespace

const PickListTable &ContragentTable()
{
    static const PickListTable table{QStringLiteral("Contragent"), {QStringLiteral("nameT"), QStringLiteral("nameB")}};
    return table;
}

const PickListTable &PhraseTable()
{
    static const PickListTable table{QStringLiteral("Phrase"), {QStringLiteral("name")}};
    return table;
}

SqlFragment PickListFilter(const QByteArray &lang, uint8_t stype)
{
    SqlFragment filter;
    if (IsPickListLanguage(lang)) {
        filter.text = QStringLiteral("(lang = :lang) and (stype = :stype)");
        filter.params.add(LangParam).setText(QString::fromUtf8(lang));
    } else {
        filter.text = QStringLiteral("(stype = :stype)");
    }
    filter.params.add(STypeParam).setInteger(stype);
    return filter;
}

PickListData::PickListData(TDM &dm, SqlQuery &query, const PickListTable &table)
    : m_dm(dm), m_query(query), m_table(table)
{
}

void PickListData::show(const QByteArray &lang, uint8_t stype)
{
    m_query.close();
    m_query.setFilter(PickListFilter(lang, stype));
    m_query.setFiltered(true);
    m_query.open();
}

void PickListData::reopen()
{
    m_query.close();
    m_query.open();
}

void PickListData::reopenQuietly()
{
    try {
        reopen();
    } catch (const std::exception &) {
        // the list keeps what it could show; the next showing opens it again
    }
}

bool PickListData::search(const QString &fieldName, const QString &text, bool anywhere)
{
    const uint8_t options =
        LocateOption::IgnoreCase | (anywhere ? LocateOption::Contains : LocateOption::StartsWith);
    return LocateByKeyFields(m_query, fieldName, QVariant(text), options);
}

bool PickListData::locateExact(const QString &fieldName, const QString &text)
{
    return LocateByKeyFields(m_query, fieldName, QVariant(text), 0);
}

bool PickListData::hasCurrentEntry() const
{
    return m_query.isActive() && !m_query.isEmpty() && m_query.currentRow() >= 0;
}

QStringList PickListData::currentNames() const
{
    QStringList names;
    const bool entry = hasCurrentEntry();
    for (const QString &field : m_table.nameFields)
        names << (entry ? BlobToWide(m_query.fieldByName(field)) : QString());
    return names;
}

SqlQuery &PickListData::work(const QString &sql) const
{
    SqlQuery &query = m_dm.ALQueryWork;
    query.close();
    query.setFiltered(false);
    query.params().clear();
    query.setSql(sql);
    return query;
}

// "(lang <op> :lang) and (stype = :stype) and (<name> <op> :<name>) ..."
QString PickListData::keyCondition(const QString &comparison) const
{
    QString text = QStringLiteral("(lang %1 :lang) and (stype = :stype)").arg(comparison);
    for (const QString &field : m_table.nameFields)
        text += QStringLiteral(" and (%1 %2 :%1)").arg(field, comparison);
    return text;
}

bool PickListData::deleteCurrent(uint8_t stype)
{
    if (!hasCurrentEntry())
        return false;
    bool deleted = false;
    try {
        SqliteTransaction transaction(m_dm.ASQLite3DBd);
        SqlQuery &remove = work(QStringLiteral("delete from %1 where %2").arg(m_table.name, keyCondition("IS")));
        RowValueToParam(m_query.fieldByName(LangParam), remove.paramByName(LangParam));
        remove.paramByName(STypeParam).setInteger(stype);
        for (const QString &field : m_table.nameFields)
            RowValueToParam(m_query.fieldByName(field), remove.paramByName(field));
        remove.execSql();
        deleted = remove.rowsAffected() > 0;
        transaction.commit();
    } catch (const std::exception &) {
        deleted = false; // rolled back; the list shows the table unchanged
    }
    m_dm.ALQueryWork.close();
    reopenQuietly();
    return deleted;
}

void PickListData::storeEntry(const QByteArray &lang, uint8_t stype, const QList<QByteArray> &nameBytes)
{
    if (nameBytes.size() != m_table.nameFields.size())
        throw AppError(QStringLiteral("%1 takes %2 names").arg(m_table.name).arg(m_table.nameFields.size()));
    const auto bind = [&](SqlQuery &query) {
        query.paramByName(LangParam).setText(QString::fromUtf8(lang));
        query.paramByName(STypeParam).setInteger(stype);
        for (int i = 0; i < nameBytes.size(); ++i)
            query.paramByName(m_table.nameFields[i]).setBlob(nameBytes[i]);
    };
    SqlQuery &remove = work(QStringLiteral("delete from %1 where %2").arg(m_table.name, keyCondition("=")));
    bind(remove);
    remove.execSql();
    const QString columns = QStringLiteral("lang,stype,") + m_table.nameFields.join(u',');
    const QString values = QStringLiteral(":lang,:stype,:") + m_table.nameFields.join(QStringLiteral(",:"));
    SqlQuery &insert = work(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3);").arg(m_table.name, columns, values));
    bind(insert);
    insert.execSql();
}

bool PickListData::addEntry(const QByteArray &lang, uint8_t stype, const QStringList &names)
{
    if (!IsPickListLanguage(lang) || names.size() != m_table.nameFields.size())
        return false;
    QList<QByteArray> nameBytes;
    for (const QString &name : names)
        nameBytes << WideTextBytes(name);
    bool added = false;
    try {
        SqliteTransaction transaction(m_dm.ASQLite3DBd);
        storeEntry(lang, stype, nameBytes);
        transaction.commit();
        added = true;
    } catch (const std::exception &) {
        added = false; // rolled back; the list shows the table unchanged
    }
    m_dm.ALQueryWork.close();
    reopenQuietly();
    return added;
}
