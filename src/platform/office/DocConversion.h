#pragma once
// Stands for Word opening a .doc document (the binary Word 97-2003 format):
// LibreOffice, when installed, converts it to .docx in a private temporary
// folder of its own, with its own profile there, so a LibreOffice the user
// has open is not disturbed. The folder is removed afterwards.
#include "AppError.h"

#include <QByteArray>
#include <QString>

// LibreOffice is not installed.
class OfficeConverterMissing : public AppError {
public:
    using AppError::AppError;
};

// The path of LibreOffice's soffice program on the search path, or empty.
QString OfficeConverterPath();

// The .docx bytes of the document at `path`. Raises OfficeConverterMissing
// without LibreOffice, and AppError when the conversion fails, gives nothing
// or does not end within `timeoutMs` (LibreOffice is then stopped); the
// error's text tells the operator what to do instead.
QByteArray ConvertDocToDocx(const QString &path, int timeoutMs = 120000);
