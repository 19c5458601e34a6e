#pragma once
// Diagnostics: texts of system error numbers, message-table texts, the event
// journal writer and the machine-wide single-instance lock.
#include <QString>
#include <QStringList>
#include <cstdint>

// Text of a system or network error number (the Windows and WinInet numbers
// the program logs, errno values otherwise: ErrnoText), ending with "\r\n" as
// the system texts do. Empty when no text is known.
QString SysErrorText(uint32_t code);

// The error number the program reports for an errno value: the Windows number
// of the same meaning where SysErrorText knows one, else the errno value
// itself (never a number whose Windows text means something else).
uint32_t WindowsErrorFromErrno(int err);
// The same for an errno met on Path: a missing file whose folder is missing
// too is 3 (path not found), not 2 (file not found).
uint32_t WindowsErrorForPath(int err, const QString &path);

// Text of MessageId in the message module ModulePath, without the line break
// that ends every entry. There are no message-module files here: the modules
// the program names are built in and chosen by the module's file name (the
// folder part, %NAME% references included, plays no part). Empty when the
// module or the id is unknown.
QString MessageFromModule(const QString &modulePath, uint32_t messageId);

// Writes one journal record; never fails towards the caller. The journal
// adds the time, the process, the program and the user itself.
void ReportEventLog(const QString &sourceName, uint16_t eventType, uint16_t category,
                    const QStringList &strings, uint32_t eventId);

// Takes the machine-wide lock Name: 0 when this process now holds it, 183 when
// another holder has it (or this process already took it), another error
// number when it cannot be made, 1 on an internal failure.
int CreateGlobalMutex(const QString &name);
