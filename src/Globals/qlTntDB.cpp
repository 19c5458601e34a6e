#include "qlTntDB.h"

#include "GGDateTime.h"
#include "SqliteDatabase.h"
#include "ggError.h"

namespace {

bool IsWideOrMemo(const Field &field)
{
    return field.type() == FieldType::WideString || field.type() == FieldType::Memo;
}

} // namespace

QString FieldToWide(const Field &field)
{
    return field.asString();
}

QString FieldToWideTyped(const Field &field, TqlTntTypeBlob typeBlob)
{
    return ValueToWideTyped(field.def(), field.value(), typeBlob);
}

QString ValueToWideTyped(const FieldDef &def, const QVariant &value, TqlTntTypeBlob typeBlob)
{
    if (def.type == FieldType::Blob && typeBlob == TqlTntTypeBlob::edsWideString)
        return value.isValid() ? WideTextFromBytes(value.toByteArray()) : QString("");
    return FieldValueText(def.type, value);
}

void WideToField(Field &field, const QString &text)
{
    field.setValue(text);
}

void WideToFieldTyped(Field &field, const QString &text, TqlTntTypeBlob typeBlob)
{
    if (IsWideOrMemo(field) || !field.isBlob() || typeBlob == TqlTntTypeBlob::edsString) {
        WideToField(field, text);
        return;
    }
    if (text.isEmpty())
        field.clear();
    else
        field.setValue(WideTextBytes(text));
}

QString FieldDisplayTextWide(const Field &field)
{
    return ValueDisplayTextWide(field.def(), field.value());
}

QString ValueDisplayTextWide(const FieldDef &def, const QVariant &value)
{
    const QString text = FieldValueText(def.type, value);
    switch (def.type) {
    case FieldType::Blob:
        return !value.isValid() || value.toByteArray().isEmpty() ? "(blob)" : "(BLOB)";
    case FieldType::Memo:
        return text.isEmpty() ? "(memo)" : "(MEMO)";
    case FieldType::Date:
        return value.isValid() ? FormatDayNumber(CoerceFieldValue(FieldType::Integer, value, def.name).toLongLong())
                               : QString("");
    default:
        return text;
    }
}

QString FieldEditTextWide(const Field &field)
{
    return FieldDisplayTextWide(field);
}

void SetFieldEditTextWide(Field &field, const QString &text)
{
    if (field.type() == FieldType::Date && !text.trimmed().isEmpty()) {
        const QDate date = ParseDate(text.trimmed());
        if (!date.isValid())
            throw AppError("'" + text + "' is not a valid date");
        field.setValue(qint64(DateToDayNumber(date)));
        return;
    }
    if (text.isEmpty() && field.type() != FieldType::WideString && !field.isText()) {
        field.clear();
        return;
    }
    WideToField(field, text);
}
