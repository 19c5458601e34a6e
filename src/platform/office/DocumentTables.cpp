#include "DocumentTables.h"

#include "AppError.h"
#include "DocConversion.h"
#include "DocxTables.h"
#include "RtfTables.h"
#include "SystemErrorTexts.h"

#include <QFile>
#include <QFileInfo>

namespace {

QByteArray ReadCapped(const QString &path)
{
    if (!QFileInfo(path).isFile())
        throw AppError(QStringLiteral("no such document: ") + path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("the document does not open: ") + RussianSystemText(file.errorString()));
    if (file.size() > MaxDocumentBytes)
        throw AppError(QStringLiteral("the document is larger than %1 bytes").arg(MaxDocumentBytes));
    // The size may grow while it is read (a device, a file being written).
    const QByteArray bytes = file.read(MaxDocumentBytes + 1);
    if (bytes.size() > MaxDocumentBytes)
        throw AppError(QStringLiteral("the document is larger than %1 bytes").arg(MaxDocumentBytes));
    return bytes;
}

} // namespace

OfficeTables ReadDocumentTables(const QString &path)
{
    const QByteArray bytes = ReadCapped(path);
    if (bytes.startsWith("PK\x03\x04"))
        return ReadDocxTables(bytes);
    if (bytes.startsWith("{\\rtf"))
        return ReadRtfTables(bytes);
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return ReadDocxTables(ConvertDocToDocx(path));
    throw AppError(QStringLiteral("the file is no .docx, .rtf or .doc document"));
}
