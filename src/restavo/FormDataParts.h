#pragma once
// Filling a connection's multipart body and sending it as it is produced.
#include "MultipartFormData.h"
#include "qlMsInternet.h"

#include <QByteArray>
#include <QString>

// Removes every part (owned sources are closed with them).
void ClearParts(TMultiPartFormDataStream &body);
// A plain name/value part; returns the total length of all parts so far.
qint64 AddValuePart(TMultiPartFormDataStream &body, const QByteArray &name, const QByteArray &value);
// A file part read from FileName while the body is sent; its header names
// the file (UTF-8, without its folder) and ContentType, or the type of its
// extension when ContentType is empty. A file that cannot be opened raises
// AppError and leaves the body unchanged.
void AddFilePart(TMultiPartFormDataStream &body, const QByteArray &name, const QString &fileName,
                 const QByteArray &contentType);

// Sends the connection's FormData as the body of the request opened by
// ConnectToHttpsServer("POST"), with Headers: OnSizeResource is told the
// whole body's length first, OnSizePortion every portion sent. False on
// failure, with ErrorCode.
bool SendFileToHttpServer(THttpsConnection &connection);
