// The single-instance lock's name: a test run without a screen may name its
// own; a run on a real display always takes the machine-wide one.
#include "InstanceLockName.h"
#include "StartupSequence.h"

#include <QList>
#include <gtest/gtest.h>

TEST(InstanceLockName, OnlyAScreenlessRunMayNameItsOwnLock)
{
    struct Case {
        const char *name;
        QString platform, requested, expected;
    };
    const QList<Case> cases = {
        {"offscreen, asked", "offscreen", "TessalCert test /tmp/a", "TessalCert test /tmp/a"},
        {"offscreen, not asked", "offscreen", "", SingleInstanceName},
        {"real display, asked", "xcb", "TessalCert test /tmp/a", SingleInstanceName},
        {"wayland, asked", "wayland", "other", SingleInstanceName},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(InstanceLockName(c.platform, c.requested).toStdString(), c.expected.toStdString());
    }
}
