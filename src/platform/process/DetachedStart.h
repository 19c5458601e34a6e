#pragma once
// Stands for CreateProcess used to hand over to a program that must outlive
// this one (the updater). Unlike the child launcher nothing waits for a reply
// or an exit: the program runs in a session of its own, is no child of this
// process, inherits none of its open files (standard input, output and error
// are /dev/null), and goes on when this process ends.
#include <QString>
#include <QStringList>

struct DetachedStartResult {
    bool started = false;
    qint64 pid = 0;    // the started program's process id
    int errorCode = 0; // the system's error number when it did not start (2: no such file)
};

// Runs programFile (a path; the search path is not used) with the arguments,
// in workingFolder (the current folder when empty), with this process's
// environment.
DetachedStartResult StartDetached(const QString &programFile, const QStringList &arguments,
                                  const QString &workingFolder = QString());
