#pragma once
// The files through which the steps of a chain of Restavo runs hand their
// results to each other and to the workstation: in the data folder the
// answers Restavo keeps and the copy of the database the restore loads,
// and beside it the folder that receives downloads.
#include "ProgramFolders.h"

#include <QString>

namespace ExchangeFiles {
inline const QString Hello = QStringLiteral("hello.xml");     // the entry server's hello answer
inline const QString Params = QStringLiteral("params.txt");   // the central database server of the chain
inline const QString Version = QStringLiteral("version.xml"); // that server's version answer
inline const QString Change = QStringLiteral("change.xml");   // its list of certificate changes
inline const QString Wsdl = QStringLiteral("wsdl.xml");       // the project service's description
inline const QString Serv = QStringLiteral("serv.xml");       // the project it gave
inline const QString TempDatabase = QStringLiteral("temp.sqb"); // the database copy the restore loads into
} // namespace ExchangeFiles
