#pragma once
// The Word print-out of the current certificate (the list query's current
// row): a document laid out like the blank, its first page from
// TessalFormCertMain_<language>.docx, and continuation pages from
// TessalFormCertNext_<language>.docx for the goods lines the first page's
// goods area cannot take. The whole document comes back as .docx bytes; a
// failure raises AppError and gives no document at all.
#include <QByteArray>
#include <QString>

class TDM;

QByteArray WordPrintOut(TDM &dm, const QString &dataDir);

// "TessalFormCertMain_" or "TessalFormCertNext_" + language + ".docx" in DataDir.
QString WordTemplatePath(const QString &dataDir, const QString &baseName, const QString &language);
