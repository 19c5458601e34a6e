#include "KDSUtils.h"

#include "SqliteDatabase.h"
#include "ggError.h"

#include <QRegularExpression>

namespace {

// Case folding that keeps the length: one code unit at a time.
QString UpperUnits(QString text)
{
    for (QChar &c : text)
        c = c.toUpper();
    return text;
}

QString LowerUnits(QString text)
{
    for (QChar &c : text)
        c = c.toLower();
    return text;
}

// The text rule shared by both locate routines. With IgnoreCase the caller has
// upper-cased both sides already; the starts-with and contains tests ignore case
// on their own. An empty value occurs nowhere.
bool TextMatches(const QString &value, const QString &text, uint8_t options)
{
    if (value.isEmpty() && text.isEmpty())
        return true;
    if (options & LocateOption::Contains)
        return !value.isEmpty() && LowerUnits(text).contains(LowerUnits(value));
    if (options & LocateOption::StartsWith)
        return !value.isEmpty() && LowerUnits(text).startsWith(LowerUnits(value));
    return text == value;
}

QString VariantText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

// Scans from the first row with the controls disabled; puts the cursor back
// when no row matches or the test fails.
template <typename Test>
bool ScanForMatch(DataSet &dataSet, Test matches)
{
    ControlsDisabler quiet(dataSet);
    const DataSet::Bookmark start = dataSet.bookmark();
    const auto goBack = [&] {
        if (dataSet.bookmarkValid(start))
            dataSet.gotoBookmark(start);
    };
    try {
        dataSet.first();
        while (!dataSet.eof()) {
            if (matches())
                return true;
            dataSet.next();
        }
    } catch (...) {
        goBack();
        throw;
    }
    goBack();
    return false;
}

bool KeyMatches(const Field &field, const QVariant &key, uint8_t options)
{
    if (!key.isValid() || key.isNull())
        return field.isNull();
    const bool ignoreCase = options & LocateOption::IgnoreCase;
    switch (field.type()) {
    case FieldType::String:
    case FieldType::Memo: {
        const QString s = VariantText(key);
        const QString f = field.asString();
        return ignoreCase ? TextMatches(UpperUnits(s), UpperUnits(f), options) : TextMatches(s, f, options);
    }
    case FieldType::Blob:
    case FieldType::WideString: {
        const QString s = VariantText(key);
        const QString f = field.isNull() ? QString() : field.isBlob() ? BlobToWide(field) : field.asString();
        return ignoreCase ? TextMatches(UpperUnits(s), UpperUnits(f), options) : TextMatches(s, f, options);
    }
    case FieldType::Integer:
    case FieldType::Boolean:
    case FieldType::Float:
    case FieldType::Date:
    case FieldType::DateTime:
        return !field.isNull() && CoerceFieldValue(field.type(), key, field.name()) == field.value();
    case FieldType::AutoInc:
    case FieldType::Nested:
        break;
    }
    throw AppError("unsupported DataType for field " + field.name());
}

} // namespace

bool LocateWide(DataSet &dataSet, const QString &fieldName, const QString &value, uint8_t options)
{
    const bool ignoreCase = options & LocateOption::IgnoreCase;
    const QString wanted = ignoreCase ? UpperUnits(value) : value;
    const Field &field = dataSet.fieldByName(fieldName);
    return ScanForMatch(dataSet, [&] {
        if (field.isNull())
            return false;
        const QString text = field.asString();
        return TextMatches(wanted, ignoreCase ? UpperUnits(text) : text, options);
    });
}

bool LocateByKeyFields(DataSet &dataSet, const QString &keyFields, const QVariant &keyValues, uint8_t options)
{
    static const QRegularExpression delimiters("[; ,]+");
    const QStringList names = keyFields.split(delimiters, Qt::SkipEmptyParts);
    if (names.isEmpty())
        throw AppError("invalid KeyFields");
    QList<const Field *> fields;
    for (const QString &name : names)
        fields.append(&dataSet.fieldByName(name));
    const bool isArray = keyValues.typeId() == QMetaType::QVariantList;
    const QVariantList values = isArray ? keyValues.toList() : QVariantList();
    return ScanForMatch(dataSet, [&] {
        for (int i = 0; i < fields.size(); ++i) {
            const QVariant key = isArray ? values.value(i) : keyValues;
            if (!KeyMatches(*fields[i], key, options))
                return false;
        }
        return true;
    });
}

QString BlobToWide(const Field &field)
{
    if (!field.isBlob())
        throw AppError("Field '" + field.name() + "' is not a blob field");
    return WideTextFromBytes(field.asBytes());
}

void WideToParam(const QString &text, SqlParam &param)
{
    param.clear();
    param.setBlob(WideTextBytes(text));
}

void FieldToParam(const Field &field, SqlParam &param)
{
    param.clear();
    param.setBlob(field.asBytes());
}

QString ParamToWide(const SqlParam &param)
{
    return WideTextFromBytes(param.asBytes());
}

QString JoinLines(const QString &a, const QString &b)
{
    return (!a.isEmpty() && !b.isEmpty()) ? a + QStringLiteral("\r\n") + b : a + b;
}
