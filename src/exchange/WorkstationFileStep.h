#pragma once
// One central database server asked for a new workstation file: the step
// that TDM.LoadNewICod runs for each server in turn and that Restavo's
// workstation-file operation runs for the server it was given.
#include "WorkstationFile.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class THttpsConnection;

// Asks the server the connection points at (base path ServerPath) for the
// workstation file. A failed request is recorded as every request is; an
// error answer is recorded (error, exchange, 0x40007500: Location,
// "\"icod\". ответ сервера: ", the answer), its reason handed to Refusal when
// given, and gives nothing. A delivered file is deciphered and checked in
// memory; only when it passes every check does it replace FileName,
// atomically, and it is returned read. A delivery that fails the checks
// raises AppError and leaves FileName as it was.
std::optional<WorkstationFile> FetchWorkstationFile(THttpsConnection &connection, const QByteArray &serverPath,
                                                    const QByteArray &identity, const QString &location,
                                                    const QString &fileName,
                                                    const std::function<void(const QString &)> &refusal);
