#include "InstanceLockName.h"

#include "StartupSequence.h"

#include <QGuiApplication>

QString InstanceLockName(const QString &platformName, const QString &requestedName)
{
    if (platformName != QLatin1String("offscreen") || requestedName.isEmpty())
        return SingleInstanceName;
    return requestedName;
}

QString InstanceLockName()
{
    return InstanceLockName(QGuiApplication::platformName(), qEnvironmentVariable("TESSAL_INSTANCE_LOCK"));
}
