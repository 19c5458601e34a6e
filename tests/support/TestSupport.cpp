#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

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
