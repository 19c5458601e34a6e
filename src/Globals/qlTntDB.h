#pragma once
// A field's text as wide text, for the data-aware memo and grid: wide-string
// and memo fields give their value; a blob field is read as UTF-16LE or as
// 8-bit (UTF-8) text depending on the blob kind.
#include "DataSet.h"

#include <QString>

enum class TqlTntTypeBlob { edsString = 0, edsWideString = 1 };

QString FieldToWide(const Field &field);
QString FieldToWideTyped(const Field &field, TqlTntTypeBlob typeBlob);
void WideToField(Field &field, const QString &text);
// With edsWideString a blob field gets the UTF-16LE bytes; an empty text stores null.
void WideToFieldTyped(Field &field, const QString &text, TqlTntTypeBlob typeBlob);
// Texts a grid shows and edits: dates as "DD.MM.YYYY", blobs and memos as
// "(BLOB)"/"(MEMO)" (lower case when empty), wide-string fields as their value.
QString FieldDisplayTextWide(const Field &field);
QString FieldEditTextWide(const Field &field);
void SetFieldEditTextWide(Field &field, const QString &text);

// The same texts from a stored value of a field with the given definition, for
// grids that draw rows other than the dataset's current one.
QString ValueToWideTyped(const FieldDef &def, const QVariant &value, TqlTntTypeBlob typeBlob);
QString ValueDisplayTextWide(const FieldDef &def, const QVariant &value);
