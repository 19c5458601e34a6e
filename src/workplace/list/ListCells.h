#pragma once
// What the certificate list's cells show: the status colours of the first
// column, the texts of text, blob, date and blank-number cells, and the text
// of the goods description memo.
#include "DataSet.h"

#include <QColor>
#include <QString>
#include <QVariant>

// The status colour of a certificate row; invalid for a status without one
// (5 among them). A status that could not be read is -1.
QColor StatusColor(int status);
// Whether a selected cell of that status writes in the window colour (light)
// rather than the text colour; false for the statuses without a colour.
bool StatusWantsLightText(int status);

// Wide text of a stored value: blobs are UTF-16LE, texts UTF-8; line breaks
// become spaces so the text stands on one line.
QString OneLineCellText(FieldType type, const QVariant &value);

// The text of a cell of the certificate grid.
QString CertificateCellText(const QString &fieldName, FieldType type, const QVariant &value);
// Whether the certificate grid centres the cells of that field.
bool CertificateCellCentred(const QString &fieldName);
// The text of a cell of the goods grid.
QString GoodsCellText(FieldType type, const QVariant &value);

// The full goods description as the memo shows it (line breaks as LF).
QString GoodsMemoText(const QString &description);
