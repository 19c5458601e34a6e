#pragma once
// The journal records of the server worker's operations.
#include <QString>

#include <exception>

// (audit success, diagnostics, 0x40000101: Text): what an operation read or got.
void RecordDiagnostic(const QString &text);
// (information, diagnostics, 0x40000101: Text): what the server answered to
// what an operation posted.
void RecordPostAnswer(const QString &text);
// (error, diagnostics, 0x40000101: Prefix + the message): an operation that failed.
void RecordOperationFailure(const QString &prefix, const std::exception &error);
// (error, exchange, 0x40007500: Method, What, Answer): the server refused.
void RecordErrorAnswer(const QString &method, const QString &what, const QString &answer);
