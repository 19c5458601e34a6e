#pragma once
// What the certificate packet tells the central database about the computer.
#include <QString>

struct MachineValues {
    QString netVersion;
    QString programPath; // the program folder, without a final separator
    QString memory;
    QString driveCapacity;
    QString freeSpace;
    QString cpu;
    QString defaultBrowser;
    QString osVersion;
};

// The values of this computer for a program in ProgramDir, read in the order
// the packet lists them.
MachineValues ReadMachineValues(const QString &programDir);
