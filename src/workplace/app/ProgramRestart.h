#pragma once
// A new copy of the program once this one has ended: after an archive import
// the data module must be built afresh over the imported files. The new copy
// is started only after the run's shut-down steps, and after this process has
// given up the single-instance lock, so that it is not turned away.
#include "DetachedStart.h"

#include <QString>
#include <QStringList>
#include <functional>

// The run ends with a new copy of the program.
void RequestProgramRestart();
bool ProgramRestartRequested();
// Forgets the request (tests).
void CancelProgramRestart();

using ProgramStarter =
    std::function<DetachedStartResult(const QString &program, const QStringList &arguments, const QString &folder)>;

// When a restart was asked for: releases the single-instance lock LockName
// and starts ProgramFile detached, without arguments, in the current folder.
// A start that fails is recorded in the journal. Without a request nothing
// happens and the result says "not started".
DetachedStartResult RestartProgramWhenRequested(const QString &lockName, const QString &programFile,
                                                const ProgramStarter &start = StartDetached);
