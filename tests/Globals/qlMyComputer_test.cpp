#include "qlMyComputer.h"
#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(MachineInformation, ReadFromSystemFilesWithTheirFormats)
{
    struct Case {
        const char *root;
        const char *cpu;
        const char *memory;
        const char *os;
        const char *browser;
    };
    const Case cases[] = {
        {"machine/pc", "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz\r\n2\r\n1800~MHz", "7976",
         "Debian GNU/Linux 12 (bookworm)  6.1.0-18-amd64", "Firefox ESR"},
        // No speed in the processor list, no os-release under /etc, no kernel
        // release file and no browser association.
        {"machine/arm", "ARMv8 Processor rev 1 (v8l)\r\n3\r\n0~MHz", "1023", "Raspbian  ", ""},
        // Nothing readable at all.
        {"machine/none", "\r\n0\r\n0~MHz", "0", "  ", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.root);
        const QString root = FixturePath(QString::fromLatin1(c.root));
        EXPECT_EQ(GetCPUInfo(root), QString::fromUtf8(c.cpu));
        EXPECT_EQ(GetMemorySize(root), QByteArray(c.memory));
        EXPECT_EQ(GetOSVersion(root), QString::fromUtf8(c.os));
        EXPECT_EQ(GetDefaultBrowser(root), QString::fromUtf8(c.browser));
    }
    EXPECT_TRUE(GetNetVersion().isEmpty());
}

TEST(MachineInformation, DriveSizesInWholeMegabytes)
{
    QTemporaryDir dir;
    const QString capacity = GetDriveCapacity(dir.path());
    const QString free = GetDriveFreeSpace(dir.path());
    bool capacityOk = false, freeOk = false;
    EXPECT_GT(capacity.toULongLong(&capacityOk), 0u);
    EXPECT_TRUE(capacityOk) << capacity.toStdString();
    EXPECT_LE(free.toULongLong(&freeOk), capacity.toULongLong());
    EXPECT_TRUE(freeOk) << free.toStdString();

    EXPECT_EQ(GetDriveCapacity(dir.path() + "/missing"), QString());
    EXPECT_EQ(GetDriveFreeSpace(dir.path() + "/missing"), QString());
}
