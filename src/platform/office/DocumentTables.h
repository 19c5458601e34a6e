#pragma once
// Stands for opening a document in Word to read its tables: a .docx, an .rtf,
// or a .doc that LibreOffice converts first. The kind is told by the file's
// first bytes, not by its name, so an .rtf saved under the name .doc reads
// too. Only the chosen file is read.
#include "OfficeTables.h"

#include <QString>

// The largest document read.
constexpr qint64 MaxDocumentBytes = qint64(32) << 20;

// The tables of the document at `path`. Raises AppError when the file does
// not open, is larger than MaxDocumentBytes, is none of the three kinds, or
// its reader refuses it; OfficeConverterMissing (DocConversion.h) for a .doc
// without LibreOffice.
OfficeTables ReadDocumentTables(const QString &path);
