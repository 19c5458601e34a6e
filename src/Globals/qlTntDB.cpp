#include "qlTntDB.h"

#include "GGDateTime.h"
#include "KDSUtils.h"
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
    if (!IsWideOrMemo(field) && field.isBlob() && typeBlob == TqlTntTypeBlob::edsWideString)
        return BlobToWide(field);
    return FieldToWide(field);
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
    switch (field.type()) {
    case FieldType::WideString:
        return FieldToWide(field);
    case FieldType::Blob:
        return field.isNull() || field.asBytes().isEmpty() ? "(blob)" : "(BLOB)";
    case FieldType::Memo:
        return field.isNull() || field.asString().isEmpty() ? "(memo)" : "(MEMO)";
    case FieldType::Date:
        return field.isNull() ? QString("") : FormatDayNumber(field.asInteger());
    default:
        return field.asString();
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
