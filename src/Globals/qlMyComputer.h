#pragma once
// What the workstation tells the central database about the computer it runs
// on. Each value is read from the system's files under Root ("/" normally;
// tests pass a folder laid out the same way), never written.
#include "ggFiles.h"

#include <QByteArray>
#include <QString>

// Version of the .NET runtime; there is none here, so empty.
QByteArray GetNetVersion();
// Product name, a blank, the service pack (none here: empty), a blank and the
// build: "<PRETTY_NAME of os-release>  <kernel release>".
QString GetOSVersion(const QString &root = QStringLiteral("/"));
// Physical memory in whole megabytes (MemTotal of /proc/meminfo).
QByteArray GetMemorySize(const QString &root = QStringLiteral("/"));
// Size of the file system holding Folder, and the space free to this user, in
// whole megabytes; empty when the folder cannot be examined.
QString GetDriveCapacity(const QString &folder = ProgramDir());
QString GetDriveFreeSpace(const QString &folder = ProgramDir());
// Name of the program the desktop opens web pages with; empty when none is set.
QString GetDefaultBrowser(const QString &root = QStringLiteral("/"));
// Processor name, CR LF, the number of processors, CR LF, the speed of the
// first one and "~MHz" ("0~MHz" when the system does not tell it).
QString GetCPUInfo(const QString &root = QStringLiteral("/"));
