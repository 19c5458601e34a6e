#pragma once
// Wide text in blobs and query parameters, and the two locate routines.
// Wide text is stored as raw UTF-16LE: no byte-order mark, no terminator,
// 2 bytes per code unit; an empty text is a 0-byte blob.
#include "DataSet.h"
#include "SqlQuery.h"

#include <QString>
#include <QVariant>

#include <cstdint>

// Bits of the locate options.
namespace LocateOption {
constexpr uint8_t IgnoreCase = 1; // both sides upper-cased before an equality test
constexpr uint8_t StartsWith = 2; // the value at the start of the field's text, any case
constexpr uint8_t Contains = 4;   // the value anywhere in the field's text, any case; wins over StartsWith
} // namespace LocateOption

// Moves to the first row whose field text matches Value. A null field never
// matches; an empty Value matches only an empty text. When nothing matches the
// cursor stays where it was. Controls are disabled during the scan.
bool LocateWide(DataSet &dataSet, const QString &fieldName, const QString &value, uint8_t options);

// Moves to the first row whose key fields (names separated by ';', ' ' or ',')
// all match: KeyValues is one value for every key or a QVariantList with one value
// per key; a null value matches only a null field, an empty text also a null
// text or blob field. Raises "invalid KeyFields" and
// "unsupported DataType for field <name>".
bool LocateByKeyFields(DataSet &dataSet, const QString &keyFields, const QVariant &keyValues, uint8_t options);

// The text of a blob field holding UTF-16LE; "" for null or empty.
QString BlobToWide(const Field &field);
// The parameter becomes a blob of the text's UTF-16LE bytes (empty text: empty blob, not null).
void WideToParam(const QString &text, SqlParam &param);
// The parameter becomes a blob of the field's bytes, copied unchanged.
void FieldToParam(const Field &field, SqlParam &param);
// The text of a parameter filled by WideToParam or FieldToParam.
QString ParamToWide(const SqlParam &param);
// A and B on two lines (CR LF between) when both have text, else whichever has it.
QString JoinLines(const QString &a, const QString &b);
