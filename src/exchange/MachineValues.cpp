#include "MachineValues.h"

#include "qlMyComputer.h"

#include <QDir>

MachineValues ReadMachineValues(const QString &programDir)
{
    MachineValues values;
    values.programPath = QDir::cleanPath(programDir);
    values.netVersion = QString::fromUtf8(GetNetVersion());
    values.memory = QString::fromUtf8(GetMemorySize());
    values.driveCapacity = GetDriveCapacity(programDir);
    values.freeSpace = GetDriveFreeSpace(programDir);
    values.cpu = GetCPUInfo();
    values.defaultBrowser = GetDefaultBrowser();
    values.osVersion = GetOSVersion();
    return values;
}
