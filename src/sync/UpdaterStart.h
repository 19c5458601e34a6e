#pragma once
// The hand-over to the updater after the update packages are downloaded: the
// operator is told that the program restarts, and the updater of the program
// folder starts with the update list as its one argument. The updater
// outlives this program, so it is started detached, not as a child.
#include "DetachedStart.h"
#include "RestoratorPackage.h"

#include <QString>
#include <QStringList>
#include <functional>

class SyncWindowOutput;
class TGGStringList;

// Starts a program that outlives this one; tests give their own.
using UpdaterStarter = std::function<DetachedStartResult(const QString &programFile, const QStringList &arguments)>;
// StartDetached in the current folder.
UpdaterStarter DetachedUpdaterStarter();

// Shows "Сейчас программа будет перезапущена" and starts the updater with the
// comma text of UpdateList. When it does not start, the system's text of the
// error goes to the log and false is returned.
bool HandOverToUpdater(const QString &programDir, const TGGStringList &updateList, SyncWindowOutput &output,
                       const UpdaterStarter &start);
