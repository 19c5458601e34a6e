#include "FormDataParts.h"

#include "MimeTable.h"
#include "ggError.h"

#include <QFile>
#include <memory>

namespace {

qint64 TotalOfParts(const TMultiPartFormDataStream &body)
{
    return body.Size() - body.ClosingLine().size();
}

} // namespace

void ClearParts(TMultiPartFormDataStream &body)
{
    body.Seek(0, SeekOrigin::Beginning);
    body.Fields().Clear();
}

qint64 AddValuePart(TMultiPartFormDataStream &body, const QByteArray &name, const QByteArray &value)
{
    TFormDataField &part = body.Fields().Add();
    part.FieldName = name;
    part.Value = value;
    return TotalOfParts(body);
}

void AddFilePart(TMultiPartFormDataStream &body, const QByteArray &name, const QString &fileName,
                 const QByteArray &contentType)
{
    auto file = std::make_unique<QFile>(fileName);
    if (!file->open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file->errorString()));
    const QByteArray encodedName = fileName.toUtf8();
    TFormDataField &part = body.Fields().Add();
    part.FieldName = name;
    part.FileName = encodedName;
    part.Source = file.release();
    part.OwnsSource = true;
    part.ContentType = contentType.isEmpty() ? MimeTypeOfFile(encodedName) : contentType;
}

bool SendFileToHttpServer(THttpsConnection &connection)
{
    TMultiPartFormDataStream &body = connection.FormData();
    if (connection.OnSizeResource)
        connection.OnSizeResource(&connection, body.Size());
    body.Seek(0, SeekOrigin::Beginning);
    return connection.SendHttpsRequestBody(body);
}
