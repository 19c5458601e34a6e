#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

#include <sys/stat.h>

QString FixturePath(const QString &name) { return QStringLiteral(TESSAL_FIXTURES "/") + name; }

QString BuiltProgram(const QString &name)
{
    return QString::fromLocal8Bit(qgetenv("TESSAL_BIN")) + QLatin1Char('/') + name;
}

QByteArray ReadWholeFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void WriteWholeFile(const QString &fileName, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << fileName.toStdString();
    ASSERT_EQ(file.write(data), data.size());
}

int FilePermissions(const QString &fileName)
{
    struct stat info {};
    return ::stat(QFile::encodeName(fileName).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

void SetFilePermissions(const QString &fileName, int permissions)
{
    ASSERT_EQ(::chmod(QFile::encodeName(fileName).constData(), mode_t(permissions)), 0) << fileName.toStdString();
}

ScopedUmask::ScopedUmask(unsigned mask) : m_saved(::umask(mode_t(mask))) {}

ScopedUmask::~ScopedUmask() { ::umask(mode_t(m_saved)); }

bool PollUntil(const std::function<bool()> &condition, int seconds)
{
    const QDeadlineTimer deadline(seconds * 1000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}
