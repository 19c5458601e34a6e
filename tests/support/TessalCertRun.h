#pragma once
// Starts the real TessalCert on a screenless display over a program folder:
// message boxes go to standard error, the layout files stay in the folder,
// and the single-instance lock is one of the folder's own, so that a copy
// running elsewhere on the machine does not turn the test's copy away (two
// copies over the same folder still share it).
#include "TestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <memory>

inline std::unique_ptr<QProcess> StartTessalCert(const QString &home)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TESSAL_HOME"), home);
    env.insert(QStringLiteral("TESSAL_INSTANCE_LOCK"), QStringLiteral("TessalCert test ") + home);
    env.insert(QStringLiteral("HOME"), home); // the layout store writes below it
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    process->setProcessEnvironment(env);
    process->start(BuiltProgram(QStringLiteral("TessalCert")), {});
    return process;
}
