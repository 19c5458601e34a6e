#include "GoodsLines.h"

#include "ClientDataSet.h"
#include "CommonTessal.h"
#include "KDSUtils.h"
#include "Prompter.h"
#include "SqlQuery.h"

const QList<GoodsField> &GoodsFields()
{
    static const QList<GoodsField> fields = {
        {"d7", 2048, "dbe7", QStringLiteral("7. Указывается номер товарной позиции"), "d7Num"},
        {"d8", 4096, "dbm8",
         QStringLiteral("8. Указывается коммерческое наименование товара и другие сведения, позволяющие произвести "
                        "однозначную идентификацию товара."),
         "d8Description"},
        {"d9c", 2048, "dbe9c", QStringLiteral("9. Количество мест"), "d9Count"},
        {"d9p", 2048, "dbe9p", QStringLiteral("9. Вид упаковки"), "d9Package"},
        {"d10w", 2048, "dbe10w", QStringLiteral("10. Вес брутто и/или другое количество товара"), "d10Weight"},
        {"d10q", 2048, "dbe10q", QStringLiteral("10. Единицы измерения"), "d10Q"},
    };
    return fields;
}

const GoodsField *FindGoodsFieldByMemo(const QString &memo)
{
    for (const GoodsField &f : GoodsFields())
        if (f.memo == memo)
            return &f;
    return nullptr;
}

void CreateGoodsDataSet(ClientDataSet &lines)
{
    lines.close();
    QList<FieldDef> defs;
    for (const GoodsField &f : GoodsFields())
        defs.append(FieldDef(f.field, FieldType::WideString, f.size));
    lines.setFieldDefs(defs);
    lines.createDataSet();
}

void CopyGoodsLines(DataSet &stored, ClientDataSet &lines)
{
    ControlsDisabler quiet(stored);
    for (stored.first(); !stored.eof(); stored.next()) {
        lines.append();
        for (const GoodsField &f : GoodsFields())
            lines.fieldByName(f.field).setValue(BlobToWide(stored.fieldByName(f.column)));
        lines.post();
    }
}

void FinishGoodsEditing(ClientDataSet &lines)
{
    // Controls holding typed text not yet in their field write it first.
    if (lines.isEditing())
        emit lines.updateRecord();
    if (lines.state() == DataSet::State::Insert) {
        bool touched = false;
        for (int i = 0; i < lines.fieldCount() && !touched; ++i)
            touched = !lines.field(i).isNull();
        if (!touched) {
            lines.cancel();
            return;
        }
    }
    lines.checkBrowseMode();
}

bool CopyToAll(ClientDataSet &lines, const QString &fieldName)
{
    ControlsDisabler quiet(lines);
    QString value;
    try {
        value = lines.fieldByName(fieldName).asString();
    } catch (const std::exception &) {
        value.clear();
    }
    if (value.isEmpty())
        return false;
    const QString question = QStringLiteral("Размножить \"") + value + QStringLiteral("\" в остальные записи?");
    if (Prompts().ask(question, App().MessageTitle, Prompt::Warning, Prompt::YesNo) != Prompt::IdYes)
        return false;
    const int current = lines.recNo();
    for (lines.first(); !lines.eof(); lines.next()) {
        lines.edit();
        lines.fieldByName(fieldName).setValue(value);
        lines.post();
    }
    lines.setRecNo(current);
    return true;
}

void InsertGoodsLines(SqlQuery &insertGoods, int64_t idM, ClientDataSet &lines)
{
    int order = 0;
    for (lines.first(); !lines.eof(); lines.next()) {
        insertGoods.paramByName("idM").setInteger(idM);
        insertGoods.paramByName("dOrder").setInteger(++order);
        for (const GoodsField &f : GoodsFields())
            WideToParam(lines.fieldByName(f.field).asString(), insertGoods.paramByName(f.column));
        insertGoods.execSql();
    }
}

void ReplaceGoodsLines(ClientDataSet &lines, const QStringList &fields, const QList<QStringList> &values)
{
    lines.emptyDataSet();
    for (const QStringList &line : values) {
        lines.append();
        for (int i = 0; i < line.size() && i < fields.size(); ++i)
            lines.fieldByName(fields[i]).setValue(line[i]);
        lines.post();
    }
    lines.first();
}

QStringList GoodsFieldNames()
{
    QStringList names;
    for (const GoodsField &f : GoodsFields())
        names.append(f.field);
    return names;
}
