#pragma once
// Stands for a named mutex in the global namespace: a machine-wide lock that
// the kernel releases when the holding process ends, however it ends, and
// that programs started by the holder do not inherit.
//
// The lock is an abstract Unix socket bound to the lock's name: only one
// socket on the machine can be bound to a name, the binding disappears with
// the last descriptor, and the descriptor is closed on exec.
#include <QString>

struct MachineLockResult {
    enum Outcome { Taken, HeldElsewhere, Failed };
    Outcome outcome = Failed;
    int error = 0; // errno when Failed
};

// Takes the lock Name for the rest of the process's life. HeldElsewhere when
// another process holds it, or when this process took it before.
MachineLockResult TakeMachineLock(const QString &name);
// Gives up the lock Name that this process took, so that a program started
// next (a new copy of this one) can take it. False when it was not held here.
bool ReleaseMachineLock(const QString &name);
