#pragma once
// The program's version as the server, the data packet, Restavo's command
// line and the About box know it.
#include <QString>

inline const QString ProgramVersion = QStringLiteral("1.4.1.6");
