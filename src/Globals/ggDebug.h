#pragma once
// Diagnostics: texts of system error numbers, the event journal writer and
// the machine-wide single-instance lock.
#include <QString>
#include <QStringList>
#include <cstdint>

// Text of a system or network error number (the Windows and WinInet numbers
// the program logs, errno values otherwise), ending with "\r\n" as the system
// texts do. Empty when no text is known.
QString SysErrorText(uint32_t code);

// Writes one journal record; never fails towards the caller.
void ReportEventLog(const QString &sourceName, uint16_t eventType, uint16_t category,
                    const QStringList &strings, uint32_t eventId);

// Takes the machine-wide lock Name: 0 when this process now holds it, 183 when
// another holder has it (or this process already took it), another error
// number when it cannot be made, 1 on an internal failure.
int CreateGlobalMutex(const QString &name);
