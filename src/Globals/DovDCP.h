#pragma once
// Small helpers beside the data-file cipher.
#include <QString>

// Extensions used when naming or stripping enciphered and zipped file names.
inline const QString ZipExtension = QStringLiteral(".zip");
inline const QString CodExtension = QStringLiteral(".cod");

// "0" for true, "1" for false: how the data packet writes the act flag.
QString BoolToWideDigit(bool value);
