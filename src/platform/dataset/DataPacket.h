#pragma once
// The client dataset's XML data packet (DATAPACKET Version 2.0: METADATA/FIELDS,
// ROWDATA, nested rows inside their ROW), read and written as that format is
// commonly written. Field types: i4 (SUBTYPE Autoinc), string, string.uni
// (WIDTH in bytes), bin.hex (SUBTYPE Binary: base64; Text: plain), boolean,
// date, dateTime, r8, nested. No DTD or external entity is ever loaded.
#include <QByteArray>

class ClientDataSet;

// Replaces the dataset's fields and rows by those of the packet. A malformed
// packet (bad XML, missing parts, unknown field type, a value that does not
// convert) raises AppError and leaves the dataset as it was.
void LoadDataPacket(ClientDataSet &dataSet, const QByteArray &xml);

// The packet of the dataset's fields and posted rows, UTF-8.
QByteArray SaveDataPacket(const ClientDataSet &dataSet);
