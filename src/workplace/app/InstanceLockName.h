#pragma once
// The name of the machine-wide lock that keeps a second copy out. Automated
// runs without a screen (the "offscreen" platform) may name a lock of their
// own in TESSAL_INSTANCE_LOCK, so that a copy working elsewhere on the
// machine does not turn them away; on a real display the name never changes.
#include <QString>

// The lock's name for this platform and the name the environment asks for.
QString InstanceLockName(const QString &platformName, const QString &requestedName);
// The same for the running application and its environment.
QString InstanceLockName();
